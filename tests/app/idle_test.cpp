// The idle viewer draws only when a frame would differ from the last one:
// the splash, the cursor fade, the progress indicator and the clock's
// seconds still get their frames, a still page none.
#include <gtest/gtest.h>

#include "app/callbacks.h"
#include "app/frame.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "platform/clock.h"
#include "support/gl_test_window.h"
#include "support/viewer_process.h"

namespace {

void secondsAgo(TimeStamp& stamp, float seconds) {
  stamp.stamp = timeGetTime() - uint32_t(seconds * 1000);
}

TEST(Idle, AFrameIsDueOnlyWhenSomethingOnScreenMoves) {
  if (!gltest::ensureWindow(64, 48)) GTEST_SKIP() << "no X display";
  testfiles::TempDir folder;
  viewer = ViewerState();
  writeSolidPage(folder, "a.png", 10, 20, 30);
  ASSERT_TRUE(slideList.load(writeSlideList(folder, {{"a.png"}})));
  showFirstPage();
  // Long after start-up: splash over, cursor faded.
  auto settled = [] {
    secondsAgo(viewer.clockStart, 100.2f);
    secondsAgo(viewer.lastMouseActivity, 100);
    secondsAgo(viewer.transitionStart, 100);
  };
  const struct {
    const char* what;
    std::function<void()> change;
    bool due;
  } cases[] = {
      {"a still page", [] {}, false},
      {"the splash replayed", [] { secondsAgo(viewer.clockStart, 1); }, true},
      {"the pointer moved", [] { viewer.lastMouseActivity.reset(); }, true},
      {"the cursor fading", [] { secondsAgo(viewer.lastMouseActivity, 2.5f); }, true},
      {"the clock shown", [] { viewer.clockVisible = true; }, true},
      {"the progress indicator",
       [] {
         viewer.showProgressPosition = true;
         secondsAgo(viewer.transitionStart, 1);
       },
       true},
  };
  for (const auto& c : cases) {
    settled();
    displayFunc();
    c.change();
    EXPECT_EQ(frameWouldChange(), c.due) << c.what;
    displayFunc();
    viewer.clockVisible = viewer.showProgressPosition = false;
  }
  // The clock asks for a frame once its seconds move.
  settled();
  viewer.clockVisible = true;
  displayFunc();
  EXPECT_FALSE(frameWouldChange());
  secondsAgo(viewer.clockStart, 101.2f);
  EXPECT_TRUE(frameWouldChange());

  slideList.slides.clear();
  slideList.transitions.clear();
  slideList.pages.clear();
}

}  // namespace
