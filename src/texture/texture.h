#pragma once
#include <cstdint>

class MipmapData;
class TextureData;

// A GL texture object made from texture data. Needs the window's context
// current for every operation, the destructor included.
class Texture {
 public:
  enum Kind : uint8_t { OneLevel = 0, StoredLevels = 1, BuiltMipmaps = 2 };

  Texture();
  virtual ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Makes and fills the texture; false (nothing created) for data without a
  // picture or a picture larger than GL takes. The data stays the caller's.
  bool create(TextureData* data, bool buildMipmaps);
  // Uploads every stored level (nothing for levels without a picture or
  // larger than GL takes).
  void createLevels(MipmapData* levels);
  bool exists() const { return created; }

  TextureData* data = nullptr;
  uint8_t kind = OneLevel;
  bool created = false;
  bool ownsData = false;
  unsigned int textureName = 0;

 private:
  // Deletes the GL texture, so that a second create does not leak it.
  void deleteTexture();
};
