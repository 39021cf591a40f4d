// Stepping and jumping through a presentation with the keyboard and the
// mouse, on the real binary: the page on screen tells where the viewer is.
#include <gtest/gtest.h>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

// Five slides, the third of two pages: pages red, green, blue, cyan
// (slide 3's last page), yellow, magenta.
const Rgb red = {200, 40, 40}, green = {40, 200, 40}, blue = {40, 40, 200}, cyan = {40, 200, 200},
          yellow = {200, 200, 40}, magenta = {200, 40, 200};

class Navigation : public ScreenTest {
 protected:
  std::string writeFiveSlides() {
    const Rgb colors[] = {red, green, blue, cyan, yellow, magenta};
    for (int i = 0; i < 6; ++i)
      writeSolidPage(files, "p" + std::to_string(i) + ".png", colors[i].r, colors[i].g,
                     colors[i].b);
    return writeSlideList(files,
                          {{"p0.png"}, {"p1.png"}, {"p2.png", "p3.png"}, {"p4.png"}, {"p5.png"}},
                          "TransitionDuration=0.3");
  }
  // The page colour in the upper middle of the screen, clear of the
  // typed-number bar and of the pointer (kept in the lower left corner).
  bool waitForPage(Rgb c) { return waitForRegion(412, 100, 200, 60, c); }
};

TEST_F(Navigation, KeysAndClicksStepJumpAndQuit) {
  ASSERT_NO_FATAL_FAILURE(start(writeFiveSlides()));
  viewer->moveMouse(20, 740);
  ASSERT_TRUE(waitForPage(red));

  viewer->key("space");
  ASSERT_TRUE(waitForPage(green));
  viewer->click(1);
  ASSERT_TRUE(waitForPage(blue));
  viewer->key("BackSpace");
  ASSERT_TRUE(waitForPage(green));
  viewer->key("End");
  ASSERT_TRUE(waitForPage(magenta));

  // On the last page Space and a click start nothing: had they started a
  // transition, the Backspace right after them would be refused while it
  // ran.
  viewer->key("space");
  viewer->click(1);
  viewer->key("BackSpace");
  ASSERT_TRUE(waitForPage(yellow));

  viewer->key("Home");
  ASSERT_TRUE(waitForPage(red));
  // With five slides no second digit can follow a 3: the jump starts at
  // once and lands on the slide's last page.
  viewer->type("3");
  ASSERT_TRUE(waitForPage(cyan));
  // No slide 7: cleared without moving; the next Space steps from cyan.
  viewer->type("7");
  viewer->key("space");
  ASSERT_TRUE(waitForPage(yellow));
  viewer->type("2");
  ASSERT_TRUE(waitForPage(green));

  // Keys that are no commands print their codes and change nothing; the
  // modifier keys by themselves are no keys at all.
  viewer->key("x");
  viewer->key("Q");
  viewer->key("R");
  viewer->key("F1");
  viewer->key("Prior");
  viewer->key("F8");
  viewer->key("Shift_L");
  viewer->key("Control_R");
  viewer->key("Alt_L");
  EXPECT_TRUE(viewer->waitForOutput("unknown command (keyboardSpecialFunc): 104\n"))
      << viewer->output();
  std::string output = viewer->output();
  EXPECT_NE(output.find("unknown command (keyboardFunc): 120\n"), std::string::npos) << output;
  EXPECT_NE(output.find("unknown command (keyboardFunc): 81\n"), std::string::npos) << output;
  EXPECT_NE(output.find("unknown command (keyboardFunc): 82\n"), std::string::npos) << output;
  EXPECT_NE(output.find("unknown command (keyboardSpecialFunc): 1\n"), std::string::npos) << output;
  EXPECT_EQ(output.find("unknown command (keyboardSpecialFunc): 8\n"), std::string::npos);
  EXPECT_EQ(output.find("unknown command (keyboardSpecialFunc): 11"), std::string::npos)
      << output;  // 112 and up: the modifier keys
  EXPECT_TRUE(viewer->running());
  EXPECT_TRUE(waitForPage(green));

  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

// Fifteen slides: the typed number waits for a second digit.
class TypedNumbers : public ScreenTest {
 protected:
  const Rgb first = {40, 40, 160}, second = {40, 160, 40}, twelfth = {220, 160, 40};
  std::string writeFifteenSlides() {
    std::vector<std::vector<std::string>> slides;
    for (int i = 0; i < 15; ++i) {
      Rgb c = {90 + 6 * i, 90 + 6 * i, 90 + 6 * i};
      if (i == 0) c = first;
      if (i == 1) c = second;
      if (i == 11) c = twelfth;
      std::string name = "s" + std::to_string(i) + ".png";
      writeSolidPage(files, name, c.r, c.g, c.b);
      slides.push_back({name});
    }
    return writeSlideList(files, slides, "TransitionDuration=0.3");
  }
  bool waitForPage(Rgb c) { return waitForRegion(412, 100, 200, 60, c); }
  // The typed-number bar's left cap: white at half strength over the page.
  bool numberShown(const testfiles::Picture& screen, Rgb page) {
    Rgb overPage = {(page.r + 255) / 2, (page.g + 255) / 2, (page.b + 255) / 2};
    return regionIs(screen, 70, 374, 20, 20, overPage, 30);
  }
  bool waitForNumber(Rgb page, bool shown) {
    return viewer->waitForScreen([&](const testfiles::Picture& screen) {
      return screen.width > 0 && numberShown(screen, page) == shown &&
             regionIs(screen, 412, 100, 200, 60, page);
    });
  }
};

TEST_F(TypedNumbers, ASecondDigitCompletesTheNumberAndEscapeClearsItFirst) {
  ASSERT_NO_FATAL_FAILURE(start(writeFifteenSlides()));
  viewer->moveMouse(20, 740);
  ASSERT_TRUE(waitForPage(first));

  viewer->type("1");  // 10 <= 15: a second digit may follow
  ASSERT_TRUE(waitForNumber(first, true));
  viewer->key("Shift_L");  // a modifier alone leaves the number
  viewer->type("2");
  ASSERT_TRUE(waitForPage(twelfth));
  EXPECT_TRUE(waitForNumber(twelfth, false));  // cleared when the jump ended

  viewer->type("1");
  ASSERT_TRUE(waitForNumber(twelfth, true));
  viewer->key("Return");
  ASSERT_TRUE(waitForPage(first));
  EXPECT_TRUE(waitForNumber(first, false));

  viewer->type("1");
  ASSERT_TRUE(waitForNumber(first, true));
  viewer->key("Escape");  // clears the number, stays
  ASSERT_TRUE(waitForNumber(first, false));
  EXPECT_TRUE(viewer->running());
  viewer->key("space");  // the number did not jump anywhere
  ASSERT_TRUE(waitForPage(second));
  viewer->key("Escape");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
