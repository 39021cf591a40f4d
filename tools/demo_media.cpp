#include "demo_media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace demo {

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v)), out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xffff), put16(out, v >> 16);
}
void putTag(std::vector<uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

// Everything the AVI writer opens, released in one place on every path.
struct AviWriter {
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  bool opened = false;

  ~AviWriter() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (format && opened) avio_closep(&format->pb);
    avformat_free_context(format);
  }

  // Sends one frame (or null to flush) and writes the packets that come out.
  bool encode(AVCodecContext* codec, AVStream* stream, const AVFrame* input) {
    if (avcodec_send_frame(codec, input) < 0) return false;
    for (;;) {
      int result = avcodec_receive_packet(codec, packet);
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
      if (result < 0) return false;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (av_interleaved_write_frame(format, packet) < 0) return false;
    }
  }
};

// Full-range BT.601, as JPEG stores it; chroma averaged over 2 x 2 pixels.
void fillYuv(AVFrame* frame, const art::Canvas& picture) {
  std::vector<uint8_t> rgb = picture.rgb8();
  int width = picture.width(), height = picture.height();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
      frame->data[0][y * frame->linesize[0] + x] =
          uint8_t(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]));
    }
  for (int y = 0; y < height / 2; ++y)
    for (int x = 0; x < width / 2; ++x) {
      double r = 0, g = 0, b = 0;
      for (int k = 0; k < 4; ++k) {
        const uint8_t* p = &rgb[(size_t(y * 2 + k / 2) * width + x * 2 + k % 2) * 3];
        r += p[0] / 4.0, g += p[1] / 4.0, b += p[2] / 4.0;
      }
      auto byte = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
      frame->data[1][y * frame->linesize[1] + x] =
          byte(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
      frame->data[2][y * frame->linesize[2] + x] =
          byte(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
    }
}

}  // namespace

bool writeWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate) {
  std::vector<uint8_t> out;
  uint32_t dataBytes = uint32_t(samples.size() * 2);
  putTag(out, "RIFF");
  put32(out, 36 + dataBytes);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, uint32_t(sampleRate));
  put32(out, uint32_t(sampleRate) * 2);
  put16(out, 2);
  put16(out, 16);
  putTag(out, "data");
  put32(out, dataBytes);
  for (int16_t s : samples) put16(out, uint16_t(s));
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && written;
}

bool writeAvi(const std::string& path, int width, int height, int framesPerSecond, int frameCount,
              const std::function<art::Canvas(int frame)>& drawFrame,
              const std::vector<int16_t>& samples, int sampleRate) {
  av_log_set_level(AV_LOG_ERROR);
  AviWriter w;
  if (avformat_alloc_output_context2(&w.format, nullptr, "avi", path.c_str()) < 0) return false;

  const AVCodec* mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  const AVCodec* pcm = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
  if (!mjpeg || !pcm) return false;

  w.videoStream = avformat_new_stream(w.format, nullptr);
  w.video = avcodec_alloc_context3(mjpeg);
  if (!w.videoStream || !w.video) return false;
  w.video->width = width;
  w.video->height = height;
  w.video->time_base = AVRational{1, framesPerSecond};
  w.video->framerate = AVRational{framesPerSecond, 1};
  w.video->pix_fmt = AV_PIX_FMT_YUVJ420P;
  w.video->flags |= AV_CODEC_FLAG_QSCALE;
  w.video->global_quality = FF_QP2LAMBDA * 2;
  if (avcodec_open2(w.video, mjpeg, nullptr) < 0) return false;
  avcodec_parameters_from_context(w.videoStream->codecpar, w.video);
  w.videoStream->time_base = w.video->time_base;

  w.audioStream = avformat_new_stream(w.format, nullptr);
  w.audio = avcodec_alloc_context3(pcm);
  if (!w.audioStream || !w.audio) return false;
  w.audio->sample_fmt = AV_SAMPLE_FMT_S16;
  w.audio->sample_rate = sampleRate;
  av_channel_layout_default(&w.audio->ch_layout, 1);
  w.audio->time_base = AVRational{1, sampleRate};
  if (avcodec_open2(w.audio, pcm, nullptr) < 0) return false;
  avcodec_parameters_from_context(w.audioStream->codecpar, w.audio);
  w.audioStream->time_base = w.audio->time_base;

  if (avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
  w.opened = true;
  if (avformat_write_header(w.format, nullptr) < 0) return false;

  w.frame = av_frame_alloc();
  w.packet = av_packet_alloc();
  if (!w.frame || !w.packet) return false;
  for (int i = 0; i < frameCount; ++i) {
    av_frame_unref(w.frame);
    w.frame->format = w.video->pix_fmt;
    w.frame->width = width;
    w.frame->height = height;
    if (av_frame_get_buffer(w.frame, 0) < 0) return false;
    fillYuv(w.frame, drawFrame(i));
    w.frame->pts = i;
    w.frame->quality = w.video->global_quality;
    if (!w.encode(w.video, w.videoStream, w.frame)) return false;

    // The sound that plays during this frame, so the file interleaves evenly.
    size_t first = size_t(int64_t(i) * sampleRate / framesPerSecond);
    size_t last = std::min(samples.size(), size_t(int64_t(i + 1) * sampleRate / framesPerSecond));
    if (i + 1 == frameCount) last = samples.size();
    if (last <= first) continue;
    av_frame_unref(w.frame);
    w.frame->format = AV_SAMPLE_FMT_S16;
    w.frame->sample_rate = sampleRate;
    av_channel_layout_default(&w.frame->ch_layout, 1);
    w.frame->nb_samples = int(last - first);
    if (av_frame_get_buffer(w.frame, 0) < 0) return false;
    std::copy(samples.begin() + long(first), samples.begin() + long(last),
              reinterpret_cast<int16_t*>(w.frame->data[0]));
    w.frame->pts = int64_t(first);
    if (!w.encode(w.audio, w.audioStream, w.frame)) return false;
  }
  if (!w.encode(w.video, w.videoStream, nullptr) || !w.encode(w.audio, w.audioStream, nullptr))
    return false;
  return av_write_trailer(w.format) == 0;
}

}  // namespace demo
