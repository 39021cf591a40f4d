#include "support/viewer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool pollUntil(const std::function<bool()>& condition, double seconds) {
  auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(seconds * 1000));
  while (true) {
    if (condition()) return true;
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// An Xvfb server of this test program's own. -displayfd lets the server
// pick a free display number and report it once it accepts connections;
// -noreset keeps it from resetting whenever its last client leaves, which
// would refuse the next viewer's connection while it runs.
class PrivateDisplay {
 public:
  PrivateDisplay() {
    if (!startServer()) {
      const char* shared = std::getenv("DISPLAY");
      name = shared ? shared : "";
    }
  }
  ~PrivateDisplay() {
    if (server > 0) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    }
  }
  std::string name;

 private:
  bool startServer() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    server = fork();
    if (server < 0) {
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    if (server == 0) {
      close(fds[0]);
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the test program
      int devNull = open("/dev/null", O_WRONLY);
      if (devNull >= 0) {
        dup2(devNull, 1);
        dup2(devNull, 2);
      }
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-ac", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      pollfd ready = {fds[0], POLLIN, 0};
      if (poll(&ready, 1, 200) <= 0) continue;
      char c;
      if (read(fds[0], &c, 1) != 1) break;  // the server ended
      if (c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
      server = -1;
      return false;
    }
    name = ":" + number;
    return true;
  }

  pid_t server = -1;
};

}  // namespace

std::string testDisplay() {
  static PrivateDisplay display;
  if (!display.name.empty()) setenv("DISPLAY", display.name.c_str(), 1);
  return display.name;
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
    std::vector<char*> argv;
    std::string binary = QUORVEX_BINARY;
    // The viewer finds its artwork and calibration beside its program path.
    std::string programPath = programDirectory.empty() ? binary : programDirectory + "/quorvex";
    argv.push_back(const_cast<char*>(programPath.c_str()));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // Sound goes to a file so the tests never need an audio device.
    setenv("SDL_AUDIODRIVER", "disk", 0);
    std::string audioFile = logs.file("audio.raw");
    setenv("SDL_DISKAUDIOFILE", audioFile.c_str(), 0);
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
  if (child <= 0) return false;
  if (exitStatus != -1) return false;
  int status = 0;
  pid_t done = waitpid(child, &status, WNOHANG);
  if (done == child) {
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

int ViewerProcess::waitForExit(double seconds) {
  pollUntil([&] { return !running(); }, seconds);
  return running() ? -1 : exitStatus;
}

bool ViewerProcess::waitForWindow(double seconds) {
  int screenWidth = 0, screenHeight = 0;
  return pollUntil(
      [&] {
        if (!running()) {
          windowState = "the viewer is not running (status " + std::to_string(exitStatus) + ")";
          return false;
        }
        if (screenWidth == 0) {
          std::string screen;
          runCommand("xdpyinfo | awk '/dimensions:/{print $2}'", &screen);
          std::sscanf(screen.c_str(), "%dx%d", &screenWidth, &screenHeight);
          if (screenWidth == 0) {
            windowState = "no screen size from xdpyinfo";
            return false;
          }
        }
        std::string ids;
        if (runCommand("xdotool search --onlyvisible --pid " + std::to_string(child) +
                           " --name '^Quorvex$' 2>/dev/null",
                       &ids) != 0) {
          windowState = "no visible window";
          return false;
        }
        windowId = ids.substr(0, ids.find('\n'));
        if (windowId.empty()) return false;
        int x = 0, y = 0, width = 0, height = 0;
        windowGeometry(x, y, width, height);
        windowState = "window " + windowId + " at " + std::to_string(x) + ", " + std::to_string(y) +
                      " of " + std::to_string(width) + " x " + std::to_string(height);
        return width == screenWidth && height == screenHeight;
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

void ViewerProcess::xdotool(const std::string& arguments) {
  runCommand("xdotool " + arguments);
}

bool ViewerProcess::windowGeometry(int& x, int& y, int& width, int& height) {
  if (windowId.empty()) return false;
  std::string geometry;
  if (runCommand("xdotool getwindowgeometry --shell " + windowId, &geometry) != 0) return false;
  auto field = [&](const char* name, int& value) {
    size_t at = geometry.find(name);
    if (at == std::string::npos) return false;
    value = std::atoi(geometry.c_str() + at + std::strlen(name));
    return true;
  };
  return field("\nX=", x) && field("\nY=", y) && field("WIDTH=", width) && field("HEIGHT=", height);
}

testfiles::Picture ViewerProcess::screenshot() {
  testfiles::Picture picture;
  std::string path = logs.file("screen.png");
  if (runCommand("/usr/bin/import -window root " + path + " 2>/dev/null") == 0)
    testfiles::readPng(path, picture);
  return picture;
}

std::string ViewerProcess::output() {
  return testfiles::readText(logs.file("stdout.txt"));
}
std::string ViewerProcess::errors() {
  return testfiles::readText(logs.file("stderr.txt"));
}

ScreenColor averageColor(const testfiles::Picture& screen, int x, int y, int width, int height) {
  double r = 0, g = 0, b = 0;
  int count = 0;
  for (int j = y; j < y + height && j < screen.height; ++j)
    for (int i = x; i < x + width && i < screen.width; ++i) {
      const uint8_t* p = screen.at(i, j);
      r += p[0], g += p[1], b += p[2];
      ++count;
    }
  if (count == 0) return {-1, -1, -1};
  return {r / count, g / count, b / count};
}

bool colorNear(const ScreenColor& color, int r, int g, int b, int tolerance) {
  return std::fabs(color.r - r) <= tolerance && std::fabs(color.g - g) <= tolerance &&
         std::fabs(color.b - b) <= tolerance;
}

std::string demoFile(const std::string& name) {
  std::string binary = QUORVEX_BINARY;
  return binary.substr(0, binary.rfind('/') + 1) + "demo/" + name;
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
  std::string text = "<QVX>\n" + settings;
  if (!settings.empty() && settings.back() != '\n') text += "\n";
  text += "</QVX>\n<SlideList>\npath=" + folder.path() + "/\n";
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
