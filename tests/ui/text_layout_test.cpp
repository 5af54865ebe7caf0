// Wrapping the forms' texts: line breaks, words, paths and words wider than the box.
#include "ui/text_layout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class TextLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 10, 10);
    cr_ = cairo_create(surface_);
    brelix::ui::SelectFont(cr_, {9, false});
  }
  void TearDown() override {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  double Width(const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(cr_, text.c_str(), &e);
    return e.x_advance;
  }
  Lines Wrap(const std::string& text, double width) { return brelix::ui::WrapText(cr_, text, width); }

  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

TEST_F(TextLayout, LineBreaksEndLinesAndBlankLinesStay) {
  EXPECT_EQ(Wrap("\r/x/Brelix64.so\r\rInitialization error!", 1000),
            (Lines{"", "/x/Brelix64.so", "", "Initialization error!"}));
  EXPECT_EQ(Wrap("a\r\nb\nc", 1000), (Lines{"a", "b", "c"}));
  EXPECT_EQ(Wrap("", 1000), Lines{""});
}

TEST_F(TextLayout, LongLinesWrapAtSpacesThenPathSeparatorsThenCharacters) {
  const double width = Width("Invalid sample file:") + 1;
  EXPECT_EQ(Wrap("Invalid sample file: x", width), (Lines{"Invalid sample file:", "x"}));

  const std::string path = "/home/someone/samples/strings/a-very-long-name-of-a-sample-file.wav";
  const double narrow = Width("/home/someone/samples/") + 1;
  const Lines lines = Wrap(path, narrow);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "/home/someone/samples/");
  std::string joined;
  for (const std::string& line : lines) {
    EXPECT_LE(Width(line), narrow) << line;
    joined += line;
  }
  EXPECT_EQ(joined, path);  // nothing lost, nothing added

  // A word wider than the box breaks between characters, never inside a multi-byte one.
  const std::string word = "Ünïcödé-Ünïcödé-Ünïcödé";
  std::string rejoined;
  for (const std::string& line : Wrap(word, Width("Ünïc") + 1)) {
    EXPECT_LE(Width(line), Width("Ünïc") + 1);
    rejoined += line;
  }
  EXPECT_EQ(rejoined, word);
}

}  // namespace
