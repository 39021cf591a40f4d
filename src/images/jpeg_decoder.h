#pragma once

class ImageStream;
class RasterImage;

// Decodes a JPEG file from the stream's position into picture, a fresh
// image, reading its EXIF data first. False with picture.lastError set.
// escape is polled before each row; when set the decoding fails.
bool decodeJpeg(ImageStream& stream, RasterImage& picture, const volatile int& escape);

// As decodeJpeg, but through libjpeg's DCT scaling the picture comes out at
// the smallest scale n/8 (n = 1..8) whose size is at least what
// targetSize makes of the picture's own size; fullWidth and fullHeight
// receive that own size.
bool decodeJpegReduced(ImageStream& stream, RasterImage& picture, const volatile int& escape,
                       void (*targetSize)(int& width, int& height), int& fullWidth,
                       int& fullHeight);
