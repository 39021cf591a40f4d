#include "sound/sound_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace {
constexpr int lowestInputRate = 1000;
constexpr int highestInputRate = 768000;
// Unreadable stretches of a file in a row before it counts as ended.
constexpr int maxDamagedReads = 1000;
}  // namespace

SoundDecoder::~SoundDecoder() {
  close();
}

int SoundDecoder::interruptCallback(void* self) {
  return static_cast<SoundDecoder*>(self)->interrupted ? 1 : 0;
}

void SoundDecoder::close() {
  swr_free(&resampler);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  av_packet_free(&packet);
  av_frame_free(&frame);
  streamIndex = -1;
  draining = false;
  damagedReads = 0;
  skipping = false;
  resamplerInputRate = 0;
  resamplerInputFormat = -1;
  resamplerInputChannels = 0;
}

bool SoundDecoder::open(const std::string& filePath, int rate) {
  close();
  path = filePath;
  outputRate = rate;

  format = avformat_alloc_context();
  if (!format) return false;
  format->interrupt_callback.callback = &SoundDecoder::interruptCallback;
  format->interrupt_callback.opaque = this;
  // avformat_open_input frees the context itself when it fails.
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(format, nullptr) < 0) return close(), false;

  const AVCodec* decoder = nullptr;
  streamIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (streamIndex < 0 || !decoder) return close(), false;
  // The demuxer need not hand over the pictures of a video file.
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (int(i) != streamIndex) format->streams[i]->discard = AVDISCARD_ALL;

  codec = avcodec_alloc_context3(decoder);
  packet = av_packet_alloc();
  frame = av_frame_alloc();
  if (!codec || !packet || !frame) return close(), false;
  if (avcodec_parameters_to_context(codec, format->streams[streamIndex]->codecpar) < 0 ||
      avcodec_open2(codec, decoder, nullptr) < 0)
    return close(), false;
  return true;
}

bool SoundDecoder::configureResampler(const AVFrame* decoded) {
  int channels = decoded->ch_layout.nb_channels;
  if (resampler && decoded->sample_rate == resamplerInputRate &&
      decoded->format == resamplerInputFormat && channels == resamplerInputChannels)
    return true;
  swr_free(&resampler);
  // A damaged header can claim any rate; resampling 1 Hz to 44100 Hz would
  // ask for gigabytes.
  if (channels <= 0 || decoded->sample_rate < lowestInputRate ||
      decoded->sample_rate > highestInputRate)
    return false;

  AVChannelLayout input{};  // zeroed: av_channel_layout_copy frees what it overwrites
  if (decoded->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&input, channels);
  else if (av_channel_layout_copy(&input, &decoded->ch_layout) < 0)
    return false;
  // Mono stays mono here (a copy, no gain change) and is doubled on output.
  AVChannelLayout output{};
  av_channel_layout_default(&output, channels == 1 ? 1 : 2);

  int result =
      swr_alloc_set_opts2(&resampler, &output, AV_SAMPLE_FMT_S16, outputRate, &input,
                          AVSampleFormat(decoded->format), decoded->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&input);
  if (result < 0 || swr_init(resampler) < 0) {
    swr_free(&resampler);
    return false;
  }
  resamplerInputRate = decoded->sample_rate;
  resamplerInputFormat = decoded->format;
  resamplerInputChannels = channels;
  resampledChannels = output.nb_channels;
  return true;
}

void SoundDecoder::appendConverted(std::vector<int16_t>& stereo, int frames, int dropFrames) {
  dropFrames = std::clamp(dropFrames, 0, std::max(frames, 0));
  size_t start = stereo.size();
  stereo.resize(start + size_t(frames - dropFrames) * 2);
  int16_t* to = stereo.data() + start;
  for (int i = dropFrames; i < frames; ++i, to += 2) {
    if (resampledChannels == 1) {
      to[0] = to[1] = converted[i];
    } else {
      to[0] = converted[size_t(i) * 2];
      to[1] = converted[size_t(i) * 2 + 1];
    }
  }
}

void SoundDecoder::appendFrame(std::vector<int16_t>& stereo) {
  if (frame->nb_samples <= 0 || !configureResampler(frame)) return;

  // Right after a seek the decoder may start before the wanted time.
  int dropInput = 0;
  if (skipping) {
    int64_t start = frame->best_effort_timestamp;
    skipping = false;
    if (start != AV_NOPTS_VALUE && start < skipUntil) {
      AVRational timeBase = format->streams[streamIndex]->time_base;
      int64_t behind = av_rescale_q(skipUntil - start, timeBase, AVRational{1, frame->sample_rate});
      if (behind >= frame->nb_samples) {
        skipping = true;  // the whole frame is early
        return;
      }
      dropInput = int(behind);
    }
  }

  int capacity = swr_get_out_samples(resampler, frame->nb_samples);
  if (capacity <= 0) return;
  converted.resize(size_t(capacity) * resampledChannels);
  uint8_t* out = reinterpret_cast<uint8_t*>(converted.data());
  int frames = swr_convert(resampler, &out, capacity,
                           const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (frames <= 0) return;
  int dropOutput = int(av_rescale(dropInput, outputRate, frame->sample_rate));
  appendConverted(stereo, frames, dropOutput);
}

void SoundDecoder::flushResampler(std::vector<int16_t>& stereo) {
  if (!resampler) return;
  int capacity = swr_get_out_samples(resampler, 0);
  if (capacity <= 0) return;
  converted.resize(size_t(capacity) * resampledChannels);
  uint8_t* out = reinterpret_cast<uint8_t*>(converted.data());
  int frames = swr_convert(resampler, &out, capacity, nullptr, 0);
  if (frames > 0) appendConverted(stereo, frames, 0);
}

bool SoundDecoder::decodeMore(std::vector<int16_t>& stereo) {
  if (!codec) return false;
  size_t before = stereo.size();
  while (!interrupted) {
    int received = avcodec_receive_frame(codec, frame);
    if (received == 0) {
      appendFrame(stereo);
      av_frame_unref(frame);
      if (stereo.size() > before) return true;
      continue;
    }
    // A damaged packet is skipped (the decoder says so here or when it is
    // sent); the next one may decode.
    if (received != AVERROR(EAGAIN) && received != AVERROR_INVALIDDATA) break;  // the end
    if (draining) break;

    int read = av_read_frame(format, packet);
    if (read == AVERROR_INVALIDDATA && ++damagedReads < maxDamagedReads) continue;
    if (read < 0) {
      // End of file (or unreadable from here on): collect what is buffered.
      avcodec_send_packet(codec, nullptr);
      draining = true;
      continue;
    }
    damagedReads = 0;
    if (packet->stream_index == streamIndex) avcodec_send_packet(codec, packet);
    av_packet_unref(packet);
  }
  flushResampler(stereo);
  return false;
}

bool SoundDecoder::seek(int milliseconds) {
  if (!codec) return false;
  milliseconds = std::max(milliseconds, 0);
  AVStream* stream = format->streams[streamIndex];
  int64_t target = av_rescale_q(milliseconds, AVRational{1, 1000}, stream->time_base);
  if (stream->start_time != AV_NOPTS_VALUE) target += stream->start_time;

  if (av_seek_frame(format, streamIndex, target, AVSEEK_FLAG_BACKWARD) >= 0) {
    avcodec_flush_buffers(codec);
    swr_free(&resampler);  // drop the resampler's tail of the old position
    resamplerInputRate = 0;
    draining = false;
  } else {
    if (interrupted || !open(path, outputRate)) return false;
    stream = format->streams[streamIndex];
    target = av_rescale_q(milliseconds, AVRational{1, 1000}, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE) target += stream->start_time;
  }
  skipUntil = target;
  skipping = milliseconds > 0 || stream->start_time != AV_NOPTS_VALUE;
  return true;
}
