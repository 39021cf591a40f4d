// Pictures and thumbnails made by the workers, in the test program with a
// real GL window: a page asked for before its preparation ends is whole,
// and the strip shows placeholders until the thumbnails arrive. The one
// worker is held by a gate, so what is not yet prepared is known.
#include "app/background.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <future>

#include "app/callbacks.h"
#include "app/navigation.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "app/strip.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/viewer_process.h"
#include "workers/worker_pool.h"

namespace {

class Background : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gltest::ensureWindow(256, 192)) GTEST_SKIP() << "no X display";
    viewer = ViewerState();
    reshapeFunc(256, 192);
    buildStripPath();
    startBackgroundWork(1);
    backgroundWorkers()->submit([opened = opened] { opened.wait(); }, -1);
    started = true;
    const int colours[3][3] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}};
    std::vector<std::vector<std::string>> slides;
    for (int i = 0; i < 3; ++i) {
      slides.push_back({"page" + std::to_string(i) + ".png"});
      writeSolidPage(folder, slides.back()[0], colours[i][0], colours[i][1], colours[i][2]);
    }
    ASSERT_TRUE(slideList.load(writeSlideList(folder, slides)));
    showFirstPage();
    prepareThumbnails();
  }
  void TearDown() override {
    if (!started) return;
    openGate();
    stopBackgroundWork();
    delete viewer.ownedTransition;
    viewer.ownedTransition = nullptr;
    viewer.currentTransition = nullptr;
    slideList.slides.clear();
    slideList.transitions.clear();
    slideList.pages.clear();
  }
  void openGate() {
    if (!released) release.set_value();
    released = true;
  }
  // The second slide's ribbon in the strip just opened.
  gltest::Rgba neighbourInStrip() {
    viewer.presentationState = Browsing;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, 2 * zoomToDistance(viewer.zoomLevel));
    applyStripTilt(0);
    drawSlideStrip(0);
    viewer.presentationState = Showing;
    return gltest::pixelAt(244, 96);
  }

  testfiles::TempDir folder;
  std::promise<void> release;
  std::shared_future<void> opened = release.get_future().share();
  bool released = false, started = false;
};

TEST_F(Background, APageAskedForBeforeItsPreparationEndsIsWhole) {
  Page& next = slideList.page(1);
  ASSERT_TRUE(next.isWaiting());  // its preparation is queued behind the gate
  ASSERT_EQ(next.texture, nullptr);
  nextPage();  // the transition needs it now
  ASSERT_NE(next.texture, nullptr);
  EXPECT_FALSE(next.isWaiting());
  std::vector<uint8_t> shown = (next.texture->bind(), gltest::boundTextureTexels(false));
  SlideTexture reference(next.fileName.c_str(), true, false);
  EXPECT_EQ(std::tuple(next.texture->width, next.texture->height, next.texture->textureWidth),
            std::tuple(reference.width, reference.height, reference.textureWidth));
  EXPECT_EQ(shown, (reference.bind(), gltest::boundTextureTexels(false)));
}

TEST_F(Background, TheStripShowsPlaceholdersUntilTheThumbnailsArrive) {
  ASSERT_EQ(slideList.slide(1).thumbnail, nullptr);
  gltest::Rgba placeholder = neighbourInStrip();
  EXPECT_TRUE(placeholder.r == placeholder.g && placeholder.g == placeholder.b &&
              placeholder.g > 50)
      << placeholder.r << "," << placeholder.g << "," << placeholder.b;

  openGate();
  for (int waits = 0; waits < 600 && !slideList.slide(2).thumbnail; ++waits) {
    waitForBackgroundResults(0.1);
    deliverBackgroundResults();
  }
  for (int s = 0; s < 3; ++s) {
    SlideTexture* thumbnail = slideList.slide(s).thumbnail;
    ASSERT_NE(thumbnail, nullptr) << s;
    SlideTexture reference(slideList.page(s).fileName.c_str(), true, true);
    EXPECT_EQ(
        std::tuple(thumbnail->width, thumbnail->height, thumbnail->uExtent, thumbnail->vExtent),
        std::tuple(reference.width, reference.height, reference.uExtent, reference.vExtent));
  }
  gltest::Rgba green = neighbourInStrip();
  EXPECT_TRUE(green.g > 100 && green.r < 70) << green.r << "," << green.g;
}

}  // namespace
