#pragma once
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Memory for large texel buffers: left uninitialised (every byte is
// written anyway) and, from a few megabytes on, in huge pages where the
// system offers them, so that filling it does not fault page by page.
template <class T>
struct TexelAllocator {
  using value_type = T;
  TexelAllocator() = default;
  template <class U>
  TexelAllocator(const TexelAllocator<U>&) {}
  T* allocate(size_t count) { return static_cast<T*>(allocateTexels(count * sizeof(T))); }
  void deallocate(T* p, size_t count) { freeTexels(p, count * sizeof(T)); }
  template <class U>
  void construct(U* p) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  bool operator==(const TexelAllocator&) const { return true; }
  bool operator!=(const TexelAllocator&) const { return false; }
  static void* allocateTexels(size_t bytes);
  static void freeTexels(void* p, size_t bytes);
};
using TexelBuffer = std::vector<uint8_t, TexelAllocator<uint8_t>>;

// Everything a picture's SlideTexture needs but GL: the picture decoded,
// shrunk for a thumbnail, padded to its power-of-two texture and, with
// mipmaps, every level of the chain. Made on any thread; uploaded on the
// GUI thread. Videos are not prepared: isVideo says the GUI thread makes
// them itself.
struct PreparedPicture {
  std::string fileName;
  bool isVideo = false;
  bool failed = false;
  bool hasAlpha = false;
  bool mipmaps = false;
  bool thumbnail = false;
  int width = 0, height = 0;
  int textureWidth = 64, textureHeight = 64;
  // Level 0 first: rows of 4-byte texels (red, green, blue, alpha; the
  // alpha byte 255 without an alpha plane), row 0 the picture's bottom.
  std::vector<TexelBuffer> levels;
  // The texture was made smaller than the picture to fit GL.
  std::string shrinkMessage;
  // Once uploaded (the levels are freed then): the texture's name and its
  // level count. Whoever drops an uploaded picture returns the name.
  unsigned texture = 0;
  int levelCount = 0;
};

// Whether GL takes a texture of that size (and alpha or not).
using TextureFits = std::function<bool(bool withAlpha, int width, int height)>;

// Decides picture or video from the name's extension, decodes the picture
// (a JPEG thumbnail through libjpeg's DCT scaling at the smallest scale
// that still gives the thumbnail size), shrinks a thumbnail to at most 256
// a side, pads and builds the levels. Never fails: an undecodable picture
// becomes the 64 x 64 failure pattern.
PreparedPicture preparePicture(const std::string& path, bool mipmaps, bool thumbnail,
                               const TextureFits& fits);

// The size of the texture a picture of that size gets: the smallest power
// of two that holds it, never below 64.
int textureSideFor(int size);
// Number of mipmap levels of a texture down to 1 x 1.
int mipmapLevelCount(int width, int height);
