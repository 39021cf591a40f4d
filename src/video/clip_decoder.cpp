#include "video/clip_decoder.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "platform/paths.h"

namespace {

// Every slide's thumbnail may hold a clip for the whole run: each decoder
// gets a couple of threads, not one per core.
constexpr int decoderThreads = 2;

int clampToInt(int64_t value) {
  return int(std::clamp<int64_t>(value, 0, INT32_MAX - 1));
}

// The matrix the picture's colours were made with; a stream that does not
// say is taken as BT.709 when it is HD, BT.601 otherwise.
int matrixOf(const AVFrame* picture) {
  switch (picture->colorspace) {
    case AVCOL_SPC_BT709:
      return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
      return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
      return SWS_CS_ITU601;
    default:
      return picture->width >= 1280 || picture->height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  }
}

// The JPEG formats are the plain ones at full range; the converter wants
// the plain one with the range given apart.
AVPixelFormat plainFormatOf(int format, bool* fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      return *fullRange = true, AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      return *fullRange = true, AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      return *fullRange = true, AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      return *fullRange = true, AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      return *fullRange = true, AV_PIX_FMT_YUV411P;
    default:
      return AVPixelFormat(format);
  }
}

}  // namespace

ClipDecoder::~ClipDecoder() {
  close();
}

ClipDecoder::Opened ClipDecoder::open(const std::string& path, int largestSide) {
  close();
  fileName = path;
  if (!openStream()) {
    close();
    return Opened::NoStream;
  }
  readProperties(largestSide);
  if (!openDecoder()) {
    close();
    return Opened::NoDecoder;
  }
  return Opened::Yes;
}

bool ClipDecoder::openStream() {
  // The AVI reader only: another kind of file is not a clip, whatever its name.
  const AVInputFormat* avi = av_find_input_format("avi");
  if (!avi) return false;
  if (avformat_open_input(&container, nativePath(fileName).c_str(), avi, nullptr) < 0) {
    container = nullptr;
    return false;
  }
  streamIndex = -1;
  for (unsigned i = 0; i < container->nb_streams; ++i) {
    AVStream* stream = container->streams[i];
    if (streamIndex < 0 && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      streamIndex = int(i);
    else
      stream->discard = AVDISCARD_ALL;  // the sound layer reads the sound track itself
  }
  if (streamIndex < 0) return false;
  const AVStream* stream = container->streams[streamIndex];
  firstTimestamp = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
  return stream->codecpar->width > 0 && stream->codecpar->height > 0;
}

void ClipDecoder::readProperties(int largestSide) {
  AVStream* stream = container->streams[streamIndex];
  width = sourceWidth = stream->codecpar->width;
  height = sourceHeight = stream->codecpar->height;
  if (width > largestSide || height > largestSide) {
    // The larger side becomes largestSide; the other keeps the shape.
    const int64_t larger = std::max(width, height);
    width = int(std::max<int64_t>(1, int64_t(width) * largestSide / larger));
    height = int(std::max<int64_t>(1, int64_t(height) * largestSide / larger));
  }

  keyFrames.clear();
  const int entries = avformat_index_get_entries_count(stream);
  for (int i = 0; i < entries; ++i) {
    const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
    if (entry && (entry->flags & AVINDEX_KEYFRAME))
      keyFrames.push_back(clampToInt(entry->timestamp - firstTimestamp));
  }
  std::sort(keyFrames.begin(), keyFrames.end());

  // The stream header's length counts every chunk, empty ones included.
  int64_t length = stream->nb_frames > 0 ? stream->nb_frames : stream->duration;
  if (length <= 0) {
    const AVIndexEntry* last =
        entries > 0 ? avformat_index_get_entry(stream, entries - 1) : nullptr;
    length = last ? last->timestamp - firstTimestamp + 1 : 0;
  }
  frameCount = clampToInt(length);
  // One chunk of an AVI video stream lasts one tick of its time base.
  AVRational tick = stream->time_base;
  int64_t milliseconds =
      tick.den > 0 ? av_rescale(frameCount, int64_t(1000) * tick.num, tick.den) : 0;
  lengthSeconds = float(double(milliseconds) * 0.001);
}

bool ClipDecoder::openDecoder() {
  AVStream* stream = container->streams[streamIndex];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return false;
  decoder = avcodec_alloc_context3(codec);
  if (!decoder || avcodec_parameters_to_context(decoder, stream->codecpar) < 0) return false;
  decoder->thread_count = decoderThreads;
  decoder->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder, codec, nullptr) < 0) return false;
  packet = av_packet_alloc();
  decoded = av_frame_alloc();
  if (!packet || !decoded) return false;
  nextIndex = 0;
  endOfStream = sentEndOfFile = false;
  return true;
}

void ClipDecoder::close() {
  closeStream();
  sws_freeContext(converter);
  converter = nullptr;
  colourSettings = -1;
}

void ClipDecoder::closeStream() {
  av_frame_free(&decoded);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&container);
}

int ClipDecoder::indexOf(const AVFrame* picture) const {
  int64_t timestamp = picture->best_effort_timestamp;
  if (timestamp == AV_NOPTS_VALUE) timestamp = picture->pts;
  if (timestamp == AV_NOPTS_VALUE) return nextIndex;
  return clampToInt(timestamp - firstTimestamp);
}

int ClipDecoder::keyFrameAtOrBefore(int frame) const {
  auto after = std::upper_bound(keyFrames.begin(), keyFrames.end(), frame);
  return after == keyFrames.begin() ? 0 : *(after - 1);
}

bool ClipDecoder::decode(AVFrame* frame, int* index) {
  av_frame_unref(frame);
  int failures = 0;
  while (decoder && !endOfStream) {
    int result = avcodec_receive_frame(decoder, frame);
    if (result == 0) {
      *index = indexOf(frame);
      nextIndex = *index + 1;
      return true;
    }
    if (result == AVERROR_EOF || sentEndOfFile || ++failures > 1000) {
      endOfStream = true;
      break;
    }
    if (result != AVERROR(EAGAIN)) continue;  // a damaged picture: go on with the next

    if (av_read_frame(container, packet) < 0) {
      avcodec_send_packet(decoder, nullptr);  // drain what the decoder still holds
      sentEndOfFile = true;
      continue;
    }
    // An empty packet would tell the decoder to drain, so it is never passed on.
    if (packet->stream_index == streamIndex && packet->size > 0)
      avcodec_send_packet(decoder, packet);  // a rejected packet only loses its picture
    av_packet_unref(packet);
  }
  return false;
}

bool ClipDecoder::next(ClipPicture& picture) {
  if (!decoded || !decode(decoded, &picture.index)) return false;
  picture.converted = convert(decoded, picture);
  av_frame_unref(decoded);
  return true;
}

bool ClipDecoder::reopenAtStart() {
  // The converter stays: it may be converting an earlier picture meanwhile.
  closeStream();
  if (!openStream() || !openDecoder()) {
    closeStream();
    return false;
  }
  return true;
}

bool ClipDecoder::seekTo(int keyFrame) {
  if (!decoder) return false;
  if (av_seek_frame(container, streamIndex, firstTimestamp + keyFrame, AVSEEK_FLAG_BACKWARD) < 0)
    return reopenAtStart();
  avcodec_flush_buffers(decoder);
  nextIndex = keyFrame;
  endOfStream = sentEndOfFile = false;
  return true;
}

bool ClipDecoder::convert(const AVFrame* picture, ClipPicture& into) {
  if (picture->width <= 0 || picture->height <= 0 || picture->format < 0) return false;
  // A new converter for pictures of another size or format; its colour
  // settings come with it.
  bool fullRange = picture->color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat format = plainFormatOf(picture->format, &fullRange);
  const int settings = matrixOf(picture) * 2 + int(fullRange);
  if (!converter || picture->width != converterWidth || picture->height != converterHeight ||
      picture->format != converterFormat || settings != colourSettings ||
      rgbaOrder != converterRgba) {
    sws_freeContext(converter);
    converter = sws_getContext(picture->width, picture->height, format, width, height,
                               rgbaOrder ? AV_PIX_FMT_RGBA : AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                               nullptr, nullptr);
    if (!converter) return false;
    converterWidth = picture->width;
    converterHeight = picture->height;
    converterFormat = picture->format;
    converterRgba = rgbaOrder;
    colourSettings = settings;
    const AVPixFmtDescriptor* layout = av_pix_fmt_desc_get(format);
    // Full-range output: texels span 0 to 255 whatever the stream's range.
    if (layout && !(layout->flags & AV_PIX_FMT_FLAG_RGB))
      sws_setColorspaceDetails(converter, sws_getCoefficients(settings / 2), fullRange,
                               sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
  }
  // The picture's top row goes last: rows are stored bottom-up.
  const int stride = width * 4;
  uint8_t* rows[4] = {into.texels.get() + size_t(height - 1) * size_t(stride), nullptr, nullptr,
                      nullptr};
  int strides[4] = {-stride, 0, 0, 0};
  return sws_scale(converter, picture->data, picture->linesize, 0, picture->height, rows, strides) >
         0;
}
