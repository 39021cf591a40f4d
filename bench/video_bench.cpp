// Video frames: decoding a 1920 x 1080 AVI clip frame by frame into a GL
// texture through TavoAvi, against FFmpeg decoding the same frames and
// doing nothing with them, run side by side.
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "video/tavo_avi.h"

namespace {

double secondsOf(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double bestOf(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, secondsOf(work));
  return best;
}

// Every picture of the first video stream, decoded with the same threading
// as the clip uses; returns how many.
int bareDecode(const std::string& path) {
  AVFormatContext* container = nullptr;
  if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0) return 0;
  int index = av_find_best_stream(container, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVStream* stream = container->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(decoder, stream->codecpar);
  decoder->thread_count = 0;
  avcodec_open2(decoder, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int pictures = 0;
  auto receive = [&] {
    while (avcodec_receive_frame(decoder, frame) == 0) ++pictures;
  };
  while (av_read_frame(container, packet) >= 0) {
    if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
    av_packet_unref(packet);
    receive();
  }
  avcodec_send_packet(decoder, nullptr);
  receive();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&container);
  return pictures;
}

}  // namespace

int main() {
  if (!gltest::ensureWindow(64, 64)) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  testfiles::TempDir dir;
  const std::string path = dir.file("clip.avi");
  const int frames = 90;
  std::string command =
      "ffmpeg -v error -y -nostdin -f lavfi -i testsrc2=size=1920x1080:rate=30 "
      "-frames:v " +
      std::to_string(frames) + " -c:v mpeg4 -vtag XVID -q:v 3 -g 30 '" + path + "'";
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "could not make the clip with the ffmpeg command\n");
    return 1;
  }

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  std::vector<uint8_t> black(size_t(2048) * 2048 * 3);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2048, 2048, 0, GL_RGB, GL_UNSIGNED_BYTE, black.data());

  const int runs = 3;
  int decoded = 0, shown = 0;
  double bare = bestOf(runs, [&] { decoded = bareDecode(path); });
  double clip = bestOf(runs, [&] {
    TavoAvi video(path, 0);
    for (int frame = 0; frame < video.frameCount; ++frame) video.showFrame(frame);
    shown = video.uploads;
  });
  glDeleteTextures(1, &texture);

  double bareRate = decoded / bare, clipRate = shown / clip;
  std::printf("1920 x 1080 MPEG-4 AVI, %d frames, best of %d runs (%s)\n", frames, runs,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  std::printf("  FFmpeg bare decode:                    %6.1f frames/s\n", bareRate);
  std::printf("  TavoAvi decode + BGR convert + upload: %6.1f frames/s  ratio %.2f\n", clipRate,
              clipRate / bareRate);
  return 0;
}
