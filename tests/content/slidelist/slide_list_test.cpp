// The slide list loader on real description files and picture folders:
// settings, base paths, slides and pages in order, transitions by ordinal,
// directory mode, failures and the console lines of each.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <typeinfo>

#include "app/state/viewer_state.h"
#include "content/slidelist/slide_list.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "transitions/transition.h"

namespace {

using testfiles::TempDir;

std::string kindOf(const Transition& transition) {
  return typeid(transition).name();
}
bool isKind(const Transition& transition, const char* name) {
  return kindOf(transition).find(name) != std::string::npos;
}

std::string realPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? resolved : path;
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
  void picture(const std::string& name, bool png = false) {
    testfiles::Picture solid = testfiles::solidPicture(40, 30, 90, 90, 90);
    ASSERT_TRUE(png ? testfiles::writePng(dir.file(name), solid, false)
                    : testfiles::writeJpeg(dir.file(name), solid));
  }

  TempDir dir;
};

std::string slideOf(const std::string& images) {
  return "<Slide>\n" + images + "</Slide>\n";
}
std::string image(const std::string& name) {
  return "<Image>\nfilename=" + name + "\n</Image>\n";
}

TEST_F(SlideListTest, TheSmallCompleteFile) {
  std::string path = write("talk.qvx",
                           "<QVX>\nTransitionDuration=1.5\nShowProgressPosition=1\n</QVX>\n"
                           "<SlideList>\npath=C:\\talk\\\n"
                           "<Slide>\nthumbnail=overview.png\n<Image>\nfilename=title.jpg\n"
                           "</Image>\n</Slide>\n"
                           "<Transition>\ntype=BURN\nduration=2\n</Transition>\n"
                           "<Slide>\n<Image>\nfilename=end.jpg\n</Image>\n</Slide>\n"
                           "</SlideList>\n");
  SlideList list;
  EXPECT_EQ(load(list, path), "reading slide list description file...\n ...ready\n");
  EXPECT_FLOAT_EQ(viewer.transitionDuration, 1.5f);
  EXPECT_TRUE(viewer.showProgressPosition);
  EXPECT_FLOAT_EQ(viewer.uColor[0], 0.4f);  // absent keys keep the defaults

  ASSERT_EQ(list.slideCount(), 2);
  ASSERT_EQ(list.pageCount(), 2);
  ASSERT_EQ(list.transitionCount(), 1);
  EXPECT_EQ(list.page(0).fileName, "C:\\talk\\title.jpg");
  EXPECT_EQ(list.page(1).fileName, "C:\\talk\\end.jpg");
  EXPECT_EQ(list.slide(0).firstPage, 0);
  EXPECT_EQ(list.slide(0).lastPage, 0);
  EXPECT_EQ(list.slide(1).firstPage, 1);
  EXPECT_EQ(list.slide(1).lastPage, 1);
  EXPECT_EQ(list.slide(0).thumbnail->fileName, "C:\\talk\\overview.png");
  EXPECT_EQ(list.slide(1).thumbnail->fileName, "C:\\talk\\end.jpg");

  Transition& burn = list.transition(0);
  EXPECT_TRUE(isKind(burn, "TransitionBurn")) << kindOf(burn);
  EXPECT_FLOAT_EQ(burn.duration, 2);
  EXPECT_EQ(burn.fromPage(), 0);
  EXPECT_EQ(burn.toPage(), 1);
  EXPECT_EQ(publishedPageList(), &list.pages);
}

TEST_F(SlideListTest, OneSlideOfOnePage) {
  SlideList list;
  load(list, write("one.qvx", "<SlideList>\n" + slideOf(image("a.jpg")) + "</SlideList>\n"));
  EXPECT_EQ(list.slideCount(), 1);
  EXPECT_EQ(list.pageCount(), 1);
  EXPECT_EQ(list.transitionCount(), 0);
}

TEST_F(SlideListTest, TransitionsGoByOrdinal) {
  // Slides: 0 = pages 0 and 1, 1 = no pages, 2 = page 2, 3 = page 3.
  std::string path =
      write("order.qvx",
            "<SlideList>\npath=\n"
            "<Transition>\ntype=SCROLL_LEFT\n</Transition>\n" +
                slideOf(image("a.jpg") + image("b.jpg")) +
                "<Transition>\ntype=BURN\n</Transition>\n" + slideOf("") +
                "<Transition>\nduration=3\n</Transition>\n"  // no type: not counted
                "<Transition>\ntype=blend\nduration=4\n</Transition>\n" +
                slideOf(image("c.jpg")) + "<Transition>\ntype=HARD\n</Transition>\n" +
                slideOf(image("d.jpg")) +
                "<Transition>\ntype=FLY_LEFT\n</Transition>\n"
                "</SlideList>\n");
  SlideList list;
  load(list, path);
  ASSERT_EQ(list.slideCount(), 4);
  ASSERT_EQ(list.pageCount(), 4);
  ASSERT_EQ(list.transitionCount(), 3);
  EXPECT_EQ(list.slide(1).firstPage, 2);
  EXPECT_EQ(list.slide(1).lastPage, 1);

  // Entry 0 lies inside slide 0: the default blend.
  EXPECT_TRUE(dynamic_cast<TransitionBlend*>(&list.transition(0)));
  EXPECT_FLOAT_EQ(list.transition(0).duration, 0.6f);
  // The first typed section, placed before every slide, follows slide 0.
  EXPECT_TRUE(dynamic_cast<TransitionScrollLeft*>(&list.transition(1)))
      << kindOf(list.transition(1));
  // The second counts to the slide without pages and is skipped, rather than
  // overwriting the entry before it; the third ("blend" in lower case)
  // names no kind, so slide 2's gap gets the default blend.
  EXPECT_TRUE(dynamic_cast<TransitionBlend*>(&list.transition(2)));
  EXPECT_FLOAT_EQ(list.transition(2).duration, 0.6f);
  // The HARD after slide 3 (the last page) and the one past the last slide
  // have no gap: nothing else changed.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.transition(i).fromPage(), i);
    EXPECT_EQ(list.transition(i).toPage(), i + 1);
  }
}

TEST_F(SlideListTest, TransitionAfterTheOnlySlide) {
  SlideList list;
  load(list, write("tail.qvx", "<SlideList>\n" + slideOf(image("a.jpg") + image("b.jpg")) +
                                   "<Transition>\ntype=BURN\n</Transition>\n</SlideList>\n"));
  ASSERT_EQ(list.transitionCount(), 1);
  // Slide 0 ends on the last page: the section has no gap to go to.
  EXPECT_TRUE(dynamic_cast<TransitionBlend*>(&list.transition(0)));
}

TEST_F(SlideListTest, HardBeforeBothSlidesIsACutWhateverItsDuration) {
  SlideList list;
  load(list,
       write("hard.qvx", "<SlideList>\n<Transition>\ntype=HARD\nduration=5\n</Transition>\n" +
                             slideOf(image("a.jpg")) + slideOf(image("b.jpg")) + "</SlideList>\n"));
  ASSERT_EQ(list.transitionCount(), 1);
  EXPECT_TRUE(dynamic_cast<TransitionHard*>(&list.transition(0)));
  EXPECT_FLOAT_EQ(list.transition(0).duration, 0.01f);
}

TEST_F(SlideListTest, NamesAreExact) {
  std::string path =
      write("case.qvx",
            "<qvx>\nTransitionDuration=9\n</qvx>\n"
            "<QVX>\ntransitionduration=8\n</QVX>\n"
            "<SlideList>\nPath=C:\\nowhere\\\n" +
                slideOf(image("a.jpg")) + "<slide>\n" + image("x.jpg") + "</slide>\n<Slides>\n" +
                image("y.jpg") + "</Slides>\n" +
                slideOf("<image>\nfilename=z.jpg\n</image>\n<Image>\nFilename=w.jpg\n"
                        "</Image>\n") +
                "<transition>\ntype=HARD\n</transition>\n"
                "<Transition>\nType=HARD\n</Transition>\n"
                "<Transition>\ntype=HARD \n</Transition>\n"
                "<Transition>\ntype=HARD\n</Transition>\n"
                "</SlideList>\n");
  SlideList list;
  load(list, path);
  EXPECT_FLOAT_EQ(viewer.transitionDuration, 0.6f);
  ASSERT_EQ(list.slideCount(), 2);
  ASSERT_EQ(list.pageCount(), 2);
  // "Path" is not "path": the base is the file's own directory.
  std::string base = realPath(dir.path()) + "/";
  EXPECT_EQ(list.page(0).fileName, base + "a.jpg");
  EXPECT_EQ(list.page(1).fileName, "");  // "Filename" is not "filename"
  // "HARD " (with a blank) counted for slide 0 and made nothing; the last
  // HARD counts to slide 1, which ends on the last page.
  ASSERT_EQ(list.transitionCount(), 1);
  EXPECT_TRUE(dynamic_cast<TransitionBlend*>(&list.transition(0)));
}

TEST_F(SlideListTest, SettingsAreNotClamped) {
  SlideList list;
  load(list, write("colours.qvx",
                   "<QVX>\nuColorR=300\nuColorG=abc\nuColorB=510\nTransitionDuration=2.5\n"
                   "ShowProgressPosition=7\n</QVX>\n<SlideList>\n" +
                       slideOf(image("a.jpg")) + slideOf(image("b.jpg")) + "</SlideList>\n"));
  EXPECT_FLOAT_EQ(viewer.uColor[0], 300 * (1.0f / 255));
  EXPECT_NEAR(viewer.uColor[0], 1.176f, 0.001f);
  EXPECT_FLOAT_EQ(viewer.uColor[1], 0);
  EXPECT_FLOAT_EQ(viewer.uColor[2], 2.0f);
  EXPECT_FLOAT_EQ(viewer.transitionDuration, 2.5f);
  EXPECT_TRUE(viewer.showProgressPosition);
  // The default blends take the file's duration.
  EXPECT_FLOAT_EQ(list.transition(0).duration, 2.5f);

  SlideList off;
  load(off, write("off.qvx", "<QVX>\nShowProgressPosition=0\nuColorR=255\n</QVX>\n<SlideList>\n" +
                                 slideOf(image("a.jpg")) + "</SlideList>\n"));
  EXPECT_FALSE(viewer.showProgressPosition);
  EXPECT_FLOAT_EQ(viewer.uColor[0], 1.0f);
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
  ASSERT_EQ(list.pageCount(), 1);
  EXPECT_EQ(list.page(0).fileName, realPath(dir.path()) + "/sub/pics\\a.jpg");
}

TEST_F(SlideListTest, DirectoryOfPictures) {
  picture("b.png", true);
  picture("a.jpg");
  picture("c.JPG");
  write("notes.txt", "not a picture");
  ASSERT_EQ(mkdir(dir.file("d.jpg").c_str(), 0755), 0);  // a folder is not a picture
  SlideList list;
  std::string printed = load(list, dir.path());
  EXPECT_EQ(printed, "could not open slide list file, trying to interpret " + dir.path() +
                         " as directory...\nadding image: c.JPG\n ...ready\n");
  ASSERT_EQ(list.slideCount(), 3);
  ASSERT_EQ(list.pageCount(), 3);
  ASSERT_EQ(list.transitionCount(), 2);
  std::string base = realPath(dir.path()) + "/";
  EXPECT_EQ(list.page(0).fileName, base + "a.jpg");
  EXPECT_EQ(list.page(1).fileName, base + "c.JPG");
  EXPECT_EQ(list.page(2).fileName, base + "b.png");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.slide(i).firstPage, i);
    EXPECT_EQ(list.slide(i).lastPage, i);
    EXPECT_EQ(list.slide(i).thumbnail->fileName, list.page(i).fileName);
    EXPECT_EQ(list.slide(i).thumbnail->width, 40);
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(dynamic_cast<TransitionBlend*>(&list.transition(i)));
    EXPECT_FLOAT_EQ(list.transition(i).duration, 0.6f);
  }
}

TEST_F(SlideListTest, Failures) {
  {
    SlideList list;
    EXPECT_EQ(
        load(list, write("none.qvx", "<QVX>\nuColorR=0\n</QVX>\n<Slides>\n</Slides>\n"), false),
        "reading slide list description file...\n");
    EXPECT_FLOAT_EQ(viewer.uColor[0], 0);  // the settings were read first
  }
  {
    SlideList list;
    EXPECT_EQ(load(list,
                   write("empty.qvx", "<SlideList>\n" + slideOf("") +
                                          slideOf("<Imag>\nfilename=a.jpg\n</Imag>\n") +
                                          "<Transition>\ntype=HARD\n</Transition>\n</SlideList>\n"),
                   false),
              "reading slide list description file...\n");
    EXPECT_EQ(list.pageCount(), 0);
    EXPECT_EQ(list.transitionCount(), 0);
  }
  {
    SlideList list;
    std::string path = write("bad.qvx", "<SlideList>\n\n" + slideOf("") + "junk\n</SlideList>\n");
    EXPECT_EQ(load(list, path, false), "error while parsing " + path + " @ line 5\n");
  }
  {
    SlideList list;
    std::string missing = dir.file("no such folder");
    EXPECT_EQ(load(list, missing, false), "could not open slide list file, trying to interpret " +
                                              missing + " as directory...\n");
  }
  {
    SlideList list;  // a folder without pictures
    write("readme.txt", "text");
    load(list, dir.path(), false);
    EXPECT_EQ(list.pageCount(), 0);
  }
}

TEST_F(SlideListTest, AccessorsAndPageLoading) {
  picture("a.jpg");
  picture("b.jpg");
  SlideList list;
  load(list, write("two.qvx",
                   "<SlideList>\n" + slideOf(image("a.jpg") + image("b.jpg")) + "</SlideList>\n"));
  EXPECT_THROW(list.slide(1), std::out_of_range);
  EXPECT_THROW(list.slide(-1), std::out_of_range);
  EXPECT_THROW(list.page(2), std::out_of_range);
  EXPECT_THROW(list.transition(1), std::out_of_range);
  EXPECT_NO_THROW(list.transition(0));

  list.loadPage(1);
  EXPECT_TRUE(list.page(1).isLoaded());
  EXPECT_FALSE(list.page(0).isLoaded());
  EXPECT_EQ(list.page(1).texture->width, 40);
  list.unloadPage(1);
  EXPECT_FALSE(list.page(1).isLoaded());
  EXPECT_THROW(list.loadPage(2), std::out_of_range);
}

}  // namespace
