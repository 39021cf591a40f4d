#pragma once
#include <cstddef>
#include <memory>
#include <string>

// GL format code of pictures whose samples are 16 bits wide; every upload
// passes GL_UNSIGNED_SHORT for it and GL_UNSIGNED_BYTE for the others.
constexpr int sixteenBitSamples = 34548;

// Bytes of one pixel of a format code as texture data stores it:
// GL_LUMINANCE 1, GL_LUMINANCE_ALPHA 2, GL_RGB 3, anything else 4.
int bytesPerPixel(int format);

// A texture picture of a model material in memory: rows of width x
// bytesPerPixel(format) bytes, top row first, packed without padding.
// Readers throw their failures as plain C-string messages (const char*).
class TextureData {
 public:
  TextureData();
  virtual ~TextureData();
  TextureData(const TextureData&) = delete;
  TextureData& operator=(const TextureData&) = delete;

  // Reads a PNG or JPEG file, chosen by a substring of the lower-cased path.
  virtual bool load(const std::string& path, bool wantAlpha);
  // Copies source countX times across and countY times down.
  virtual bool tile(const TextureData& source, int countX, int countY);
  // An uninitialised picture of that size and format.
  virtual bool create(unsigned width, unsigned height, int format);
  // A picture stored as a program resource ("PNG" first, then "JPEG").
  virtual bool loadResource(const char* name, void* module, bool wantAlpha);

  bool hasPixels = false;
  unsigned char* pixels = nullptr;  // owned
  unsigned width = 0, height = 0;
  int format = 0;
  std::string fileName;  // the path given to the last load

 protected:
  // Frees the picture and clears hasPixels.
  void freePixels();
  // Frees the picture and holds this one instead (none when null).
  void takePixels(std::unique_ptr<unsigned char[]> picture, unsigned width, unsigned height,
                  int format);
};

// A picture that carries its whole mip chain in one image; the pixels hold
// the levels one after another, level 0 first, each packed.
class MipmapData : public TextureData {
 public:
  ~MipmapData() override;
  bool load(const std::string& path, bool wantAlpha) override;
  bool tile(const TextureData& source, int countX, int countY) override;  // refused
  bool create(unsigned width, unsigned height, int format) override;      // refused
  bool loadResource(const char* name, void* module, bool wantAlpha) override;

  // Byte offset of level i in pixels.
  size_t levelOffset(int level) const;
  // Pixels across (or down, from height) of level i of the chain.
  static unsigned levelSide(unsigned side, int level);

  int levelCount = 0;

 private:
  // Takes the levels out of a picture that holds the whole chain: stacked
  // downwards when it is taller than wide, else side by side.
  bool arrangeLevels(const TextureData& chain);
};
