// The demo presentation that the build writes into demo/: its description
// file is well formed and names only files that exist and decode.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "content/description_file.h"
#include "images/raster_image.h"
#include "sound/sound_decoder.h"
#include "support/test_files.h"

namespace {

std::string demoFolder() {
  std::string binary = QUORVEX_BINARY;
  return binary.substr(0, binary.rfind('/') + 1) + "demo/";
}

class DemoPresentation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(file.parse(demoFolder() + "talk.qvx"))
        << "made by the demo target; bad line " << file.errorLine();
    slideList = file.findSection("SlideList");
    ASSERT_NE(slideList, nullptr);
  }
  std::vector<const DescriptionNode*> children(const DescriptionNode& node, const char* name) {
    std::vector<const DescriptionNode*> found;
    for (int i = 0; i < node.childCount(); ++i)
      if (node.child(i).hasName(name)) found.push_back(&node.child(i));
    return found;
  }
  // Every file name the presentation uses.
  void collectFileNames(const DescriptionNode& node, std::vector<std::string>& names) {
    for (const char* key : {"filename", "thumbnail"})
      if (const DescriptionKey* found = node.findKey(key)) names.push_back(found->value());
    for (int i = 0; i < node.childCount(); ++i) collectFileNames(node.child(i), names);
  }
  DescriptionFile file;
  const DescriptionNode* slideList = nullptr;
};

TEST_F(DemoPresentation, EveryTagIsClosedInOrderAndNoLineIsBlankOrPadded) {
  std::string text = testfiles::readText(demoFolder() + "talk.qvx");
  ASSERT_TRUE(!text.empty() && text.back() == '\n') << "the last line ends with a newline";
  std::istringstream lines(text);
  std::vector<std::string> open;
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    SCOPED_TRACE("line " + std::to_string(++number) + ": " + line);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.find_first_of(" \t\r"), std::string::npos);
    if (line.find('=') != std::string::npos) continue;
    ASSERT_TRUE(line.front() == '<' && line.back() == '>');
    if (line[1] == '/') {
      ASSERT_FALSE(open.empty());
      EXPECT_EQ(line.substr(2, line.size() - 3), open.back());
      open.pop_back();
    } else {
      open.push_back(line.substr(1, line.size() - 2));
    }
  }
  EXPECT_TRUE(open.empty());
}

TEST_F(DemoPresentation, SettingsTurnOnTheProgressIndicatorAndSetAnOverlayColour) {
  const DescriptionNode* settings = file.findSection("QVX");
  ASSERT_NE(settings, nullptr);
  for (const char* key : {"ShowProgressPosition", "uColorR", "uColorG", "uColorB"}) {
    ASSERT_NE(settings->findKey(key), nullptr) << key;
    int value = settings->findKey(key)->valueAsInt();
    EXPECT_TRUE(value >= 0 && value <= 255) << key;
  }
  EXPECT_NE(settings->findKey("ShowProgressPosition")->valueAsInt(), 0);
  // No base path: file names are relative to the description file.
  EXPECT_EQ(slideList->findKey("path"), nullptr);
}

TEST_F(DemoPresentation, SlidesUseEveryTransitionKindAndEachFollowsARealSlide) {
  std::vector<const DescriptionNode*> slides = children(*slideList, "Slide");
  EXPECT_GE(slides.size(), 10u);
  EXPECT_LE(slides.size(), 14u);
  std::set<std::string> kinds;
  int typed = 0;
  for (const DescriptionNode* transition : children(*slideList, "Transition"))
    if (const DescriptionKey* type = transition->findKey("type")) {
      kinds.insert(type->value());
      ++typed;
    }
  const std::set<std::string> all = {"HARD",      "BLEND",       "SCROLL_LEFT", "FLY_LEFT",
                                     "PULL_LEFT", "SQUARES_FLY", "BURN"};
  EXPECT_EQ(kinds, all);
  // The k-th typed Transition goes after the k-th slide: none may count past
  // the second-to-last slide.
  EXPECT_LT(typed, int(slides.size()));

  int multiPage = 0, withObjects = 0, withSound = 0, videos = 0;
  for (const DescriptionNode* slide : slides) {
    std::vector<const DescriptionNode*> pages = children(*slide, "Image");
    ASSERT_FALSE(pages.empty());
    multiPage += pages.size() > 1;
    for (const DescriptionNode* page : pages) {
      ASSERT_NE(page->findKey("filename"), nullptr);
      std::string name = page->findKey("filename")->value();
      videos += name.size() > 4 && name.substr(name.size() - 4) == ".avi";
      withObjects += !children(*page, "ImageObject").empty();
      withSound += !children(*page, "Sound").empty();
      for (const DescriptionNode* object : children(*page, "ImageObject"))
        for (const char* key : {"filename", "width", "height", "tx", "ty"})
          EXPECT_NE(object->findKey(key), nullptr) << key;
    }
  }
  EXPECT_GE(multiPage, 2);
  EXPECT_GE(withObjects, 2);
  EXPECT_GE(withSound, 1);
  EXPECT_EQ(videos, 1);
}

TEST_F(DemoPresentation, PicturesDecodeAtPageSizeAndObjectsCarryAlpha) {
  std::vector<std::string> names;
  collectFileNames(*slideList, names);
  ASSERT_FALSE(names.empty());
  std::set<std::string> objects;
  for (const DescriptionNode* slide : children(*slideList, "Slide"))
    for (const DescriptionNode* page : children(*slide, "Image"))
      for (const DescriptionNode* object : children(*page, "ImageObject"))
        objects.insert(object->findKey("filename")->value());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::string path = demoFolder() + name;
    ASSERT_FALSE(testfiles::readBytes(path).empty());
    std::string extension = name.substr(name.rfind('.'));
    RasterImage picture;
    if (extension == ".jpg") {
      ASSERT_TRUE(picture.load(path, ImageFormatJpeg)) << picture.lastError;
      if (name.find("clip") == std::string::npos) {
        EXPECT_TRUE(picture.width() == 1024 && picture.height() == 768) << picture.width();
      }
    } else if (extension == ".png") {
      ASSERT_TRUE(picture.load(path, ImageFormatPng)) << picture.lastError;
      ASSERT_TRUE(picture.hasAlphaPlane());
      int clear = 0, opaque = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          clear += picture.alphaAt(x, y) == 0;
          opaque += picture.alphaAt(x, y) == 255;
        }
      EXPECT_GT(clear, 1000);
      EXPECT_GT(opaque, 1000);
      EXPECT_TRUE(objects.count(name));
    }
  }
}

TEST_F(DemoPresentation, SoundAndClipHoldSecondsOfDecodableSound) {
  std::vector<std::string> sounds = {"clip.avi"};
  for (const DescriptionNode* slide : children(*slideList, "Slide"))
    for (const DescriptionNode* page : children(*slide, "Image"))
      for (const DescriptionNode* sound : children(*page, "Sound"))
        sounds.push_back(sound->findKey("filename")->value());
  ASSERT_EQ(sounds.size(), 2u);
  for (const std::string& name : sounds) {
    SCOPED_TRACE(name);
    SoundDecoder decoder;
    ASSERT_TRUE(decoder.open(demoFolder() + name, 44100));
    std::vector<int16_t> stereo;
    while (decoder.decodeMore(stereo) && stereo.size() < 44100 * 2 * 10) {
    }
    double seconds = double(stereo.size()) / 2 / 44100;
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 6);
    int peak = 0;
    for (int16_t s : stereo) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000);  // audible, not silence
  }
  std::vector<uint8_t> clip = testfiles::readBytes(demoFolder() + "clip.avi");
  ASSERT_GT(clip.size(), 12u);
  EXPECT_EQ(std::string(clip.begin(), clip.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(clip.begin() + 8, clip.begin() + 12), "AVI ");
}

}  // namespace
