#include "support/gl_test_window.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdlib>

namespace gltest {
namespace {
int window = 0;
void ignoreDisplay() {}
}  // namespace

bool ensureWindow(int width, int height) {
  if (!std::getenv("DISPLAY")) return false;
  if (!window) {
    int argc = 1;
    char name[] = "gl-test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_ALPHA);
    glutInitWindowSize(width, height);
    window = glutCreateWindow("gl-test");
    glutDisplayFunc(ignoreDisplay);
    glewInit();
    for (int i = 0; i < 5; ++i) glutMainLoopEvent();
  }
  glutSetWindow(window);
  if (glutGet(GLUT_WINDOW_WIDTH) < width || glutGet(GLUT_WINDOW_HEIGHT) < height) {
    glutReshapeWindow(width, height);
    for (int i = 0; i < 5; ++i) glutMainLoopEvent();
  }
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return true;
}

std::vector<uint8_t> readPixels(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(size_t(width) * height * 4);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

Rgba pixelAt(int x, int y) {
  std::vector<uint8_t> p = readPixels(x, y, 1, 1);
  return {p[0], p[1], p[2], p[3]};
}

void usePageProjection() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-0.5, 0.5, -0.375, 0.375, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

unsigned int coordinateTexture() {
  std::vector<uint8_t> texels(256 * 256 * 3, 128);
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) {
      texels[(size_t(r) * 256 + c) * 3] = uint8_t(c);
      texels[(size_t(r) * 256 + c) * 3 + 1] = uint8_t(r);
    }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
    glTexParameteri(GL_TEXTURE_2D, filter, GL_NEAREST);
  return texture;
}

std::vector<uint8_t> boundTextureTexels(bool rgba, int* width, int level) {
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  if (width) *width = w;
  std::vector<uint8_t> texels(size_t(w) * h * (rgba ? 4 : 3));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!texels.empty())
    glGetTexImage(GL_TEXTURE_2D, level, rgba ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

}  // namespace gltest
