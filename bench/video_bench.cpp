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
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
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
    std::printf("  %-42s %6.1f frames/s (%.2fx bare)  %5.2f ms CPU a frame (%.2fx bare)\n",
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

  // This machine's limit for any clip that decodes, converts and uploads:
  // FFmpeg's decode on its threads while this thread converts and uploads
  // pictures decoded beforehand, with nothing passed between the two. Then
  // the same with each picture converted and uploaded in bands of rows,
  // which stay in the cache between the two steps.
  ClipDecoder decoder;
  decoder.open(path, 16384);
  decoder.convertToRgba(true);
  std::vector<AVFrame*> decoded;
  for (int index = 0;;) {
    AVFrame* frame = av_frame_alloc();
    if (!decoder.decode(frame, &index)) {
      av_frame_free(&frame);
      break;
    }
    decoded.push_back(frame);
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2048, 2048, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  ClipPicture converted(decoder.pictureBytes());
  report("limit: bare decode beside convert + upload", [&] {
    std::thread decoding([&] { bareDecode(path); });
    for (AVFrame* frame : decoded) {
      decoder.convert(frame, converted);
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE,
                      converted.texels.get());
    }
    decoding.join();
    return int(decoded.size());
  });
  const int band = 16;
  SwsContext* bandConverter = sws_getContext(1920, band, AV_PIX_FMT_YUV420P, 1920, band,
                                             AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr);
  SwsContext* lastBandConverter =
      sws_getContext(1920, 1080 % band, AV_PIX_FMT_YUV420P, 1920, 1080 % band, AV_PIX_FMT_RGBA,
                     SWS_POINT, nullptr, nullptr, nullptr);
  report("limit, in bands of " + std::to_string(band) + " rows", [&] {
    std::thread decoding([&] { bareDecode(path); });
    for (AVFrame* frame : decoded)
      for (int y = 0; y < 1080; y += band) {
        const int rows = std::min(band, 1080 - y);
        const uint8_t* from[] = {frame->data[0] + y * frame->linesize[0],
                                 frame->data[1] + y / 2 * frame->linesize[1],
                                 frame->data[2] + y / 2 * frame->linesize[2]};
        uint8_t* to[] = {converted.texels.get()};
        const int toStride[] = {1920 * 4};
        sws_scale(rows == band ? bandConverter : lastBandConverter, from, frame->linesize, 0, rows,
                  to, toStride);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, 1920, rows, GL_RGBA, GL_UNSIGNED_BYTE,
                        converted.texels.get());
      }
    decoding.join();
    return int(decoded.size());
  });
  sws_freeContext(bandConverter);
  sws_freeContext(lastBandConverter);
  for (AVFrame*& frame : decoded) av_frame_free(&frame);
  glDeleteTextures(1, &texture);
  return 0;
}
