#pragma once
// What the clip tests share: clips made by the ffmpeg command and a GL
// window with a bound texture to show them in.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/gl_test_window.h"
#include "support/test_files.h"

// Pictures whose colour tells the frame and the position: red = 12 x frame
// number, green = 5 x row from the top, blue = 3 x column; 10 a second.
inline std::string codedPictures(int width, int height, double seconds,
                                 const std::string& filter = "") {
  return "-f lavfi -i \"nullsrc=s=" + std::to_string(width) + "x" + std::to_string(height) +
         ":r=10:d=" + std::to_string(seconds) + ",format=gbrp,geq=r='N*12':g='Y*5':b='X*3'" +
         filter + "\" ";
}
inline const std::string pcmSound =
    "-f lavfi -i \"sine=frequency=440:sample_rate=22050:d=2\" -c:a pcm_s16le ";
inline const std::string rawPictures = "-c:v rawvideo -pix_fmt bgr24 ";
// Lossless pictures that depend on the ones before, a key frame every 5.
inline const std::string keyedPictures = "-c:v ffv1 -g 5 -pix_fmt bgr0 ";

// Every test has a GL window and a bound 64 x 64 RGB texture whose texels
// are all (1, 2, 3); clips are made by the ffmpeg command once per run.
class TavoAviClip : public testing::Test {
 protected:
  void SetUp() override {
    static const bool ffmpeg = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    if (!ffmpeg) GTEST_SKIP() << "no ffmpeg command";
    REQUIRE_GL_WINDOW();
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint8_t> texels(64 * 64 * 3);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint8_t(1 + i % 3);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
  void TearDown() override { glDeleteTextures(1, &texture); }

  // The file name of a clip the ffmpeg command makes from the arguments.
  static std::string makeClip(const std::string& name, const std::string& arguments) {
    static testfiles::TempDir clips;
    std::string path = clips.file(name);
    std::string command = "ffmpeg -v error -y -nostdin " + arguments + " '" + path + "'";
    if (!std::ifstream(path)) {
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    return path;
  }

  static std::vector<int> texel(int x, int y) {
    int width = 0;
    std::vector<uint8_t> texels = gltest::boundTextureTexels(false, &width);
    const uint8_t* p = &texels[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
  // The picture number shown at texel (0, 0), the lower-left corner.
  static int pictureShown() { return texel(0, 0)[0] / 12; }

  GLuint texture = 0;
  testfiles::TempDir dir;
};
