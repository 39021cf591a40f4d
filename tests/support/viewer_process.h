#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_files.h"

// Runs the real quorvex binary on the test run's X display and drives it
// the way a person would: xdotool for keys and the mouse, ImageMagick's
// import for screenshots. Standard output and error are collected.
class ViewerProcess {
 public:
  // Starts quorvex with the arguments, in working directory (if given).
  explicit ViewerProcess(const std::vector<std::string>& arguments,
                         const std::string& workingDirectory = "");
  ~ViewerProcess();  // kills the process if it still runs

  // Waits until the window is mapped and has been resized to the screen by
  // glutFullScreen (the first frame is drawn at the initial size).
  bool waitForWindow(double seconds = 20);
  // Polls the collected standard output until it contains text.
  bool waitForOutput(const std::string& text, double seconds = 10);
  bool waitForError(const std::string& text, double seconds = 10);
  // Polls screenshots until check(screen) holds.
  bool waitForScreen(const std::function<bool(const testfiles::Picture&)>& check,
                     double seconds = 10);
  // Waits for the process to end; returns its exit status, or -1.
  int waitForExit(double seconds = 10);
  bool running();

  void key(const std::string& keyName);  // xdotool key name ("space", "F12")
  void keyDown(const std::string& keyName);
  void keyUp(const std::string& keyName);
  void type(const std::string& text);
  void moveMouse(int x, int y);
  void click(int button);  // 1 left, 2 middle, 3 right, 4/5 wheel
  void mouseDown(int button);
  void mouseUp(int button);

  testfiles::Picture screenshot();
  std::string output();  // standard output so far
  std::string errors();  // standard error so far
  pid_t pid() const { return child; }

 private:
  pid_t child = -1;
  int exitStatus = -1;
  testfiles::TempDir logs;
  std::string windowId;
};

// Average colour of a rectangle of the screenshot (x, y from the top left).
struct ScreenColor {
  double r, g, b;
};
ScreenColor averageColor(const testfiles::Picture& screen, int x, int y, int width, int height);
// True when every channel of the average is within tolerance of (r, g, b).
bool colorNear(const ScreenColor& color, int r, int g, int b, int tolerance = 24);

// Runs a shell command, returns its exit status and standard output.
int runCommand(const std::string& command, std::string* output = nullptr);
