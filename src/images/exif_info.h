#pragma once
#include <cstdint>

// What the EXIF reader finds in a JPEG file's marker sections. Zero-filled
// when the image is created.
struct ExifInfo {
  char version[5];
  char make[32];
  char model[40];
  char dateTime[20];
  int height, width;
  int orientation;
  int isColor;
  int process;
  int flashUsed;
  float focalLength;
  float exposureTime;
  float fNumber;
  float subjectDistance;
  float ccdWidth;
  float exposureBias;
  int lightSource;
  int meteringMode;
  int exposureProgram;
  int isoSpeed;
  int compressedBitsPerPixel;
  float focalPlaneXRes, focalPlaneYRes;
  float focalPlaneUnit;
  float xResolution, yResolution;
  float resolutionUnit;
  float brightness;
  char comment[1000];
  const uint8_t* thumbnail;  // into the reader's kept EXIF section
  uint32_t thumbnailSize;
  bool isExif;
};
