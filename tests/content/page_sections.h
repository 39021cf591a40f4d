#pragma once
// Description text for the sections a slide list is made of, and a fixture
// that builds pages from it into the published list neighbours share from.
#include <gtest/gtest.h>

#include <string>

#include "content/description_file.h"
#include "content/page.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace pagetest {

inline std::string section(const std::string& name, const std::string& inside) {
  return "<" + name + ">\n" + inside + "</" + name + ">\n";
}
// The "Image" section of a page: its picture file, then what it holds.
inline std::string image(const std::string& fileName, const std::string& inside = "") {
  return section("Image", "filename=" + fileName + "\n" + inside);
}

// The pixel at page coordinates (x, y) when the page projection fills the
// 256 x 256 window: x -0.5..0.5, y -0.375..0.375.
inline gltest::Rgba pagePixel(float x, float y) {
  return gltest::pixelAt(int((x + 0.5f) * 256), int((y + 0.375f) / 0.75f * 256));
}

class PageListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW();
    publishPageList(&pages);
  }
  void TearDown() override { publishPageList(nullptr); }

  // Appends the page of the one section of text.
  ::Page& add(const std::string& text) {
    DescriptionFile file;
    EXPECT_TRUE(file.parseText(text));
    EXPECT_EQ(file.childCount(), 1);
    pages.push_back(SmartPtr<::Page>(new ::Page(file.child(0), base())));
    return *pages.back();
  }
  std::string base() const { return dir.path() + "/"; }

  testfiles::TempDir dir;
  ::PageList pages;
};

}  // namespace pagetest
