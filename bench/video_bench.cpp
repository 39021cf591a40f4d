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

// Wall-clock seconds of the work; the CPU time all threads spent on it
// goes to cpu. On a machine shared with other loads the CPU time is the
// steadier measure of the work.
double secondsOf(const std::function<void()>& work, double* cpu) {
  double cpuStart = processSeconds();
  auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  *cpu = processSeconds() - cpuStart;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Timing {
  double wall = 1e30, cpu = 1e30;
};

Timing bestOf(int runs, const std::function<void()>& work) {
  Timing best;
  for (int i = 0; i < runs; ++i) {
    double cpu = 0;
    best.wall = std::min(best.wall, secondsOf(work, &cpu));
    best.cpu = std::min(best.cpu, cpu);
  }
  return best;
}

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

  const int runs = 3;
  int decoded = 0;
  Timing bare = bestOf(runs, [&] { decoded = bareDecode(path); });
  std::printf("1920 x 1080 MPEG-4 AVI, %d frames, best of %d runs (%s)\n", frames, runs,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  // Frames a second by the wall clock and CPU time a frame, each with its
  // ratio to FFmpeg's bare decode measured just before.
  auto report = [&](const char* what, int count, Timing timing) {
    std::printf("  %-42s %6.1f frames/s (%.2fx)  %5.2f ms CPU a frame (%.2fx)\n", what,
                count / timing.wall, (count / timing.wall) / (decoded / bare.wall),
                1000 * timing.cpu / count, (timing.cpu / count) / (bare.cpu / decoded));
  };
  report("FFmpeg bare decode", decoded, bare);

  int converted = 0;
  Timing decodeAndConvert = bestOf(runs, [&] {
    ClipDecoder decoder;
    decoder.open(path, 16384);
    ClipPicture picture(decoder.pictureBytes());
    for (converted = 0; decoder.next(picture);) ++converted;
  });
  report("clip decoder + conversion, no thread", converted, decodeAndConvert);

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
    Timing upload = bestOf(runs, [&] {
      for (int frame = 0; frame < frames; ++frame)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1920, 1080, t.rows, t.type, picture.data());
    });
    bare = bestOf(runs, [&] { decoded = bareDecode(path); });  // again, beside the clip
    int shown = 0;
    Timing clip = bestOf(runs, [&] {
      TavoAvi video(path, 0);
      for (int frame = 0; frame < video.frameCount; ++frame) video.showFrame(frame);
      shown = video.uploads;
    });
    report((std::string(t.name) + " texture: upload alone").c_str(), frames, upload);
    report((std::string(t.name) + " texture: TavoAvi decode + upload").c_str(), shown, clip);
    glDeleteTextures(1, &texture);
  }
  return 0;
}
