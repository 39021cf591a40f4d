#include "images/png_decoder.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "images/codec/png_glue.h"
#include "images/image_stream.h"
#include "images/raster_image.h"

namespace {

// libpng errors end the decoding through longjmp back into readPicture();
// the frames in between are libpng's and the callbacks below.
struct ReadContext {
  ImageStream* stream;
  char message[256];
};

void pngError(png_structp png, png_const_charp text) {
  ReadContext* context = static_cast<ReadContext*>(png_get_error_ptr(png));
  std::snprintf(context->message, sizeof context->message, "%s", text ? text : "PNG error");
  png_longjmp(png, 1);
}

[[noreturn]] void failWith(png_structp png, const char* text) {
  ReadContext* context = static_cast<ReadContext*>(png_get_error_ptr(png));
  std::snprintf(context->message, sizeof context->message, "%s", text);
  png_longjmp(png, 1);
}

// Buffers that must outlive a longjmp out of readPicture().
struct Scratch {
  std::vector<uint8_t> row;
  std::vector<uint8_t> paletteAlpha;  // tRNS of a palette file
};

// Widens a row of 2-bit pixels to 4 bits a pixel, each value unchanged.
void widenTwoBitRow(uint8_t* row, int width, std::vector<uint8_t>& copy) {
  size_t packedBytes = (size_t(width) + 3) / 4;
  copy.assign(row, row + packedBytes);
  for (int x = 0; x < width; x += 2) {
    int high = (copy[size_t(x) >> 2] >> (6 - 2 * (x & 3))) & 3;
    int low = x + 1 < width ? (copy[size_t(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
    row[x >> 1] = uint8_t(high << 4 | low);
  }
}

// Rows with alpha are read as red, green, blue, alpha and split into the
// pixel row (blue, green, red) and the alpha plane in one pass: the same
// result as libpng's own swap, without a second walk over the row.
void splitAlpha(const uint8_t* rgba, uint8_t* bgr, uint8_t* alpha, int width) {
  for (int x = 0; x < width; ++x, rgba += 4, bgr += 3) {
    bgr[0] = rgba[2];
    bgr[1] = rgba[1];
    bgr[2] = rgba[0];
    alpha[x] = rgba[3];
  }
}

void joinAlpha(const uint8_t* bgr, const uint8_t* alpha, uint8_t* rgba, int width) {
  for (int x = 0; x < width; ++x, rgba += 4, bgr += 3) {
    rgba[0] = bgr[2];
    rgba[1] = bgr[1];
    rgba[2] = bgr[0];
    rgba[3] = alpha[x];
  }
}

void fillPalette(png_structp png, png_infop info, RasterImage& picture, int colorType,
                 int fileBitDepth, const std::vector<uint8_t>& alphas) {
  std::vector<RgbQuad>& palette = picture.palette;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp colors = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colors, &count) && colors)
      for (int i = 0; i < count && size_t(i) < palette.size(); ++i)
        palette[size_t(i)] = RgbQuad{colors[i].blue, colors[i].green, colors[i].red, 0};
    for (size_t i = 0; i < alphas.size() && i < palette.size(); ++i) palette[i].alpha = alphas[i];
    if (alphas.size() == 1 && alphas[0] == 0) picture.backgroundIndex = 0;
    return;
  }
  if (fileBitDepth == 2) {
    for (int i = 0; i < 4; ++i) {
      uint8_t grey = uint8_t(85 * i);
      palette[size_t(i)] = RgbQuad{grey, grey, grey, 0};
    }
    return;
  }
  size_t levels = palette.size();
  for (size_t i = 0; i < levels; ++i) {
    uint8_t grey = uint8_t(i * 255 / (levels - 1));
    palette[i] = RgbQuad{grey, grey, grey, 0};
  }
}

// The alpha plane of a palette picture: each pixel its entry's tRNS value,
// entries past the tRNS list opaque.
void fillPaletteAlpha(RasterImage& picture, const std::vector<uint8_t>& alphas) {
  const int width = picture.width();
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < width; ++x) {
      const size_t index = size_t(picture.paletteIndex(x, y));
      picture.alphaPlane[size_t(y) * size_t(width) + size_t(x)] =
          index < alphas.size() ? alphas[index] : 255;
    }
}

// The libpng part of the decoding; owns nothing with a destructor.
bool readPicture(png_structp png, png_infop info, RasterImage& picture, const volatile int& escape,
                 ReadContext& context, Scratch& scratch) {
  if (setjmp(png_jmpbuf(png))) {
    picture.lastError = context.message;
    return false;
  }
  png_set_read_fn(png, context.stream, readPngFromStream);
  png_read_info(png, info);

  png_uint_32 fileWidth = 0, fileHeight = 0;
  int fileBitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &fileWidth, &fileHeight, &fileBitDepth, &colorType, nullptr, nullptr,
               nullptr);
  // libpng keeps both below 2^31. Refuse oversized pictures before libpng
  // allocates its row buffers.
  int width = int(fileWidth), height = int(fileHeight);
  if (!picture.checkSize(width, height)) failWith(png, picture.lastError.c_str());
  // Every file with transparency keeps it: an alpha channel of any depth,
  // and tRNS, which marks palette entries or one grey or RGB colour. Opaque
  // files are composited on their background as before (which changes
  // nothing but a file gamma).
  const bool hasTransparency =
      (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  // A palette file keeps its indices and gains an alpha plane from its
  // palette; the others are read as 8-bit RGBA.
  const bool paletteAlpha = hasTransparency && colorType == PNG_COLOR_TYPE_PALETTE;
  const bool withAlpha = hasTransparency && !paletteAlpha;

  // The palette's transparency as the file gives it, before compositing
  // touches libpng's copy.
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_bytep alphas = nullptr;
    int count = 0;
    if (png_get_tRNS(png, info, &alphas, &count, nullptr) && alphas && count > 0) {
      scratch.paletteAlpha.assign(alphas, alphas + std::min(count, 256));
    }
  }

  png_color_16p fileBackground = nullptr;
  bool hasBackground = png_get_bKGD(png, info, &fileBackground) && fileBackground;
  if (!hasTransparency) {
    if (hasBackground) {
      png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      png_color_16 grey = {0, 192, 192, 192, 192};
      png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  } else if (hasBackground) {
    picture.backgroundColor.red = uint8_t(fileBackground->red & 0xFF);
    picture.backgroundColor.green = uint8_t(fileBackground->green & 0xFF);
    picture.backgroundColor.blue = uint8_t(fileBackground->blue & 0xFF);
  }
  png_set_strip_16(png);

  if (withAlpha) {
    png_set_expand(png);  // low grey depths to 8 bits, tRNS to an alpha channel
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  if (!withAlpha) png_set_bgr(png);  // rows with alpha are swapped while split
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  int pixelDepth = png_get_channels(png, info) * png_get_bit_depth(png, info);
  int bitsPerPixel;
  if (withAlpha && pixelDepth == 32)
    bitsPerPixel = 24;
  else if (!withAlpha &&
           (pixelDepth == 24 || pixelDepth == 8 || pixelDepth == 4 || pixelDepth == 1))
    bitsPerPixel = pixelDepth;
  else if (!withAlpha && pixelDepth == 2)
    bitsPerPixel = 4;  // widened after the last pass
  else
    failWith(png, "Unsupported PNG pixel layout");

  if (!picture.allocate(width, height, bitsPerPixel, withAlpha || paletteAlpha))
    failWith(png, picture.lastError.c_str());
  size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes > size_t(withAlpha ? width * 4 : picture.rowBytes()))
    failWith(png, "Unexpected PNG row size");
  if (bitsPerPixel <= 8)
    fillPalette(png, info, picture, colorType, fileBitDepth, scratch.paletteAlpha);

  if (withAlpha) scratch.row.resize(size_t(width) * 4);
  // Rows are read into place, so that the passes of an interlaced file
  // merge with what the earlier passes left.
  for (int pass = 0; pass < passes; ++pass) {
    bool lastPass = pass == passes - 1;
    for (int k = 0; k < height; ++k) {
      if (escape) failWith(png, "Decoding abandoned");
      int y = height - 1 - k;
      uint8_t* imageRow = picture.row(y);
      if (!withAlpha) {
        png_read_row(png, imageRow, nullptr);
        if (pixelDepth == 2 && lastPass) widenTwoBitRow(imageRow, width, scratch.row);
      } else {
        uint8_t* alphaRow = &picture.alphaPlane[size_t(y) * size_t(width)];
        if (pass > 0) joinAlpha(imageRow, alphaRow, scratch.row.data(), width);
        png_read_row(png, scratch.row.data(), nullptr);
        splitAlpha(scratch.row.data(), imageRow, alphaRow, width);
      }
    }
  }
  if (paletteAlpha) fillPaletteAlpha(picture, scratch.paletteAlpha);
  return true;
}

}  // namespace

bool decodePng(ImageStream& stream, RasterImage& picture, const volatile int& escape) {
  ReadContext context{&stream, {0}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, pngError, nullptr);
  if (!png) {
    picture.lastError = "Failed to create PNG structure";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    picture.lastError = "Failed to initialize PNG info structure";
    return false;
  }
  Scratch scratch;
  bool decoded = readPicture(png, info, picture, escape, context, scratch);
  png_destroy_read_struct(&png, &info, nullptr);
  return decoded;
}
