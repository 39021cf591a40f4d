#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// One decoded picture as texels for GL: width x height texels of 4 bytes,
// blue, green, red, alpha (GL_BGRA with GL_UNSIGNED_INT_8_8_8_8_REV) or
// red, green, blue, alpha (GL_RGBA with GL_UNSIGNED_BYTE), bottom row
// first; the rows need no unpack alignment.
struct ClipPicture {
  explicit ClipPicture(size_t bytes) : texels(new uint8_t[bytes]) {}
  std::unique_ptr<uint8_t[]> texels;
  int index = -1;          // the frame (stream chunk) the picture belongs to
  bool converted = false;  // texels hold the picture
};

// The first video stream of an AVI file through FFmpeg, decoded one picture
// after the other. Frame n is the n-th chunk of the stream; pictures carry
// the frame number of their chunk. Decoding and conversion each belong to
// one thread at a time, which may be two different ones; the properties
// read at opening are fixed.
class ClipDecoder {
 public:
  enum class Opened { Yes, NoStream, NoDecoder };

  ClipDecoder() = default;
  ~ClipDecoder();
  ClipDecoder(const ClipDecoder&) = delete;
  ClipDecoder& operator=(const ClipDecoder&) = delete;

  // Reads the stream's properties, then opens its decoder. Frames larger
  // than largestSide a side are scaled down to fit, keeping their shape.
  Opened open(const std::string& path, int largestSide);
  void close();
  bool isOpen() const { return decoder != nullptr; }

  // Decodes the next picture into frame, an AVFrame of the caller's whose
  // earlier content is let go, and tells its frame number; false at the end
  // of the stream.
  bool decode(AVFrame* frame, int* index);
  // Converts a decoded picture into texels, in the order convertToRgba asked.
  bool convert(const AVFrame* picture, ClipPicture& into);
  // Both on the calling thread: the next picture, converted.
  bool next(ClipPicture& picture);
  // Goes to a key frame: the next picture is the one there. False when the
  // clip could be neither sought nor opened again (it is then closed).
  bool seekTo(int keyFrame);
  int keyFrameAtOrBefore(int frame) const;
  size_t pictureBytes() const { return size_t(width) * size_t(height) * 4; }
  // Texels in red, green, blue, alpha order rather than blue first; for
  // pictures converted from then on.
  void convertToRgba(bool rgba) { rgbaOrder = rgba; }

  // Properties, fixed once open has read them.
  int sourceWidth = 0, sourceHeight = 0;  // as the stream stores its pictures
  int width = 0, height = 0;              // as the pictures are converted
  int frameCount = 0;
  float lengthSeconds = 0;

 private:
  bool openStream();
  bool openDecoder();
  void closeStream();
  void readProperties(int largestSide);
  bool reopenAtStart();
  int indexOf(const AVFrame* picture) const;

  std::string fileName;
  AVFormatContext* container = nullptr;
  int streamIndex = -1;
  int64_t firstTimestamp = 0;  // timestamp of frame 0 in stream ticks
  std::vector<int> keyFrames;  // ascending, from the file's index
  AVCodecContext* decoder = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* decoded = nullptr;
  SwsContext* converter = nullptr;
  // What the converter was made for: picture size, format, matrix and range.
  int converterWidth = 0, converterHeight = 0, converterFormat = -1, colourSettings = -1;
  bool converterRgba = false;
  bool rgbaOrder = false;
  int nextIndex = 0;  // no picture before this one can come out of the decoder
  bool endOfStream = false;
  bool sentEndOfFile = false;
};
