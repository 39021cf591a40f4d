// Pages and their picture objects: building from sections, loading and
// unloading with texture sharing between neighbours, the sound stream, and
// drawing read back from a real GL window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "content/page_sections.h"
#include "images/slide_texture.h"
#include "platform/clock.h"
#include "support/disk_audio.h"

namespace {

using pagetest::image;
using pagetest::section;

std::string objectSection(const std::string& fileName) {
  return section("ImageObject", "filename=" + fileName + "\n");
}

// width, height, tx, ty, tz
std::vector<float> placement(const ImageObject& object) {
  return {object.width, object.height, object.tx, object.ty, object.tz};
}

TEST(Page, ReadsItsSectionsByTheirExactNames) {
  DescriptionFile file;
  ASSERT_TRUE(file.parseText(image(
      "pics\\title.jpg", objectSection("a.png") + section("Sound", "filename=first.wav\n") +
                             section("imageobject", "filename=no.png\n") +
                             section("Sound", "filename=second.wav\n") +
                             section("Sound", "volume=3\n") +
                             section("ImageObject",
                                     "filename=b.png\nwidth=0.5\nheight=abc\ntx=-0.25\nty=0.125\n"
                                     "tz=0.2\n") +
                             section("ImageObject", "Width=3\nfilename =y.png\n"))));
  const std::unique_ptr<Page> page(new Page(file.child(0), "C:\\show\\"));
  EXPECT_EQ(page->fileName, "C:\\show\\pics\\title.jpg");
  ASSERT_EQ(page->imageObjects.size(), 3u);
  EXPECT_EQ(page->imageObjects[0].fileName, "C:\\show\\a.png");
  EXPECT_EQ(placement(page->imageObjects[0]), std::vector<float>({1, 1, 0, 0, 0.005f}));
  // A height that is no number is 0, not the default.
  EXPECT_EQ(placement(page->imageObjects[1]), std::vector<float>({0.5f, 0, -0.25f, 0.125f, 0.2f}));
  // Key names are exact: neither "Width" nor "filename " is read.
  EXPECT_EQ(page->imageObjects[2].fileName, "");
  EXPECT_FLOAT_EQ(page->imageObjects[2].width, 1);
  // The later "Sound" section wins; one without "filename" changes nothing.
  EXPECT_EQ(page->soundFileName, "C:\\show\\second.wav");
}

// Three pictures the pages below are made of.
struct PageListFixture : pagetest::PageListFixture {
  void SetUp() override {
    pagetest::PageListFixture::SetUp();
    ASSERT_TRUE(
        testfiles::writeJpeg(dir.file("page.jpg"), testfiles::solidPicture(64, 48, 200, 30, 30)));
    ASSERT_TRUE(testfiles::writePng(dir.file("shared.png"),
                                    testfiles::solidPicture(32, 32, 0, 255, 0, 128), true));
    ASSERT_TRUE(testfiles::writePng(dir.file("other.png"),
                                    testfiles::solidPicture(16, 16, 0, 0, 255), false));
  }
};

TEST_F(PageListFixture, LoadsOnceSharesObjectTexturesWithNeighboursAndFreesThem) {
  add(image("page.jpg"));
  Page& one = add(image("page.jpg", objectSection("shared.png")));
  add(image("page.jpg"));
  Page& three = add(image("page.jpg", objectSection("other.png") + objectSection("shared.png")));
  Page& four = add(image("page.jpg", objectSection("shared.png") + objectSection("shared.png")));

  three.load(3);
  SlideTexture* picture = three.texture;
  SmartPtr<SlideTexture>& threeShared = three.imageObjects[1].texture;
  ASSERT_NE(threeShared.dataPtr, nullptr);
  three.load(3);  // all or nothing: nothing new
  EXPECT_EQ(three.texture, picture);
  EXPECT_EQ(threeShared.count(), 1);
  // A picture object's texture is clamped.
  GLint wrap = 0;
  threeShared->bind();
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, 0x2900);  // GL_CLAMP

  // Page 4 (the last: its window stops at the end of the list) finds page
  // 3's texture, and its second object shares the same one.
  four.load(4);
  EXPECT_EQ(four.imageObjects[0].texture.dataPtr, threeShared.dataPtr);
  EXPECT_EQ(four.imageObjects[1].texture.dataPtr, threeShared.dataPtr);
  EXPECT_EQ(threeShared.count(), 3);

  // Page 1 looks at pages 0..2 only: it decodes the file itself.
  one.load(1);
  EXPECT_NE(one.imageObjects[0].texture.dataPtr, nullptr);
  EXPECT_NE(one.imageObjects[0].texture.dataPtr, threeShared.dataPtr);

  // Unloading page 3 frees its picture and leaves the shared texture alive
  // for page 4.
  SlideTexture* shared = threeShared.dataPtr;
  GLuint pictureId = picture->textureId, sharedId = shared->textureId;
  three.unload();
  EXPECT_FALSE(three.isLoaded());
  EXPECT_FALSE(glIsTexture(pictureId));
  EXPECT_EQ(three.imageObjects[1].texture.dataPtr, nullptr);
  EXPECT_EQ(four.imageObjects[0].texture.count(), 2);
  EXPECT_TRUE(glIsTexture(sharedId));
  EXPECT_EQ(shared->fileName, base() + "shared.png");

  // Loaded again, page 3 takes page 4's texture back instead of decoding.
  three.load(3);
  EXPECT_EQ(three.imageObjects[1].texture.dataPtr, shared);
  EXPECT_EQ(four.imageObjects[0].texture.count(), 3);
  // Destroying loaded pages frees their textures.
  pictureId = three.texture->textureId;
  pages.clear();
  EXPECT_FALSE(glIsTexture(pictureId));
  EXPECT_FALSE(glIsTexture(sharedId));
}

// The pixel at page coordinates (x, y) is (r, g, b) within tolerance.
void expectColourAt(float x, float y, int r, int g, int b, int tolerance = 12) {
  const gltest::Rgba p = pagetest::pagePixel(x, y);
  EXPECT_TRUE(std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
              std::abs(p.b - b) <= tolerance)
      << "at " << x << ", " << y << ": " << int(p.r) << "," << int(p.g) << "," << int(p.b);
}

TEST_F(PageListFixture, DrawsPictureAndObjects) {
  // The page picture: upper half blue, lower half red, so an upside-down
  // page would show.
  auto halves = [](int, int y, uint8_t* p) {
    std::memcpy(p, y < 24 ? "\0\0\xff\xff" : "\xff\0\0\xff", 4);
  };
  ASSERT_TRUE(
      testfiles::writePng(dir.file("halves.png"), testfiles::makePicture(64, 48, halves), false));
  Page& page = add(
      image("halves.png",
            // Half-transparent green on the right, opaque blue-ish square on the left.
            "<ImageObject>\nfilename=shared.png\nwidth=0.25\nheight=0.25\ntx=0.25\n</ImageObject>\n"
            "<ImageObject>\nfilename=page.jpg\nwidth=0.2\nheight=0.2\ntx=-0.25\nty=-0.1\n"
            "</ImageObject>\n"));
  page.draw();  // not loaded: draws nothing
  EXPECT_FALSE(page.started);
  page.load(0);

  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gltest::usePageProjection();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  page.draw();
  EXPECT_TRUE(page.started);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

  expectColourAt(0, 0.3f, 0, 0, 255);
  expectColourAt(0, -0.3f, 255, 0, 0);
  // The half-transparent green object spans x 0.125..0.375, y -0.125..0.125:
  // blended over the blue half above the middle and the red half below.
  expectColourAt(0.25f, 0.06f, 0, 128, 127);
  expectColourAt(0.25f, -0.06f, 127, 128, 0);
  // The JPEG object has no alpha: drawn opaque, not blended.
  expectColourAt(-0.25f, -0.1f, 200, 30, 30, 16);
  expectColourAt(-0.45f, 0.06f, 0, 0, 255);  // outside every object: the page
}

// --- sound and video -------------------------------------------------------

struct PageMedia : PageListFixture {
  soundtest::DiskAudio audio;
};

TEST_F(PageMedia, TheFirstDrawStartsTheSoundAndEveryStartBeginsAtItsStart) {
  using namespace soundtest;
  ASSERT_TRUE(audio.started);
  const size_t frames = 3 * rate;
  const std::vector<int16_t> ramp = rampSamples(frames, 1);
  writeWav(dir.file("ramp.wav"), rate, 1, ramp);
  Page& page = add(image("page.jpg", section("Sound", "filename=ramp.wav\n")));
  page.load(0);
  gltest::usePageProjection();
  page.draw();
  page.draw();  // only the first draw starts it
  ASSERT_TRUE(audio.waitForSound(rate / 4));
  // Shown again part way through: from the beginning, not from where it was.
  page.startMedia();
  ASSERT_TRUE(audio.waitForEnd(rate / 4 + frames));
  const std::vector<int16_t> sound = soundFrames(audio.finish()), whole = monoToStereo(ramp);
  ASSERT_GT(sound.size(), whole.size());
  const size_t part = (sound.size() - whole.size()) / 2;  // before the restart
  ASSERT_LT(part, frames);
  EXPECT_EQ(slice(sound, 0, part), slice(whole, 0, part));
  EXPECT_EQ(slice(sound, part, frames), whole);
}

TEST_F(PageMedia, APageVideoPlaysOnceAndAnObjectVideoLoops) {
  ASSERT_TRUE(soundtest::runFfmpeg(
      "-f lavfi -i testsrc=s=64x48:r=10:d=1 -c:v rawvideo -pix_fmt bgr24 " + dir.file("clip.avi")));
  Page& page = add(image("clip.avi", objectSection("clip.avi")));
  page.load(0);
  gltest::usePageProjection();
  page.draw();
  SlideTexture& own = *page.texture;
  SlideTexture& object = *page.imageObjects[0].texture;
  ASSERT_TRUE(own.isPlaying() && object.isPlaying());
  // Both clips run out: the page's stays at its end, the object's starts over.
  for (int frame = 0; frame < 2; ++frame) {
    own.videoStartTime = object.videoStartTime = timeGetTime() - 5000;
    page.draw();
    page.draw();
    EXPECT_FALSE(own.isPlaying());
    EXPECT_TRUE(object.isPlaying());
    EXPECT_LT(timeGetTime() - object.videoStartTime, 1000u);
  }
}

}  // namespace
