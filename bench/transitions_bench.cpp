// Frame time of each of the seven transitions against the frame time of a
// plain page, drawn side by side in the same run into a 1024 x 768 window
// with the viewer's perspective and camera. Every frame is finished
// (glFinish) before the clock is read. Prints a table of the times and
// their ratios to the plain page.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/transitions_bench [frames] [rounds]
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/quads/quads.h"
#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "content/page.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "transitions/transition.h"

namespace {

using Clock = std::chrono::steady_clock;

const int width = 1024, height = 768;
const char* const kinds[] = {"HARD",        "BLEND",     "SCROLL_LEFT", "FLY_LEFT",
                             "SQUARES_FLY", "PULL_LEFT", "BURN"};
const int kindCount = int(sizeof kinds / sizeof kinds[0]);

// The frame's state and camera before the content is drawn.
void beginFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  glLoadIdentity();
  glTranslatef(0, 0, viewer.cameraDistance);
}

void endFrame() {
  glutSwapBuffers();
  glFinish();
}

// Seconds for `frames` frames, progress running from 1/frames to 1.
template <class Draw>
double timeFrames(int frames, Draw draw) {
  const Clock::time_point start = Clock::now();
  for (int k = 1; k <= frames; ++k) {
    beginFrame();
    draw(float(k) / frames);
    endFrame();
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

testfiles::Picture pattern(int shift) {
  return testfiles::makePicture(width, height, [shift](int x, int y, uint8_t* rgba) {
    rgba[0] = uint8_t((x + shift) & 255);
    rgba[1] = uint8_t((y * 3) & 255);
    rgba[2] = uint8_t(((x ^ y) + shift) & 255);
    rgba[3] = 255;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  if (!gltest::ensureWindow(width, height)) {
    std::fprintf(stderr, "transitions_bench needs an X display (run it under xvfb-run)\n");
    return 1;
  }

  testfiles::TempDir folder;
  PageList pages;
  for (int i = 0; i < 2; ++i) {
    const std::string name = "page" + std::to_string(i) + ".png";
    if (!testfiles::writePng(folder.file(name), pattern(i * 90), false)) {
      std::fprintf(stderr, "cannot write %s\n", folder.file(name).c_str());
      return 1;
    }
    SmartPtr<Page> page(new Page(name, folder.path() + "/"));
    page->texture = new SlideTexture(page->fileName.c_str(), true, false);
    pages.push_back(page);
  }
  registerTransitionPages(&pages);

  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60, float(width) / height, 0.005, 30);
  glMatrixMode(GL_MODELVIEW);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  const DescriptionNode section("Transition");
  std::vector<std::unique_ptr<Transition>> transitions;
  for (const char* kind : kinds) transitions.emplace_back(createTransition(kind, section, 0, 1));

  SlideTexture& plainPage = *pages[0]->texture;
  auto drawPlainPage = [&plainPage](float) {
    plainPage.bind();
    drawSlideQuad(plainPage.uExtent, plainPage.vExtent);
  };

  // A warm-up round, then rounds that alternate the plain page and every
  // transition so that both see the same machine load.
  timeFrames(frames / 4 + 1, drawPlainPage);
  std::vector<double> plainTimes;
  std::vector<std::vector<double>> kindTimes(kindCount), kindRatios(kindCount);
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < kindCount; ++k) {
      const double plain = timeFrames(frames, drawPlainPage);
      Transition& transition = *transitions[size_t(k)];
      transition.start();
      const double time =
          timeFrames(frames, [&transition](float progress) { transition.draw(progress); });
      transition.finish();
      plainTimes.push_back(plain);
      kindTimes[size_t(k)].push_back(time);
      kindRatios[size_t(k)].push_back(time / plain);
    }
  }

  std::printf("%d x %d, %d frames a run, %d rounds (medians)\n", width, height, frames, rounds);
  std::printf("%-12s %10s %8s\n", "kind", "ms/frame", "ratio");
  std::printf("%-12s %10.3f %8.2f\n", "plain page", 1000 * median(plainTimes) / frames, 1.0);
  for (int k = 0; k < kindCount; ++k) {
    std::printf("%-12s %10.3f %8.2f\n", kinds[k], 1000 * median(kindTimes[size_t(k)]) / frames,
                median(kindRatios[size_t(k)]));
  }
  registerTransitionPages(nullptr);
  return 0;
}
