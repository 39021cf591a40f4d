// Thumbnails: preparing the thumbnails of 50 photographs of 4000 x 3000
// (decoded through DCT scaling, shrunk and padded, with their mipmaps)
// against 50 bare full decodes of the same files, taking turns.
#include <cstdio>

#include "images/prepared_picture.h"
#include "images/raster_image.h"
#include "photographs.h"

int main() {
  testfiles::TempDir dir;
  const std::string original = dir.file("original.jpg");
  if (!bench::writePhotograph(original, 4000, 3000, 0) ||
      !bench::writePhotographFolder(dir.path(), original, 50))
    return 1;
  double thumbnails = 0, decodes = 0;
  for (int i = 0; i < 50; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
    const std::string path = dir.path() + name;
    decodes += bench::secondsOf([&] {
      RasterImage image;
      image.load(path, ImageFormatJpeg);
    });
    thumbnails += bench::secondsOf(
        [&] { preparePicture(path, true, true, [](bool, int, int) { return true; }); });
  }
  std::printf("50 photographs of 4000 x 3000\n");
  std::printf("  full decodes:  %8.1f ms\n", decodes * 1000);
  std::printf("  thumbnails:    %8.1f ms  ratio %.3f (goal <= 0.5)\n", thumbnails * 1000,
              thumbnails / decodes);
  return 0;
}
