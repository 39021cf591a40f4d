#pragma once
// The libjpeg set-up the picture decoders share: an error manager that
// jumps back instead of exiting, a source over an ImageStream that ends
// with a fake end-of-image instead of waiting for data, and a progress
// monitor that stops endless scans.

// libjpeg's headers need size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>

class ImageStream;

// Errors end the decoding through longjmp to jump; the frames in between
// are libjpeg's and the callbacks here, which own nothing. Warnings are
// counted, never printed; the one that tells of entropy data cut short by a
// marker is remembered.
struct JpegErrorManager {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool hitEndOfData;
};

struct JpegStreamSource {
  static constexpr size_t bufferSize = 4096;
  jpeg_source_mgr manager;
  ImageStream* stream;
  bool startOfFile;
  bool exhausted;  // the stream ran dry and a fake end-of-image was handed out
  JOCTET buffer[bufferSize];
};

struct JpegProgressMonitor {
  jpeg_progress_mgr manager;
  JpegErrorManager* errors;
  const volatile int* escape;  // set by another party to abandon the decoding
};

// Before jpeg_create_decompress: errors becomes the decompressor's.
void useJpegErrorManager(jpeg_decompress_struct& cinfo, JpegErrorManager& errors);
// After it: the decompressor reads from stream through source, and polls
// monitor (which fails on escape or too many scans).
void attachJpegSource(jpeg_decompress_struct& cinfo, JpegStreamSource& source, ImageStream& stream);
void attachJpegProgressMonitor(jpeg_decompress_struct& cinfo, JpegProgressMonitor& monitor,
                               JpegErrorManager& errors, const volatile int& escape);

// Ends the decoding with text as its message.
[[noreturn]] void failJpeg(JpegErrorManager* errors, const char* text);

// After the last row: whether the data ran out inside the picture (libjpeg
// filled the rest with grey). If so, libjpeg's premature-end message is put
// into errors.message.
bool jpegDataCutShort(jpeg_decompress_struct& cinfo, JpegErrorManager& errors,
                      const JpegStreamSource& source);
