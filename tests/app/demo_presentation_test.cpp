// The demo presentation that the build writes into demo/: its description
// file reads, uses every transition kind, and names only files that exist
// and decode.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "content/description_file.h"
#include "images/raster_image.h"
#include "model/mesh.h"
#include "model/obj_reader.h"
#include "sound/sound_decoder.h"
#include "support/viewer_process.h"

namespace {

const std::string demoFolder = besideBinary("demo/");

// Every value of the keys in the subtree, with the name of the section
// that holds it.
void collect(const DescriptionNode& node, const std::set<std::string>& keys,
             std::vector<std::pair<std::string, std::string>>& found) {
  for (const std::string& key : keys)
    if (const DescriptionKey* value = node.findKey(key))
      found.push_back({node.name(), value->value()});
  for (int i = 0; i < node.childCount(); ++i) collect(node.child(i), keys, found);
}

TEST(DemoPresentation, UsesEveryTransitionAndNamesFilesThatDecode) {
  DescriptionFile file;
  ASSERT_TRUE(file.parse(demoFolder + "talk.qvx")) << "bad line " << file.errorLine();
  const DescriptionNode* slideList = file.findSection("SlideList");
  ASSERT_NE(slideList, nullptr);
  std::vector<std::pair<std::string, std::string>> types, files;
  collect(*slideList, {"type"}, types);
  collect(*slideList, {"filename", "thumbnail"}, files);
  std::set<std::string> kinds;
  for (const auto& type : types) kinds.insert(type.second);
  EXPECT_EQ(kinds, (std::set<std::string>{"HARD", "BLEND", "SCROLL_LEFT", "FLY_LEFT", "PULL_LEFT",
                                          "SQUARES_FLY", "BURN"}));

  std::set<std::string> sections;
  for (const auto& [section, name] : files) {
    SCOPED_TRACE(name);
    sections.insert(section);
    const std::string path = demoFolder + name, extension = name.substr(name.rfind('.'));
    if (section == "Model") {  // reads into triangles, its texture with it
      std::ifstream model(path);
      NoAction_ProgressBase progress;
      std::unique_ptr<fast_Mesh> mesh(loadOBJ(demoFolder, model, progress));
      ASSERT_FALSE(mesh->materials.empty());
      EXPECT_TRUE(mesh->materials.front()->textureData.hasPixels);
      EXPECT_GT(mesh->vertices.size(), 8u);
    } else if (extension == ".avi" || section == "Sound") {
      SoundDecoder decoder;
      std::vector<int16_t> stereo;
      EXPECT_TRUE(decoder.open(path, 44100) && decoder.decodeMore(stereo));
    } else {  // picture objects are PNGs with transparency
      RasterImage picture;
      ASSERT_TRUE(picture.load(path, extension == ".png" ? ImageFormatPng : ImageFormatJpeg))
          << picture.lastError;
      EXPECT_TRUE(section != "ImageObject" || picture.hasAlphaPlane());
    }
  }
  for (const char* used : {"Image", "ImageObject", "Sound", "Model"})
    EXPECT_TRUE(sections.count(used));
}

}  // namespace
