#include "platform/message_box.h"

#include <gtest/gtest.h>

TEST(MessageBox, PrintsAnErrorLine) {
  testing::internal::CaptureStderr();
  showMessageBox("Failed To Open The AVI Stream", "Error");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed To Open The AVI Stream\n");
}
