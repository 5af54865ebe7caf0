// The message service without a display: messages on standard error, paragraphs as blank lines.
#include "base/messages.h"
#include "base/printable_text.h"

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

TEST(MessageText, FileNamesShowTheirControlCharactersEscaped) {
  struct Case {
    std::string name;
    const char* printed;
  };
  const Case cases[] = {
      {"/home/a/warm pad.tw", "/home/a/warm pad.tw"},
      {"/tmp/a\nBrelix: wrote b.wav", "/tmp/a\\nBrelix: wrote b.wav"},
      {"x\x1b[2Ky\x7f", "x\\x1b[2Ky\\x7f"},
      {"tab\there\r", "tab\\there\\r"},
      {"back\\slash", "back\\\\slash"},
      {"C1 \xc2\x9b here", "C1 \\u009b here"},
      {"Gr\xc3\xbc\xc3\x9f" "e \xc2\xa0", "Gr\xc3\xbc\xc3\x9f" "e \xc2\xa0"},
      {std::string("nul\0x", 5), "nul\\x00x"},
  };
  for (const Case& c : cases) EXPECT_EQ(brelix::PrintableText(c.name), c.printed) << c.name;
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
