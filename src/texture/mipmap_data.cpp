#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "texture/texture_data.h"

namespace {

int levelCountFor(unsigned side) {
  return int(std::floor(std::log2(double(side)) + 1.5));
}

}  // namespace

MipmapData::~MipmapData() = default;

unsigned MipmapData::levelSide(unsigned side, int level) {
  return level < 32 ? std::max(side >> level, 1u) : 1u;
}

size_t MipmapData::levelOffset(int level) const {
  size_t offset = 0;
  for (int i = 0; i < level; ++i)
    offset += size_t(levelSide(width, i)) * levelSide(height, i) * size_t(bytesPerPixel(format));
  return offset;
}

bool MipmapData::load(const std::string& path, bool wantAlpha) {
  freePixels();
  fileName = path;
  TextureData chain;
  return chain.load(path, wantAlpha) && arrangeLevels(chain);
}

bool MipmapData::loadResource(const char* name, void* module, bool wantAlpha) {
  freePixels();
  TextureData chain;
  return chain.loadResource(name, module, wantAlpha) && arrangeLevels(chain);
}

bool MipmapData::tile(const TextureData&, int, int) {
  return false;
}

bool MipmapData::create(unsigned, unsigned, int) {
  return false;
}

bool MipmapData::arrangeLevels(const TextureData& chain) {
  bool stacked = chain.width < chain.height;
  unsigned baseWidth = stacked ? chain.width : (chain.width + 1) / 2;
  unsigned baseHeight = stacked ? (chain.height + 1) / 2 : chain.height;
  int count = levelCountFor(stacked ? baseHeight : baseWidth);
  size_t pixelBytes = size_t(bytesPerPixel(chain.format));
  size_t chainRowBytes = size_t(chain.width) * pixelBytes;

  // Levels never take more room than the chain picture itself.
  std::unique_ptr<unsigned char[]> levels(
      new (std::nothrow) unsigned char[chainRowBytes * chain.height]);
  if (!levels) return false;
  unsigned char* to = levels.get();
  unsigned used = 0;  // rows (stacked) or columns (side by side) taken so far
  for (int i = 0; i < count; ++i) {
    unsigned levelWidth = levelSide(baseWidth, i), levelHeight = levelSide(baseHeight, i);
    unsigned firstRow = stacked ? used : 0, firstColumn = stacked ? 0 : used;
    used += stacked ? levelHeight : levelWidth;
    if (used > (stacked ? chain.height : chain.width)) return false;
    size_t rowBytes = size_t(levelWidth) * pixelBytes;
    for (unsigned y = 0; y < levelHeight; ++y, to += rowBytes)
      std::memcpy(to, chain.pixels + chainRowBytes * (firstRow + y) + firstColumn * pixelBytes,
                  rowBytes);
  }
  takePixels(std::move(levels), baseWidth, baseHeight, chain.format);
  levelCount = count;
  return true;
}
