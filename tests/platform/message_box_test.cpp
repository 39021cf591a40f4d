#include "platform/message_box.h"

#include <gtest/gtest.h>

#include "platform/resources.h"

TEST(MessageBox, PrintsAnErrorLine) {
  testing::internal::CaptureStderr();
  showMessageBox("Failed To Open The AVI Stream", "Error");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed To Open The AVI Stream\n");
}

TEST(Resources, LookupsFail) {
  const void* data = &data;
  size_t size = 7;
  EXPECT_FALSE(findProgramResource("qvx", "PNG", &data, &size));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
}
