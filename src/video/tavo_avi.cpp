#include "video/tavo_avi.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/message_box.h"
#include "platform/paths.h"
#include "sound/fsound.h"

namespace {

// Frames larger than this a side could not become a texture anyway; refusing
// them keeps the texture size arithmetic of the owner in range.
constexpr int maxFrameSide = 16384;

int clampToInt(int64_t value) {
  return int(std::clamp<int64_t>(value, 0, INT32_MAX - 1));
}

int rowStride(int width) {
  return (width * 3 + 3) & ~3;
}

}  // namespace

TavoAvi::TavoAvi(std::string path, int playMode)
    : OpenGLVideo(path, playMode), fileName(std::move(path)) {
  soundStream = FSOUND_Stream_Open(fileName.c_str(), FSOUND_NORMAL, 0, 0);
  if (!openVideoStream()) {
    showMessageBox("Failed To Open The AVI Stream", "Error");
    closeDecoding();
    frameCount = 0;
    lengthSeconds = 0;
    frameWidth = frameHeight = 0;
    // Without a video stream the owner would restart the sound on every
    // draw (the clip's length is 0), so such a clip stays silent.
    if (soundStream) {
      FSOUND_Stream_Close(soundStream);
      soundStream = nullptr;
    }
    return;
  }
  if (!openDecoder()) {
    showMessageBox("Failed To Open The AVI Frame (No decompressor found)", "Error");
    closeDecoding();
    frameCount = 0;  // the frame size and the length stay as the stream gives them
  }
}

TavoAvi::~TavoAvi() {
  closeDecoding();
  if (soundStream) {
    FSOUND_Stream_Stop(soundStream);
    FSOUND_Stream_Close(soundStream);
  }
}

bool TavoAvi::openVideoStream() {
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
  frameWidth = stream->codecpar->width;
  frameHeight = stream->codecpar->height;
  if (frameWidth <= 0 || frameHeight <= 0 || frameWidth > maxFrameSide ||
      frameHeight > maxFrameSide) {
    frameWidth = frameHeight = 0;
    return false;
  }
  firstTimestamp = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;

  // The stream header's length counts every chunk, empty ones included.
  int64_t length = stream->nb_frames > 0 ? stream->nb_frames : stream->duration;
  if (length <= 0) {
    int entries = avformat_index_get_entries_count(stream);
    const AVIndexEntry* last =
        entries > 0 ? avformat_index_get_entry(const_cast<AVStream*>(stream), entries - 1)
                    : nullptr;
    length = last ? last->timestamp - firstTimestamp + 1 : 0;
  }
  frameCount = clampToInt(length);
  // One chunk of an AVI video stream lasts one tick of its time base.
  AVRational tick = stream->time_base;
  int64_t milliseconds =
      tick.den > 0 ? av_rescale(frameCount, int64_t(1000) * tick.num, tick.den) : 0;
  lengthSeconds = float(double(milliseconds) * 0.001);
  return true;
}

bool TavoAvi::openDecoder() {
  AVStream* stream = container->streams[streamIndex];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return false;
  decoder = avcodec_alloc_context3(codec);
  if (!decoder || avcodec_parameters_to_context(decoder, stream->codecpar) < 0) return false;
  decoder->thread_count = 0;  // as many threads as there are cores
  decoder->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder, codec, nullptr) < 0) return false;
  packet = av_packet_alloc();
  held = av_frame_alloc();
  ahead = av_frame_alloc();
  if (!packet || !held || !ahead) return false;
  framePixels.assign(size_t(rowStride(frameWidth)) * frameHeight, 0);
  convertedIndex = -1;
  forgetPictures();
  nextIndex = 0;
  endOfStream = sentEndOfFile = false;
  return true;
}

void TavoAvi::closeDecoding() {
  sws_freeContext(converter);
  converter = nullptr;
  av_frame_free(&held);
  av_frame_free(&ahead);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&container);
  heldIndex = aheadIndex = -1;
}

void TavoAvi::forgetPictures() {
  if (held) av_frame_unref(held);
  if (ahead) av_frame_unref(ahead);
  heldIndex = aheadIndex = -1;
}

int TavoAvi::indexOf(const AVFrame* picture) const {
  int64_t timestamp = picture->best_effort_timestamp;
  if (timestamp == AV_NOPTS_VALUE) timestamp = picture->pts;
  if (timestamp == AV_NOPTS_VALUE) return nextIndex;
  return clampToInt(timestamp - firstTimestamp);
}

int TavoAvi::keyFrameAtOrBefore(int frame) const {
  AVStream* stream = container->streams[streamIndex];
  int entry = av_index_search_timestamp(stream, firstTimestamp + frame, AVSEEK_FLAG_BACKWARD);
  if (entry < 0) return 0;
  const AVIndexEntry* found = avformat_index_get_entry(stream, entry);
  return found ? clampToInt(found->timestamp - firstTimestamp) : 0;
}

bool TavoAvi::decodeNextPicture(AVFrame* picture, int* index) {
  int failures = 0;
  while (!endOfStream) {
    int result = avcodec_receive_frame(decoder, picture);
    if (result == 0) {
      *index = indexOf(picture);
      nextIndex = *index + 1;
      ++picturesDecoded;
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

bool TavoAvi::reopenAtStart() {
  closeDecoding();
  if (!openVideoStream() || !openDecoder()) {
    closeDecoding();
    frameCount = 0;
    return false;
  }
  return true;
}

bool TavoAvi::seekTo(int keyFrame) {
  ++seeks;
  if (av_seek_frame(container, streamIndex, firstTimestamp + keyFrame, AVSEEK_FLAG_BACKWARD) < 0)
    return reopenAtStart();
  avcodec_flush_buffers(decoder);
  forgetPictures();
  nextIndex = keyFrame;
  endOfStream = sentEndOfFile = false;
  return true;
}

bool TavoAvi::findPicture(int frame) {
  auto heldIsTheOne = [&] {
    return heldIndex >= 0 && heldIndex <= frame &&
           (heldIndex == frame || aheadIndex > frame || endOfStream);
  };
  if (heldIsTheOne()) return true;

  int next = aheadIndex >= 0 ? aheadIndex : nextIndex;
  bool backwards = heldIndex >= 0 ? frame < heldIndex : frame < next;
  int keyFrame = keyFrameAtOrBefore(frame);
  // Going back needs a key frame; going forward past a key frame skips the
  // pictures before it. Showing the next frame never seeks.
  if (backwards || keyFrame > next) {
    if (!seekTo(keyFrame)) return false;
  }

  if (aheadIndex >= 0 && aheadIndex <= frame) {
    std::swap(held, ahead);
    heldIndex = aheadIndex;
    av_frame_unref(ahead);
    aheadIndex = -1;
  }
  while (heldIndex != frame && aheadIndex < 0) {
    int index = 0;
    if (!decodeNextPicture(ahead, &index)) break;
    if (index <= frame) {
      std::swap(held, ahead);
      heldIndex = index;
      av_frame_unref(ahead);
    } else {
      aheadIndex = index;
    }
  }
  // Nothing at or before the frame (a stream whose first picture comes
  // late): show the earliest picture there is.
  if (heldIndex < 0 && aheadIndex >= 0) {
    std::swap(held, ahead);
    heldIndex = aheadIndex;
    aheadIndex = -1;
  }
  return heldIndex >= 0;
}

bool TavoAvi::convertHeldPicture() {
  if (convertedIndex == heldIndex) return true;
  if (held->width <= 0 || held->height <= 0 || held->format < 0) return false;
  converter = sws_getCachedContext(converter, held->width, held->height,
                                   AVPixelFormat(held->format), frameWidth, frameHeight,
                                   AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!converter) return false;
  // The picture's top row goes last: rows are stored bottom-up.
  const int stride = rowStride(frameWidth);
  uint8_t* rows[4] = {framePixels.data() + size_t(frameHeight - 1) * stride, nullptr, nullptr,
                      nullptr};
  int strides[4] = {-stride, 0, 0, 0};
  sws_scale(converter, held->data, held->linesize, 0, held->height, rows, strides);
  convertedIndex = heldIndex;
  return true;
}

void TavoAvi::showFrame(int frame) {
  currentFrame = frame;
  if (!decoder || frame < 0 || frame >= frameCount) return;
  if (!findPicture(frame) || !convertHeldPicture()) return;
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows are padded to 4 bytes
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frameWidth, frameHeight, GL_BGR, GL_UNSIGNED_BYTE,
                  framePixels.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  ++uploads;
}

void TavoAvi::startSound() {
  if (!soundStream) return;
  FSOUND_Stream_SetTime(soundStream, 0);
  FSOUND_Stream_Play(-1, soundStream);
}

void TavoAvi::stopSound() {
  if (soundStream) FSOUND_Stream_Stop(soundStream);
}
