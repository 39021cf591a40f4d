#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testfiles {

// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return root; }
  std::string file(const std::string& name) const { return root + "/" + name; }

 private:
  std::string root;
};

void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);
std::vector<uint8_t> readBytes(const std::string& path);

// A picture as RGBA bytes, rows top-down (the order the files store them).
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  uint8_t* at(int x, int y) { return &rgba[(size_t(y) * width + x) * 4]; }
  const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

Picture solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
// Each pixel from a function of (x, y), y counted from the top.
Picture makePicture(int width, int height,
                    const std::function<void(int x, int y, uint8_t* rgba)>& pixel);

// 8-bit PNG, RGBA or RGB (alpha dropped).
bool writePng(const std::string& path, const Picture& picture, bool withAlpha);
// Baseline RGB JPEG at the given quality (alpha dropped).
bool writeJpeg(const std::string& path, const Picture& picture, int quality = 95);
// Any 8-bit PNG (as ImageMagick's import writes them), expanded to RGBA.
bool readPng(const std::string& path, Picture& picture);

}  // namespace testfiles
