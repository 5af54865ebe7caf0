// Colours as pixel values of the visuals a window may have.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "ui/x11_image_copy.h"

namespace brelix::ui {
namespace {

Visual VisualWithMasks(unsigned long red, unsigned long green, unsigned long blue) {
  Visual v{};
  v.red_mask = red;
  v.green_mask = green;
  v.blue_mask = blue;
  return v;
}

TEST(PixelOfRgb, PlacesEachChannelUnderItsMask) {
  const Visual rgb = VisualWithMasks(0xFF0000, 0xFF00, 0xFF);
  const Visual bgr = VisualWithMasks(0xFF, 0xFF00, 0xFF0000);
  const Visual rgb565 = VisualWithMasks(0xF800, 0x07E0, 0x001F);
  EXPECT_EQ(PixelOfRgb(&rgb, 0x202020), 0x202020u);
  EXPECT_EQ(PixelOfRgb(&rgb, 0xF6D622), 0xF6D622u);
  EXPECT_EQ(PixelOfRgb(&bgr, 0xF6D622), 0x22D6F6u);
  EXPECT_EQ(PixelOfRgb(&rgb565, 0xFF8040), (31u << 11) | (32u << 5) | 8u);
}

}  // namespace
}  // namespace brelix::ui
