// The slide list loader on real description files and picture folders:
// settings, base paths, slides and pages in order, transitions by ordinal,
// directory mode, failures and the console lines of each.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <typeinfo>

#include "app/state/viewer_state.h"
#include "content/page_sections.h"
#include "content/slidelist/slide_list.h"
#include "images/slide_texture.h"
#include "transitions/transition.h"

namespace {

using pagetest::image;

std::string slideOf(const std::string& inside) {
  return pagetest::section("Slide", inside);
}
std::string transition(const std::string& inside) {
  return pagetest::section("Transition", inside);
}

// The loaded list in one line, file names without base: each slide's page
// range and thumbnail, each page, each transition's kind, duration and pages:
// "slides 0-0 a.jpg, 1-2 c.jpg; pages a.jpg b.jpg c.jpg; transitions Blend 0.6 0-1, ...".
std::string summary(const SlideList& list, const std::string& base) {
  auto file = [&](const std::string& name) {
    return name.empty() ? "(none)" : name.rfind(base, 0) ? name : name.substr(base.size());
  };
  std::ostringstream out;
  out << "slides";
  for (int i = 0; i < list.slideCount(); ++i)
    out << (i ? ", " : " ") << list.slide(i).firstPage << "-" << list.slide(i).lastPage << " "
        << file(list.slide(i).thumbnail->fileName);
  out << "; pages";
  for (int i = 0; i < list.pageCount(); ++i) out << " " << file(list.page(i).fileName);
  out << "; transitions";
  for (int i = 0; i < list.transitionCount(); ++i) {
    const Transition& t = list.transition(i);
    const std::string type = typeid(t).name();  // "14TransitionBurn" and the like
    out << (i ? ", " : " ") << type.substr(type.find("Transition") + 10) << " " << t.duration << " "
        << t.fromPage() << "-" << t.toPage();
  }
  return out.str();
}

class SlideListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW();
    viewer.uColor[0] = viewer.uColor[1] = 1.0f;
    viewer.uColor[2] = 0.2f;
    viewer.transitionDuration = 0.6f;
    viewer.showProgressPosition = true;
  }

  // Loads path into list and returns what the loader printed.
  std::string load(SlideList& list, const std::string& path, bool expected = true) {
    testing::internal::CaptureStdout();
    bool loaded = list.load(path);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(loaded, expected) << printed;
    return printed;
  }
  std::string write(const std::string& name, const std::string& text) {
    testfiles::writeText(dir.file(name), text);
    return dir.file(name);
  }
  // The folder as the loader spells it: its real path with a trailing separator.
  std::string base() const { return std::filesystem::canonical(dir.path()).string() + "/"; }

  testfiles::TempDir dir;
};

TEST_F(SlideListTest, TheSmallCompleteFile) {
  // Settings are taken as given, not clamped; absent keys keep the defaults.
  std::string path = write("talk.qvx",
                           "<QVX>\nTransitionDuration=1.5\nShowProgressPosition=0\nuColorR=300\n"
                           "uColorG=abc\n</QVX>\n<SlideList>\npath=C:\\talk\\\n" +
                               slideOf("thumbnail=overview.png\n" + image("title.jpg")) +
                               transition("type=BURN\nduration=2\n") + slideOf(image("end.jpg")) +
                               slideOf(image("last.jpg")) + "</SlideList>\n");
  SlideList list;
  EXPECT_EQ(load(list, path), "reading slide list description file...\n ...ready\n");
  EXPECT_FLOAT_EQ(viewer.transitionDuration, 1.5f);
  EXPECT_FALSE(viewer.showProgressPosition);
  EXPECT_NEAR(viewer.uColor[0], 1.176f, 0.001f);  // 300 / 255
  EXPECT_FLOAT_EQ(viewer.uColor[1], 0);
  EXPECT_FLOAT_EQ(viewer.uColor[2], 0.2f);
  // The default blend takes the file's duration.
  EXPECT_EQ(summary(list, "C:\\talk\\"),
            "slides 0-0 overview.png, 1-1 end.jpg, 2-2 last.jpg; pages title.jpg end.jpg last.jpg; "
            "transitions Burn 2 0-1, Blend 1.5 1-2");
  EXPECT_EQ(publishedPageList(), &list.pages);
}

TEST_F(SlideListTest, TransitionsGoByTheirOrdinalAmongTypedSections) {
  // Slides: 0 = pages 0 and 1, 1 = no pages, 2 = page 2, 3 = page 3.
  // Entry 0 lies inside slide 0: the default blend. The first typed
  // section, placed before every slide, follows slide 0; the second
  // counts to the slide without pages and is skipped rather than
  // overwriting the entry before it; one without a type is not counted;
  // "blend" names no kind, so slide 2's gap gets the default blend; the
  // HARD after slide 3 (the last page) and the one past the last slide
  // have no gap to go to. A relative name finds the list's absolute folder.
  std::filesystem::create_directory(dir.file("sub"));
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  SlideList list;
  write("sub/show.qvx", "<SlideList>\n" + transition("type=SCROLL_LEFT\n") +
                            slideOf(image("p.jpg") + image("q.jpg")) + transition("type=BURN\n") +
                            slideOf("") + transition("duration=3\n") +
                            transition("type=blend\nduration=4\n") + slideOf(image("a.jpg")) +
                            transition("type=HARD\n") + slideOf(image("b.jpg")) +
                            transition("type=FLY_LEFT\n") + "</SlideList>\n");
  load(list, "sub/../sub/show.qvx");
  std::filesystem::current_path(previous);
  EXPECT_EQ(summary(list, base() + "sub/"),
            "slides 0-1 q.jpg, 2-1 (none), 2-2 a.jpg, 3-3 b.jpg; pages p.jpg q.jpg a.jpg b.jpg; "
            "transitions Blend 0.6 0-1, ScrollLeft 0.6 1-2, Blend 0.6 2-3");
}

TEST_F(SlideListTest, DirectoryOfPictures) {
  testfiles::Picture solid = testfiles::solidPicture(40, 30, 90, 90, 90);
  ASSERT_TRUE(testfiles::writePng(dir.file("b.png"), solid, false));
  for (const char* name : {"a.jpg", "c.JPG", "B.jpg"})  // the order ignores case
    ASSERT_TRUE(testfiles::writeJpeg(dir.file(name), solid));
  write("notes.txt", "not a picture");
  std::filesystem::create_directory(dir.file("d.jpg"));  // a folder is not a picture
  SlideList list;
  EXPECT_EQ(load(list, dir.path()),
            "could not open slide list file, trying to interpret " + dir.path() +
                " as directory...\nadding image: B.jpg\nadding image: c.JPG\n ...ready\n");
  EXPECT_EQ(summary(list, base()),
            "slides 0-0 a.jpg, 1-1 B.jpg, 2-2 c.JPG, 3-3 b.png; pages a.jpg B.jpg c.JPG b.png; "
            "transitions Blend 0.6 0-1, Blend 0.6 1-2, Blend 0.6 2-3");
  EXPECT_EQ(list.slide(0).thumbnail->width, 40);
}

TEST_F(SlideListTest, Failures) {
  auto failure = [&](const std::string& path) {
    SlideList list;
    std::string printed = load(list, path, false);
    EXPECT_EQ(list.pageCount() + list.transitionCount(), 0) << path;
    return printed;
  };
  const std::string reading = "reading slide list description file...\n";
  // No "SlideList" section: the settings were read before.
  EXPECT_EQ(failure(write("none.qvx", "<QVX>\nuColorR=0\n</QVX>\n<Slides>\n</Slides>\n")), reading);
  EXPECT_FLOAT_EQ(viewer.uColor[0], 0);
  // Slides, but no pages.
  EXPECT_EQ(failure(write("empty.qvx", "<SlideList>\n" + slideOf("") +
                                           slideOf("<Imag>\nfilename=a.jpg\n</Imag>\n") +
                                           transition("type=HARD\n") + "</SlideList>\n")),
            reading);
  std::string bad = write("bad.qvx", "<SlideList>\n\n" + slideOf("") + "junk\n</SlideList>\n");
  EXPECT_EQ(failure(bad), "error while parsing " + bad + " @ line 5\n");
  std::string missing = dir.file("no such folder");
  EXPECT_EQ(failure(missing), "could not open slide list file, trying to interpret " + missing +
                                  " as directory...\n");
  write("readme.txt", "text");
  failure(dir.path());  // a folder without pictures
}

}  // namespace
