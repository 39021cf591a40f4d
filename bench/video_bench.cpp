// Video frames: decoding a 1920 x 1080 AVI clip frame by frame into a GL
// texture through TavoAvi (decoded ahead on its thread, uploaded here),
// against FFmpeg decoding the same frames and doing nothing with them, run
// side by side; with the parts of the clip's work alone beside them.
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "video/clip_decoder.h"
#include "video/tavo_avi.h"

namespace {

double processSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The best wall-clock and CPU (all threads) seconds of the runs so far. On
// a machine shared with other loads the CPU time is the steadier measure.
struct Timing {
  double wall = 1e30, cpu = 1e30;
  void run(const std::function<void()>& work) {
    double cpuStart = processSeconds();
    auto start = std::chrono::steady_clock::now();
    work();
    glFinish();
    cpu = std::min(cpu, processSeconds() - cpuStart);
    wall = std::min(
        wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
};

// Every picture of the first video stream, decoded with FFmpeg's own
// choice of threads; returns how many.
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

  const int runs = 5;
  std::printf("1920 x 1080 MPEG-4 AVI, %d frames, best of %d runs (%s)\n", frames, runs,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  // The work, which returns the frames it did, in turns with FFmpeg's bare
  // decode; frames a second by the wall clock and CPU time a frame, each
  // with its ratio to the bare decode's.
  auto report = [&](const std::string& what, const std::function<int()>& work) {
    Timing bare, timing;
    int decoded = 0, done = 0;
    for (int i = 0; i < runs; ++i) {
      bare.run([&] { decoded = bareDecode(path); });
      timing.run([&] { done = work(); });
    }
    const double rate = done / timing.wall, bareRate = decoded / bare.wall;
    std::printf("  %-38s %6.1f frames/s (%.2fx bare)  %5.2f ms CPU a frame (%.2fx bare)\n",
                what.c_str(), rate, rate / bareRate, 1000 * timing.cpu / done,
                (timing.cpu / done) / (bare.cpu / decoded));
  };
  report("FFmpeg bare decode", [&] { return bareDecode(path); });
  report("clip decoder + conversion, no thread", [&] {
    ClipDecoder decoder;
    decoder.open(path, 16384);
    ClipPicture picture(decoder.pictureBytes());
    int converted = 0;
    while (decoder.next(picture)) ++converted;
    return converted;
  });

  report("TavoAvi opened and closed, per frame", [&] {
    TavoAvi video(path, 0);
    return video.frameCount;
  });

  // Into a video texture as the slide textures make it (RGB) and into an
  // RGBA one; the clip sends rows in the order each stores.
  const struct {
    const char* name;
    GLint format;
    GLenum rows, type;
  } textures[] = {{"RGB", GL_RGB, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV},
                  {"RGBA", GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE}};
  std::vector<uint8_t> picture(size_t(1920) * 1080 * 4, 128);
  for (const auto& t : textures) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, t.format, 2048, 2048, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    report(std::string(t.name) + " texture: upload alone", [&] {
      for (int frame = 0; frame < frames; ++frame)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1920, 1080, t.rows, t.type, picture.data());
      return frames;
    });
    report(std::string(t.name) + " texture: TavoAvi decode + upload", [&] {
      TavoAvi video(path, 0);
      for (int frame = 0; frame < video.frameCount; ++frame) video.showFrame(frame);
      return video.uploads;
    });
    glDeleteTextures(1, &texture);
  }
  return 0;
}
