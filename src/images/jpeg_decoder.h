#pragma once

class ImageStream;
class RasterImage;

// Decodes a JPEG file from the stream's position into picture, a fresh
// image, reading its EXIF data first. False with picture.lastError set.
// escape is polled before each row; when set the decoding fails.
bool decodeJpeg(ImageStream& stream, RasterImage& picture, const volatile int& escape);
