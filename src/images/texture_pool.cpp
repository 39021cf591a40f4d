#include "images/texture_pool.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace {

using Shape = std::tuple<unsigned, int, int, int>;

struct Pool {
  std::mutex lock;  // names are taken in the upload context too
  int perShape = 0;
  std::map<Shape, std::vector<GLuint>> names;
};

// Never destroyed: textures still return their names while the program's
// other statics go at exit.
Pool& pool() {
  static Pool* kept = new Pool;
  return *kept;
}

bool hasTextureStorage() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
      (major > 4 || (major == 4 && minor >= 2)))
    return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_texture_storage");
}

// Storage for every level at once: a renderer that had to grow a texture
// level by level would copy it each time.
void allocateLevels(GLenum format, int width, int height, int levels) {
  if (hasTextureStorage()) {
    glTexStorage2D(GL_TEXTURE_2D, levels, format == GL_RGBA ? GL_RGBA8 : GL_RGB8, width, height);
    return;
  }
  for (int level = 0; level < levels; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GLint(format), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
}

}  // namespace

void keepTextureNames(int perShape) {
  Pool& kept = pool();
  std::lock_guard<std::mutex> hold(kept.lock);
  kept.perShape = std::max(0, perShape);
  if (kept.perShape > 0) return;
  for (auto& entry : kept.names)
    glDeleteTextures(GLsizei(entry.second.size()), entry.second.data());
  kept.names.clear();
}

unsigned takeTextureName(unsigned format, int width, int height, int levels) {
  GLuint name = 0;
  {
    Pool& kept = pool();
    std::lock_guard<std::mutex> hold(kept.lock);
    std::vector<GLuint>& free = kept.names[Shape(format, width, height, levels)];
    if (!free.empty()) {
      name = free.back();
      free.pop_back();
    }
  }
  if (name) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
  }
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  allocateLevels(format, width, height, levels);
  return name;
}

void returnTextureName(unsigned name, unsigned format, int width, int height, int levels) {
  Pool& kept = pool();
  {
    std::lock_guard<std::mutex> hold(kept.lock);
    std::vector<GLuint>& free = kept.names[Shape(format, width, height, levels)];
    if (int(free.size()) < kept.perShape) {
      free.push_back(name);
      return;
    }
  }
  glDeleteTextures(1, &name);
}
