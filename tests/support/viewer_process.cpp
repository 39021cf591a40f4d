#include "support/viewer_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool pollUntil(const std::function<bool()>& condition, double seconds) {
  auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    if (Clock::now() > deadline) return false;
  return true;
}

// An Xvfb server of this test program's own, on ":N" or "" when there is
// none. -displayfd lets the server pick a free display number and report it
// once it accepts connections; -noreset keeps it from resetting whenever its
// last client leaves, which would refuse the next viewer's connection. The
// kernel ends it with the test program (the parent-death signal).
std::string privateDisplay() {
  FILE* server = popen(
      "exec setpriv --pdeathsig TERM Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -ac "
      "-noreset 2>/dev/null",
      "r");
  char number[16] = {};
  return server && fgets(number, sizeof number, server) ? ":" + std::to_string(atoi(number)) : "";
}

}  // namespace

std::string testDisplay() {
  static const std::string own = privateDisplay();
  if (!own.empty()) setenv("DISPLAY", own.c_str(), 1);
  const char* shared = std::getenv("DISPLAY");  // without Xvfb, the environment's
  return shared ? shared : "";
}

int runCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ViewerProcess::ViewerProcess(const std::vector<std::string>& arguments,
                             const std::string& programDirectory) {
  testDisplay();
  std::string outPath = logs.file("stdout.txt"), errPath = logs.file("stderr.txt");
  child = fork();
  if (child == 0) {
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
      _exit(127);
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string binary = QUORVEX_BINARY;
    // The viewer finds its artwork and calibration beside its program path.
    std::string programPath = programDirectory.empty() ? binary : programDirectory + "/quorvex";
    std::vector<char*> argv = {const_cast<char*>(programPath.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // Sound goes to a file so the tests never need an audio device.
    setenv("SDL_AUDIODRIVER", "disk", 0);
    setenv("SDL_DISKAUDIOFILE", logs.file("audio.raw").c_str(), 0);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
}

ViewerProcess::~ViewerProcess() {
  if (running()) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
}

bool ViewerProcess::running() {
  int status = 0;
  if (child > 0 && exitStatus == -1 && waitpid(child, &status, WNOHANG) == child)
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return child > 0 && exitStatus == -1;
}

int ViewerProcess::waitForExit(double seconds) {
  pollUntil([&] { return !running(); }, seconds);
  return running() ? -1 : exitStatus;
}

bool ViewerProcess::waitForWindow(double seconds) {
  return pollUntil(
      [&] {
        if (!running()) return false;
        std::string ids;
        runCommand("xdotool search --onlyvisible --pid " + std::to_string(child) +
                       " --name '^Quorvex$' 2>/dev/null",
                   &ids);
        windowId = ids.substr(0, ids.find('\n'));
        int x, y, width = 0, height = 0;
        return windowGeometry(x, y, width, height) && width == 1024 && height == 768;
      },
      seconds);
}

bool ViewerProcess::waitForOutput(const std::string& text, double seconds) {
  return pollUntil([&] { return output().find(text) != std::string::npos; }, seconds);
}

bool ViewerProcess::waitForScreen(const std::function<bool(const testfiles::Picture&)>& check,
                                  double seconds) {
  return pollUntil([&] { return check(screenshot()); }, seconds);
}

bool ViewerProcess::windowGeometry(int& x, int& y, int& width, int& height) {
  std::string geometry;
  return !windowId.empty() &&
         runCommand("xdotool getwindowgeometry --shell " + windowId, &geometry) == 0 &&
         std::sscanf(geometry.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &x, &y, &width,
                     &height) == 4;
}

testfiles::Picture ViewerProcess::screenshot() {
  testfiles::Picture picture;
  std::string path = logs.file("screen.png");
  if (runCommand("/usr/bin/import -window root " + path + " 2>/dev/null") == 0)
    testfiles::readPng(path, picture);
  return picture;
}

std::string besideBinary(const std::string& name) {
  std::string binary = QUORVEX_BINARY;
  return binary.substr(0, binary.rfind('/') + 1) + name;
}

std::string writeSolidPage(const testfiles::TempDir& folder, const std::string& name, int r, int g,
                           int b) {
  std::string path = folder.file(name);
  testfiles::writePng(path, testfiles::solidPicture(64, 48, uint8_t(r), uint8_t(g), uint8_t(b)),
                      false);
  return path;
}

std::string writeSlideList(const testfiles::TempDir& folder,
                           const std::vector<std::vector<std::string>>& slides,
                           const std::string& settings) {
  std::string text = "<QVX>\n" + settings + "\n</QVX>\n<SlideList>\npath=" + folder.path() + "/\n";
  for (const std::vector<std::string>& pages : slides) {
    text += "<Slide>\n";
    for (const std::string& page : pages) text += "<Image>\nfilename=" + page + "\n</Image>\n";
    text += "</Slide>\n";
  }
  text += "</SlideList>\n";
  std::string path = folder.file("talk.qvx");
  testfiles::writeText(path, text);
  return path;
}

std::string writeSolidSlides(const testfiles::TempDir& folder, const std::vector<PageColor>& colors,
                             std::vector<int> pagesPerSlide, const std::string& settings) {
  if (pagesPerSlide.empty()) pagesPerSlide.assign(colors.size(), 1);
  std::vector<std::vector<std::string>> slides;
  size_t page = 0;
  for (int count : pagesPerSlide) {
    slides.emplace_back();
    for (int i = 0; i < count; ++i, ++page) {
      const PageColor& c = colors[page % colors.size()];
      slides.back().push_back("page" + std::to_string(page) + ".png");
      writeSolidPage(folder, slides.back().back(), c.r, c.g, c.b);
    }
  }
  return writeSlideList(folder, slides, settings);
}
