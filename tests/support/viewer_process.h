#pragma once
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_files.h"

// Runs a shell command, returns its exit status and standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

// Runs the real quorvex binary on an X display and drives it the way a
// person would: xdotool for keys and the mouse, ImageMagick's import for
// screenshots. Standard output and error are collected.
//
// The display is a virtual screen of 1024 x 768 that the test program
// starts for itself on first use (Xvfb), so test programs that run side by
// side never share a pointer, a keyboard focus or a screen. Without Xvfb the
// display of the environment is used.
class ViewerProcess {
 public:
  // Starts quorvex with the arguments. programDirectory is the folder the
  // viewer takes for its own (its argv[0] is made to lie there): the artwork
  // "qvx.png", "splash.png" and "qvx.cal" are read from it. Empty: beside
  // the binary.
  explicit ViewerProcess(const std::vector<std::string>& arguments,
                         const std::string& programDirectory = "");
  ~ViewerProcess();  // kills the process if it still runs

  // Waits until the window is mapped and has been resized to the screen by
  // glutFullScreen (the first frame is drawn at the initial size).
  bool waitForWindow(double seconds = 20);
  // Polls the collected standard output until it contains text.
  bool waitForOutput(const std::string& text, double seconds = 10);
  // Polls screenshots until check(screen) holds.
  bool waitForScreen(const std::function<bool(const testfiles::Picture&)>& check,
                     double seconds = 10);
  // Waits for the process to end; returns its exit status, or -1.
  int waitForExit(double seconds = 10);
  bool running();

  // Any xdotool command line, for chains such as
  // "keydown shift mousedown 1 mousemove 10 20 mouseup 1 keyup shift".
  void xdotool(const std::string& arguments) { runCommand("xdotool " + arguments); }
  // xdotool key names ("space", "F12"); buttons 1 left, 2 middle, 3 right.
  void key(const std::string& name) { xdotool("key " + name); }
  void moveMouse(int x, int y) {
    xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y));
  }
  void click(int button) { xdotool("click " + std::to_string(button)); }
  void type(const std::string& text) { xdotool("type --delay 30 '" + text + "'"); }
  void wheel(bool up) { click(up ? 4 : 5); }  // one notch, up away from the user
  // The window's position and size on the screen; false without a window.
  bool windowGeometry(int& x, int& y, int& width, int& height);

  testfiles::Picture screenshot();
  // Standard output and error so far.
  std::string output() { return testfiles::readText(logs.file("stdout.txt")); }
  std::string errors() { return testfiles::readText(logs.file("stderr.txt")); }
  pid_t pid() const { return child; }  // for the benchmarks' CPU readings

 private:
  pid_t child = -1;
  int exitStatus = -1;
  testfiles::TempDir logs;
  std::string windowId;
};

// Presentations for the tests: a solid-colour page picture (PNG, 4:3) and
// a description file of slides, each slide a list of picture file names in
// folder. settings are key lines ("TransitionDuration=0.3") for the "QVX"
// section. Returns the path written.
std::string writeSolidPage(const testfiles::TempDir& folder, const std::string& name, int r, int g,
                           int b);
std::string writeSlideList(const testfiles::TempDir& folder,
                           const std::vector<std::vector<std::string>>& slides,
                           const std::string& settings = "");
// Solid pages "page0.png", ... of the colours in turn, in slides of that
// many pages each (empty: one slide per colour).
struct PageColor {
  int r, g, b;
};
std::string writeSolidSlides(const testfiles::TempDir& folder, const std::vector<PageColor>& colors,
                             std::vector<int> pagesPerSlide = {}, const std::string& settings = "");

// A file the build puts beside the binary: "qvx.png", "demo/talk.qvx".
std::string besideBinary(const std::string& name);

// The X display the viewers of this test program run on (":N"), started on
// first use; it is also put into DISPLAY for the commands run from here.
std::string testDisplay();
