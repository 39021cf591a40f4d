// Models on pages: sharing between neighbours, and placement and rotation
// read back from a real GL window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/state/viewer_state.h"
#include "content/page_sections.h"

namespace {

// A square of side 0.1 around the origin, facing the viewer.
const char* const squareModel =
    "mtllib red.mtl\nv -0.05 -0.05 0\nv 0.05 -0.05 0\nv 0.05 0.05 0\nv -0.05 0.05 0\n"
    "vn 0 0 1\nusemtl red\nf 1//1 2//1 3//1 4//1\n";
const char* const redLibrary = "newmtl red\nKa 1 0 0\nKd 1 0 0\nKs 0 0 0\n";

// The square and its material, in the folder and in "sub", under a dark
// blue page.
struct ModelPages : pagetest::PageListFixture {
  void SetUp() override {
    pagetest::PageListFixture::SetUp();
    std::filesystem::create_directory(dir.file("sub"));
    for (const char* folder : {"", "sub/"}) {
      testfiles::writeText(dir.file(folder + std::string("square.obj")), squareModel);
      testfiles::writeText(dir.file(folder + std::string("red.mtl")), redLibrary);
    }
    ASSERT_TRUE(testfiles::writePng(dir.file("page.png"), testfiles::solidPicture(32, 24, 0, 0, 90),
                                    false));
  }
  Page& add(const std::string& models) {
    return pagetest::PageListFixture::add(pagetest::image("page.png", models));
  }
};

std::string model(const std::string& keys) {
  return pagetest::section("Model", keys + "\n");
}
std::string square(const std::string& keys = "") {
  return model("filename=square.obj\n" + keys);
}

// The lit model shows bright over the dark blue page (colour material
// tracks the white current colour, so its own colours do not show).
bool modelAt(float x, float y) {
  const gltest::Rgba p = pagetest::pagePixel(x, y);
  return p.r > 150 && p.g > 150;
}

}  // namespace

TEST_F(ModelPages, NeighboursReadAModelOnceAndShareIt) {
  Page& first = add(square());
  Page& second = add(square());
  add("");
  Page& far = add(square());
  testing::internal::CaptureStdout();
  first.load(0);
  second.load(1);
  far.load(3);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string line = "loading model " + dir.file("square.obj") + "\n";
  EXPECT_EQ(out.find(line), 0u);
  EXPECT_EQ(out.find(line, 1), out.rfind(line));  // once more, for the far page
  EXPECT_EQ(first.models[0].mesh.dataPtr, second.models[0].mesh.dataPtr);
  EXPECT_NE(far.models[0].mesh.dataPtr, second.models[0].mesh.dataPtr);

  first.unload();
  EXPECT_EQ(first.models[0].mesh.dataPtr, nullptr);
  ASSERT_NE(second.models[0].mesh.dataPtr, nullptr);
  EXPECT_EQ(second.models[0].mesh->materials.front()->name, "red");
}

TEST_F(ModelPages, DrawsEachModelAtItsPlaceTurnedByTheUserAndItself) {
  struct Case {
    std::string models;
    float userX, userY;
    std::vector<std::pair<float, float>> model, page;
  };
  const Case cases[] = {
      {square(), 0, 0, {{0, 0}}, {{0.1f, 0}}},
      {square("tx=0.25\nty=-0.1\nscale=2"), 0, 0, {{0.25f, -0.1f}, {0.33f, -0.02f}}, {{0, 0}}},
      {square("tx=0.25\nty=-0.1\nscale=2"), 0, 0, {}, {{0.37f, -0.1f}}},
      {square("ry=90"), 0, 0, {}, {{0, 0}}},
      {model("filename=sub\\square.obj\ntx=0.2"), 0, 0, {{0.2f, 0}}, {{0, 0}}},
      {square("tx=0.25"), 0, 90, {}, {{0.25f, 0}}},
      {square("rx=90"), -90, 0, {{0, 0}}, {}},
      // A file that is not there gives an empty mesh; the next model draws.
      {model("filename=none.obj") + square("tx=-0.25"), 0, 0, {{-0.25f, 0}}, {{0, 0}}},
  };
  for (const Case& c : cases) {
    Page& page = add(c.models);
    testing::internal::CaptureStdout();
    page.load(int(pages.size()) - 1);
    testing::internal::GetCapturedStdout();
    viewer.modelRotationX = c.userX;
    viewer.modelRotationY = c.userY;
    gltest::usePageProjection();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    page.draw();
    for (auto [x, y] : c.model) EXPECT_TRUE(modelAt(x, y)) << c.models << " at " << x << "," << y;
    for (auto [x, y] : c.page) EXPECT_FALSE(modelAt(x, y)) << c.models << " at " << x << "," << y;
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    page.unload();
  }
  viewer.modelRotationX = viewer.modelRotationY = 0;
}
