#include "support/viewer_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

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
                             const std::string& workingDirectory) {
  std::string outPath = logs.file("stdout.txt"), errPath = logs.file("stderr.txt");
  child = fork();
  if (child == 0) {
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(127);
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
      _exit(127);
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<char*> argv;
    std::string binary = QUORVEX_BINARY;
    argv.push_back(const_cast<char*>(binary.c_str()));
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
  std::string screen;
  runCommand("xdpyinfo | awk '/dimensions:/{print $2}'", &screen);
  int screenWidth = 0, screenHeight = 0;
  std::sscanf(screen.c_str(), "%dx%d", &screenWidth, &screenHeight);
  return pollUntil(
      [&] {
        if (!running()) return false;
        std::string ids;
        if (runCommand("xdotool search --onlyvisible --pid " + std::to_string(child) +
                           " --name '^Quorvex$' 2>/dev/null",
                       &ids) != 0)
          return false;
        windowId = ids.substr(0, ids.find('\n'));
        if (windowId.empty()) return false;
        std::string geometry;
        runCommand("xdotool getwindowgeometry --shell " + windowId, &geometry);
        int width = 0, height = 0;
        size_t w = geometry.find("WIDTH="), h = geometry.find("HEIGHT=");
        if (w != std::string::npos) width = std::atoi(geometry.c_str() + w + 6);
        if (h != std::string::npos) height = std::atoi(geometry.c_str() + h + 7);
        return width == screenWidth && height == screenHeight;
      },
      seconds);
}

bool ViewerProcess::waitForOutput(const std::string& text, double seconds) {
  return pollUntil([&] { return output().find(text) != std::string::npos; }, seconds);
}

bool ViewerProcess::waitForError(const std::string& text, double seconds) {
  return pollUntil([&] { return errors().find(text) != std::string::npos; }, seconds);
}

bool ViewerProcess::waitForScreen(const std::function<bool(const testfiles::Picture&)>& check,
                                  double seconds) {
  return pollUntil([&] { return check(screenshot()); }, seconds);
}

void ViewerProcess::key(const std::string& keyName) {
  runCommand("xdotool key " + quote(keyName));
}
void ViewerProcess::keyDown(const std::string& keyName) {
  runCommand("xdotool keydown " + quote(keyName));
}
void ViewerProcess::keyUp(const std::string& keyName) {
  runCommand("xdotool keyup " + quote(keyName));
}
void ViewerProcess::type(const std::string& text) {
  runCommand("xdotool type --delay 30 " + quote(text));
}
void ViewerProcess::moveMouse(int x, int y) {
  runCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y));
}
void ViewerProcess::click(int button) {
  runCommand("xdotool click " + std::to_string(button));
}
void ViewerProcess::mouseDown(int button) {
  runCommand("xdotool mousedown " + std::to_string(button));
}
void ViewerProcess::mouseUp(int button) {
  runCommand("xdotool mouseup " + std::to_string(button));
}

testfiles::Picture ViewerProcess::screenshot() {
  testfiles::Picture picture;
  std::string path = logs.file("screen.png");
  if (runCommand("/usr/bin/import -window root " + quote(path) + " 2>/dev/null") == 0)
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
