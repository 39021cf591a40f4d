// Settings a user may write in a slide list: the durations each transition
// ends up with and the lines the console shows, and "AutoRotate".
#include <gtest/gtest.h>

#include "app/state/viewer_state.h"
#include "content/page_sections.h"
#include "content/slidelist/slide_list.h"
#include "transitions/transition.h"

using pagetest::image;
using pagetest::section;

TEST(SettingsValues, DurationsAreFiniteAndBounded) {
  REQUIRE_GL_WINDOW();
  const struct {
    const char *defaultText, *type, *durationText;
    float defaultSeconds, seconds;
    const char* warning;  // a part of the console line, or "" for none
  } cases[] = {
      {"nan", "BLEND", nullptr, 0.6f, 0.6f, "\"nan\" is not a finite number"},
      {"inf", "BLEND", "-inf", 0.6f, 0.6f, "\"-inf\" is not a finite number"},
      {"1.5", "SCROLL_LEFT", "NaN", 1.5f, 1.5f, "\"NaN\""},
      {"0.8", "FLY_LEFT", "fast", 0.8f, 0.8f, "\"fast\""},
      {"0", "BURN", nullptr, 0.01f, 0.01f, ""},
      {"0.6", "BLEND", "-2", 0.6f, 0.01f, ""},
      {"0.6", "HARD", "5", 0.6f, 0.01f, ""},
      {"0.6", "HARD", "nan", 0.6f, 0.01f, ""},
      {"1e30", "PULL_LEFT", "2.5", 60, 2.5f, "\"1e30\" is longer than 60 s"},
      {"0.6", "SQUARES_FLY", "1e300", 0.6f, 60, "\"1e300\" is longer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.defaultText) + " " + c.type);
    testfiles::TempDir dir;
    std::string keys = std::string("type=") + c.type + "\n";
    if (c.durationText) keys += std::string("duration=") + c.durationText + "\n";
    testfiles::writeText(
        dir.file("show.qvx"),
        std::string("<QVX>\nAutoRotate=0\nTransitionDuration=") + c.defaultText +
            "\n</QVX>\n<SlideList>\n" + section("Slide", image("a.jpg") + image("b.jpg")) +
            section("Transition", keys) + section("Slide", image("c.jpg")) + "</SlideList>\n");
    viewer.transitionDuration = 0.6f;
    SlideList list;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(list.load(dir.file("show.qvx")));
    testing::internal::GetCapturedStdout();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(viewer.autoRotate);
    viewer.autoRotate = true;
    EXPECT_FLOAT_EQ(list.transition(0).duration, c.defaultSeconds);  // the default blend
    EXPECT_FLOAT_EQ(list.transition(1).duration, c.seconds);
    if (*c.warning)
      EXPECT_NE(printed.find(c.warning), std::string::npos) << printed;
    else
      EXPECT_EQ(printed.find("duration"), std::string::npos) << printed;
  }
  viewer.transitionDuration = 0.6f;
}
