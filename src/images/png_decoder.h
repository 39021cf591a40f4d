#pragma once

class ImageStream;
class RasterImage;

// Decodes a PNG file from the stream's position into picture, a fresh image.
// False with picture.lastError set. escape is polled before each row; when
// set the decoding fails.
bool decodePng(ImageStream& stream, RasterImage& picture, const volatile int& escape);
