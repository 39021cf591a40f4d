// The slide list loader on real description files and picture folders:
// settings, base paths, slides and pages in order, transitions by ordinal,
// directory mode, failures and the console lines of each.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <sstream>
#include <typeinfo>

#include "app/state/viewer_state.h"
#include "content/slidelist/slide_list.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "transitions/transition.h"

namespace {

using testfiles::TempDir;

std::string realPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? resolved : path;
}

// "Burn" for a TransitionBurn (the type name as the compiler writes it,
// without its length prefix and the word Transition).
std::string kindOf(const Transition& transition) {
  const std::string name = typeid(transition).name();
  return name.substr(name.find("Transition") + 10);
}

// The loaded list in one line, file names without base: each slide's page
// range and thumbnail, each page, each transition's kind, duration and pages:
// "slides 0-0 a.jpg, 1-2 c.jpg; pages a.jpg b.jpg c.jpg; transitions Blend 0.6 0-1, ...".
std::string summary(const SlideList& list, const std::string& base) {
  auto file = [&](const std::string& name) {
    if (name.empty()) return std::string("(none)");
    return name.rfind(base, 0) == 0 ? name.substr(base.size()) : name;
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
    out << (i ? ", " : " ") << kindOf(t) << " " << t.duration << " " << t.fromPage() << "-"
        << t.toPage();
  }
  return out.str();
}

std::string slideOf(const std::string& images) {
  return "<Slide>\n" + images + "</Slide>\n";
}
std::string image(const std::string& name) {
  return "<Image>\nfilename=" + name + "\n</Image>\n";
}
std::string transition(const std::string& keys) {
  return "<Transition>\n" + keys + "</Transition>\n";
}

class SlideListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW();
    viewer.uColor[0] = 0.4f;
    viewer.uColor[1] = 1.0f;
    viewer.uColor[2] = 0.2f;
    viewer.transitionDuration = 0.6f;
    viewer.showProgressPosition = false;
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
  // The summary of the list loaded from "<SlideList>" + slides, in the folder.
  std::string loadSlides(const std::string& slides) {
    SlideList list;
    load(list, write("show.qvx", "<SlideList>\n" + slides + "</SlideList>\n"));
    return summary(list, base());
  }
  // The folder as the loader spells it, with a trailing separator.
  std::string base() const { return realPath(dir.path()) + "/"; }

  TempDir dir;
};

TEST_F(SlideListTest, TheSmallCompleteFile) {
  // Settings are taken as given, not clamped; absent keys keep the defaults.
  std::string path = write("talk.qvx",
                           "<QVX>\nTransitionDuration=1.5\nShowProgressPosition=7\nuColorR=300\n"
                           "uColorG=abc\n</QVX>\n<SlideList>\npath=C:\\talk\\\n"
                           "<Slide>\nthumbnail=overview.png\n<Image>\nfilename=title.jpg\n"
                           "</Image>\n</Slide>\n"
                           "<Transition>\ntype=BURN\nduration=2\n</Transition>\n"
                           "<Slide>\n<Image>\nfilename=end.jpg\n</Image>\n</Slide>\n" +
                               slideOf(image("last.jpg")) + "</SlideList>\n");
  SlideList list;
  EXPECT_EQ(load(list, path), "reading slide list description file...\n ...ready\n");
  EXPECT_FLOAT_EQ(viewer.transitionDuration, 1.5f);
  EXPECT_TRUE(viewer.showProgressPosition);
  EXPECT_NEAR(viewer.uColor[0], 1.176f, 0.001f);  // 300 / 255
  EXPECT_FLOAT_EQ(viewer.uColor[1], 0);
  EXPECT_FLOAT_EQ(viewer.uColor[2], 0.2f);
  // The default blend takes the file's duration.
  EXPECT_EQ(summary(list, "C:\\talk\\"),
            "slides 0-0 overview.png, 1-1 end.jpg, 2-2 last.jpg; pages title.jpg end.jpg last.jpg; "
            "transitions Burn 2 0-1, Blend 1.5 1-2");
  EXPECT_EQ(publishedPageList(), &list.pages);

  load(list, write("off.qvx", "<QVX>\nShowProgressPosition=0\n</QVX>\n<SlideList>\n" +
                                  slideOf(image("a.jpg")) + "</SlideList>\n"));
  EXPECT_FALSE(viewer.showProgressPosition);
}

TEST_F(SlideListTest, TransitionsGoByTheirOrdinalAmongTypedSections) {
  const std::string a = slideOf(image("a.jpg")), b = slideOf(image("b.jpg")),
                    two = slideOf(image("p.jpg") + image("q.jpg"));
  const struct {
    const char* name;
    std::string slides, loaded;
  } cases[] = {
      {"one slide of one page", a, "slides 0-0 a.jpg; pages a.jpg; transitions"},
      // Slides: 0 = pages 0 and 1, 1 = no pages, 2 = page 2, 3 = page 3.
      // Entry 0 lies inside slide 0: the default blend. The first typed
      // section, placed before every slide, follows slide 0; the second
      // counts to the slide without pages and is skipped rather than
      // overwriting the entry before it; one without a type is not counted;
      // "blend" names no kind, so slide 2's gap gets the default blend; the
      // HARD after slide 3 (the last page) and the one past the last slide
      // have no gap to go to.
      {"by ordinal",
       transition("type=SCROLL_LEFT\n") + two + transition("type=BURN\n") + slideOf("") +
           transition("duration=3\n") + transition("type=blend\nduration=4\n") + a +
           transition("type=HARD\n") + b + transition("type=FLY_LEFT\n"),
       "slides 0-1 q.jpg, 2-1 (none), 2-2 a.jpg, 3-3 b.jpg; pages p.jpg q.jpg a.jpg b.jpg; "
       "transitions Blend 0.6 0-1, ScrollLeft 0.6 1-2, Blend 0.6 2-3"},
      {"HARD before both slides, whatever its duration",
       transition("type=HARD\nduration=5\n") + a + b,
       "slides 0-0 a.jpg, 1-1 b.jpg; pages a.jpg b.jpg; transitions Hard 0.01 0-1"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(loadSlides(test.slides), test.loaded);
  }
}

TEST_F(SlideListTest, RelativeFileNameGivesTheAbsoluteDirectory) {
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  write("sub/show.qvx", "<SlideList>\n" + slideOf(image("pics\\a.jpg")) + "</SlideList>\n");
  char previous[PATH_MAX];
  ASSERT_TRUE(getcwd(previous, sizeof previous));
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  SlideList list;
  load(list, "sub/../sub/show.qvx");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(summary(list, base()),
            "slides 0-0 sub/pics\\a.jpg; pages sub/pics\\a.jpg; transitions");
}

TEST_F(SlideListTest, DirectoryOfPictures) {
  testfiles::Picture solid = testfiles::solidPicture(40, 30, 90, 90, 90);
  ASSERT_TRUE(testfiles::writePng(dir.file("b.png"), solid, false));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("a.jpg"), solid));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("c.JPG"), solid));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("B.jpg"), solid));  // the order ignores case
  write("notes.txt", "not a picture");
  ASSERT_EQ(mkdir(dir.file("d.jpg").c_str(), 0755), 0);  // a folder is not a picture
  SlideList list;
  EXPECT_EQ(load(list, dir.path()),
            "could not open slide list file, trying to interpret " + dir.path() +
                " as directory...\nadding image: B.jpg\nadding image: c.JPG\n ...ready\n");
  EXPECT_EQ(summary(list, base()),
            "slides 0-0 a.jpg, 1-1 B.jpg, 2-2 c.JPG, 3-3 b.png; pages a.jpg B.jpg c.JPG b.png; "
            "transitions Blend 0.6 0-1, Blend 0.6 1-2, Blend 0.6 2-3");
  EXPECT_EQ(list.slide(0).thumbnail->width, 40);

  // Pages load and unload one by one.
  list.loadPage(1);
  EXPECT_TRUE(list.page(1).isLoaded());
  EXPECT_FALSE(list.page(0).isLoaded());
  EXPECT_EQ(list.page(1).texture->width, 40);
  list.unloadPage(1);
  EXPECT_FALSE(list.page(1).isLoaded());
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
