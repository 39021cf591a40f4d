// Stepping and jumping through a presentation with the keyboard and the
// mouse, on the real binary: the page on screen tells where the viewer is.
// (The typed number's rules are driven in process by the app tests.)
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
    return writeSolidSlides(files, {red, green, blue, cyan, yellow, magenta}, {1, 1, 2, 1, 1},
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
  viewer->key("Home");
  ASSERT_TRUE(waitForPage(red));
  // With five slides no second digit can follow a 3: the jump starts at
  // once and lands on the slide's last page.
  viewer->type("3");
  ASSERT_TRUE(waitForPage(cyan));

  // Keys that are no commands print their codes and change nothing; the
  // modifier keys by themselves are no keys at all.
  for (const char* key : {"x", "Shift_L", "Control_R", "F1"}) viewer->key(key);
  EXPECT_TRUE(viewer->waitForOutput("unknown command (keyboardSpecialFunc): 1\n"))
      << viewer->output();
  EXPECT_NE(viewer->output().find("unknown command (keyboardFunc): 120\n"), std::string::npos);
  EXPECT_EQ(viewer->output().find("unknown command (keyboardSpecialFunc): 11"), std::string::npos)
      << "112 and up: the modifier keys";
  EXPECT_TRUE(waitForPage(cyan));

  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
