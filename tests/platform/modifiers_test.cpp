#include "platform/modifiers.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/viewer_process.h"

// The modifier state comes from the X server, as a person holding the key
// leaves it; xdotool holds the keys here.
TEST(Modifiers, ReadsTheKeysHeldOnTheServer) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  if (runCommand("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "no xdotool";
  EXPECT_EQ(queryModifierKeys(), 0);
  runCommand("xdotool keydown shift");
  EXPECT_EQ(queryModifierKeys(), ModifierShift);
  runCommand("xdotool keydown ctrl");
  EXPECT_EQ(queryModifierKeys(), ModifierShift | ModifierCtrl);
  runCommand("xdotool keyup shift keyup ctrl keydown alt");
  EXPECT_EQ(queryModifierKeys(), ModifierAlt);
  runCommand("xdotool keyup alt");
  EXPECT_EQ(queryModifierKeys(), 0);
}
