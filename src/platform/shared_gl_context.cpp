#include "platform/shared_gl_context.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

struct SharedGLContext::System {
  Display* display = nullptr;
  GLXDrawable drawable = 0;
  GLXContext context = nullptr;
};

namespace {

bool threadedX = false;

}  // namespace

void enableThreadedX() {
  threadedX = XInitThreads() != 0;
}

std::unique_ptr<SharedGLContext> SharedGLContext::forCurrentContext() {
  // Without thread support a second thread's GLX calls would corrupt the
  // connection.
  if (!threadedX) return nullptr;
  Display* display = glXGetCurrentDisplay();
  GLXContext window = glXGetCurrentContext();
  const GLXDrawable drawable = glXGetCurrentDrawable();
  if (!display || !window || !drawable) return nullptr;
  // The window's own configuration: a context made for it may be current
  // on the window's drawable, which it never draws into.
  int id = 0;
  if (glXQueryContext(display, window, GLX_FBCONFIG_ID, &id) != Success) return nullptr;
  const int wanted[] = {GLX_FBCONFIG_ID, id, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
  if (!configs || count < 1) {
    if (configs) XFree(configs);
    return nullptr;
  }
  GLXContext context =
      glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, window, glXIsDirect(display, window));
  XFree(configs);
  if (!context) return nullptr;
  auto system = std::make_unique<System>();
  system->display = display;
  system->drawable = drawable;
  system->context = context;
  return std::unique_ptr<SharedGLContext>(new SharedGLContext(std::move(system)));
}

SharedGLContext::SharedGLContext(std::unique_ptr<System> made) : system(std::move(made)) {}

SharedGLContext::~SharedGLContext() {
  glXDestroyContext(system->display, system->context);
}

bool SharedGLContext::makeCurrent() {
  return glXMakeContextCurrent(system->display, system->drawable, system->drawable,
                               system->context);
}

void SharedGLContext::release() {
  glXMakeContextCurrent(system->display, None, None, nullptr);
}
