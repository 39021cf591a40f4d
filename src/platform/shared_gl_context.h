#pragma once
#include <memory>

// A GL context of a thread's own that shares textures with the window's,
// for work such as texture uploads away from the GUI thread. Needs
// enableThreadedX() before the window is made.
class SharedGLContext {
 public:
  // Made on the GUI thread while the window's context is current; null when
  // the system cannot make one.
  static std::unique_ptr<SharedGLContext> forCurrentContext();
  ~SharedGLContext();
  SharedGLContext(const SharedGLContext&) = delete;
  SharedGLContext& operator=(const SharedGLContext&) = delete;

  // On the thread that uses it, once; false when it cannot be made current.
  bool makeCurrent();
  // Before the thread ends (the window's drawable may go after that).
  void release();

 private:
  struct System;
  explicit SharedGLContext(std::unique_ptr<System> system);
  std::unique_ptr<System> system;
};

// Lets more than one thread use the X connection; before any X call.
void enableThreadedX();
