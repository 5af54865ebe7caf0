// The message service without a display: messages on standard error, paragraphs as blank lines.
#include "base/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MessageText, ParagraphBreaksBecomeBlankLines) {
  struct Case {
    const char* text;
    const char* plain;
  };
  const Case cases[] = {
      {"/usr/lib/vst/Brelix64.so\r\rInitialization error!",
       "/usr/lib/vst/Brelix64.so\n\nInitialization error!"},
      {"one\rtwo", "one\ntwo"},
      {"\r\r\r", "\n\n\n"},
      {"no breaks", "no breaks"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(brelix::MessageAsPlainText(c.text), c.plain) << c.text;
}

TEST(StderrBoxes, WriteEachMessageAsOneBlockAndNoProgressLine) {
  brelix::SetMessageBoxes(nullptr);
  testing::internal::CaptureStderr();
  brelix::ShowMessageBox("/x/Brelix64.so\r\rDifferent synthesizer data format!");
  auto box = brelix::ShowWaitBox("Engine Initialization");
  ASSERT_NE(box, nullptr);
  box->Close();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "/x/Brelix64.so\n\nDifferent synthesizer data format!\n");
}

}  // namespace
