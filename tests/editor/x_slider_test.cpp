// The slider bar: where its knob is drawn and in which colour, and how a drag moves its value:
// across the bar, over the whole screen once the pointer leaves the bar, finely with Ctrl, in
// the extended range with Alt.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/recording_controls.h"
#include "support/widget_fixture.h"

namespace brelix {
namespace {

using testing::RecordingSliderControl;
using ui::TMouseButton;

constexpr TShiftState kAlt{.Alt = true};
constexpr TShiftState kCtrl{.Ctrl = true};

class SliderTest : public testing::WidgetFixture {
 protected:
  SliderTest() { bar = XSlider::CreateSlider(form.get(), page, 4, 35); }

  // The knob's left edge as painted: the first column of row 8 in the slider colour.
  int PaintedKnobLeft(TColor knob) {
    for (int x = 0; x < bar->Width(); ++x)
      if (Pixel(*bar, x, 8) == knob) return x;
    return -1;
  }
  int PaintedKnobWidth(TColor knob) {
    int n = 0;
    for (int x = 0; x < bar->Width(); ++x) n += Pixel(*bar, x, 8) == knob;
    return n;
  }
  XSlider* bar;
  RecordingSliderControl control;
};

TEST_F(SliderTest, IsABareFrameWithASevenPixelKnob) {
  bar->Value = 0.5f;
  EXPECT_EQ(Pixel(*bar, 20, 0), Colors().FrameColor);
  EXPECT_EQ(Pixel(*bar, 20, 15), Colors().FrameColor);
  EXPECT_EQ(Pixel(*bar, 0, 8), Colors().FrameColor);
  EXPECT_EQ(Pixel(*bar, 150, 8), Colors().FrameColor);
  EXPECT_EQ(Pixel(*bar, 20, 8), Colors().WindowColor);  // the inside is the page's
  EXPECT_EQ(PaintedKnobWidth(Colors().SliderColor), 7);
  // The knob's ends are rounded: its corners leave the frame showing, its middle covers it.
  EXPECT_EQ(Pixel(*bar, 72, 0), Colors().FrameColor);
  EXPECT_EQ(Pixel(*bar, 75, 0), Colors().SliderColor);
  EXPECT_EQ(Pixel(*bar, 75, 15), Colors().SliderColor);
}

TEST_F(SliderTest, KnobPositionsAlongA151PixelBar) {
  const struct {
    float value;
    int left;
  } cases[] = {
      {0.0f, 0}, {1.0f, 144}, {0.5f, 72}, {0.01f, 0}, {0.03f, 1}, {0.97f, 143}, {0.98f, 144}, {-3.0f, 0}, {7.0f, 144},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    bar->Value = c.value;
    bar->Repaint();
    EXPECT_EQ(bar->KnobLeft(), c.left);
    EXPECT_EQ(PaintedKnobLeft(Colors().SliderColor), c.left);
    EXPECT_EQ(PaintedKnobWidth(Colors().SliderColor), 7);
  }
}

TEST_F(SliderTest, TheKnobTurnsOverflowColouredBeyondTheNormalRangeOnTheExtendedSide) {
  bar->Min = -1;
  bar->Max = 1;
  const struct {
    bool below, above;
    float value;
    bool overflow;
  } cases[] = {
      {false, true, 1.5f, true},   {false, true, -1.5f, false}, {true, false, -1.5f, true},
      {true, false, 1.5f, false},  {true, true, 0.5f, false},   {true, true, 1.0f, false},
      {false, false, 9.0f, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    bar->Overflow = {c.below, c.above};
    bar->Value = c.value;
    bar->Repaint();
    const TColor knob = c.overflow ? Colors().OverflowColor : Colors().SliderColor;
    EXPECT_EQ(PaintedKnobWidth(knob), 7);
  }
}

TEST_F(SliderTest, ValuesFromADamagedFileDrawAtTheEnds) {
  bar->Value = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(PaintedKnobLeft(Colors().SliderColor), 0);
  bar->Value = std::numeric_limits<float>::infinity();
  bar->Repaint();
  EXPECT_EQ(PaintedKnobLeft(Colors().SliderColor), 144);
  // A bar with equal bounds draws its knob at the left and drags to the bound.
  bar->Min = bar->Max = bar->ExtMin = bar->ExtMax = 3;
  bar->Value = 7;
  bar->Repaint();
  EXPECT_EQ(PaintedKnobLeft(Colors().SliderColor), 0);
  Press(*bar, 100, 8);
  EXPECT_EQ(bar->Value, 3.0f);
}

TEST_F(SliderTest, ADragAfterANotANumberValueStartsAtTheBottom) {
  bar->Control = &control;
  bar->Value = std::numeric_limits<float>::quiet_NaN();
  Press(*bar, 0, 8, TMouseButton::Left, kCtrl);
  EXPECT_EQ(bar->Value, 0.0f);
  Move(*bar, 151, 8, kCtrl);
  EXPECT_FLOAT_EQ(bar->Value, 0.01f);
}

TEST_F(SliderTest, APlainDragFollowsThePointerAcrossTheBar) {
  bar->Control = &control;
  Press(*bar, 75, 8);
  EXPECT_TRUE(bar->Down);
  EXPECT_FLOAT_EQ(bar->Value, 75.0f / 151);
  Move(*bar, 30, 20);  // below the bar, still in its band
  EXPECT_FLOAT_EQ(bar->Value, 30.0f / 151);
  Move(*bar, 400, 8);
  EXPECT_EQ(bar->Value, 1.0f);
  Move(*bar, -50, 8);
  EXPECT_EQ(bar->Value, 0.0f);
  Release(*bar, -50, 8);
  EXPECT_FALSE(bar->Down);
  Move(*bar, 100, 8);  // no drag any more
  EXPECT_EQ(bar->Value, 0.0f);
  EXPECT_EQ(control.calls, (std::vector<std::string>{"BeginDrag", "DragTo", "DragTo", "DragTo", "DragTo", "EndDrag"}));
  EXPECT_TRUE(window->Platform().Warps.empty());
}

TEST_F(SliderTest, OtherButtonsRunTheMouseDownHandlerInsteadOfDragging) {
  bar->Control = &control;
  std::vector<TMouseButton> pressed;
  bar->OnMouseDown = [&](const TMouseEvent& e) { pressed.push_back(e.Button); };
  bar->Value = 0.25f;
  Click(*bar, 100, 8, TMouseButton::Right);
  Click(*bar, 100, 8, TMouseButton::Middle);
  EXPECT_EQ(pressed, (std::vector<TMouseButton>{TMouseButton::Right, TMouseButton::Middle}));
  EXPECT_EQ(bar->Value, 0.25f);
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(SliderTest, AltDragsThroughTheExtendedRange) {
  bar->Control = &control;
  bar->Min = -1;
  bar->Max = 1;
  bar->ExtMin = -8;
  bar->ExtMax = 8;
  bar->Overflow = {true, true};
  Press(*bar, 113, 8, TMouseButton::Left, kAlt);
  EXPECT_FLOAT_EQ(bar->Value, 113.0f / 151 * 16 - 8);
  EXPECT_EQ(control.calls.back(), "DragTo ext");
  EXPECT_EQ(PaintedKnobLeft(Colors().OverflowColor), 144);
  Move(*bar, 151, 8, kAlt);
  EXPECT_EQ(bar->Value, 8.0f);
  // Without Alt the same drag stays in the normal range.
  Move(*bar, 151, 8);
  EXPECT_EQ(bar->Value, 1.0f);
  EXPECT_EQ(control.calls.back(), "DragTo");
  EXPECT_EQ(PaintedKnobLeft(Colors().SliderColor), 144);
}

TEST_F(SliderTest, LeavingTheBandWarpsThePointerAndFollowsTheScreenHeight) {
  ui::HeadlessPlatform& screen = window->Platform();
  Press(*bar, 75, 8);
  const float start = bar->Value;
  Move(*bar, 80, 31);  // the last row of the band
  EXPECT_FALSE(bar->Vertical);
  Move(*bar, 80, 32);
  EXPECT_TRUE(bar->Vertical);
  ASSERT_EQ(screen.Warps.size(), 1u);
  const int warped_y = static_cast<int>(1079 * (1.0 - 80.0 / 151));
  EXPECT_EQ(screen.Warps[0], (TPoint{100 + At(*bar, 80, 0).x, warped_y}));
  EXPECT_NEAR(bar->Value, 80.0f / 151, 1.0 / 1079);  // no jump
  EXPECT_NE(bar->Value, start);
  // From now on the height on the screen is the value, also back inside the band.
  Move(*bar, 80, -100 - At(*bar, 0, 0).y);  // screen y 0
  EXPECT_EQ(bar->Value, 1.0f);
  Move(*bar, 80, 1079 - 100 - At(*bar, 0, 0).y);
  EXPECT_EQ(bar->Value, 0.0f);
  Move(*bar, 80, 8);
  EXPECT_NEAR(bar->Value, 1.0 - (100.0 + At(*bar, 0, 8).y) / 1079, 1e-6);
  EXPECT_EQ(screen.Warps.size(), 1u);
  Release(*bar, 80, 8);
  // A new drag starts inside the bar again.
  Press(*bar, 10, 8);
  EXPECT_FALSE(bar->Vertical);
  EXPECT_FLOAT_EQ(bar->Value, 10.0f / 151);
}

TEST_F(SliderTest, AboveTheBandWarpsToo) {
  Press(*bar, 30, 8);
  Move(*bar, 30, -17);
  EXPECT_TRUE(bar->Vertical);
  EXPECT_EQ(window->Platform().Warps.size(), 1u);
}

TEST_F(SliderTest, WithoutAWarpTheScreenHeightModeReadsWhereThePointerIs) {
  struct Case {
    const char* name;
    bool touch_screen;
    TShiftState shift;
  };
  for (const Case& c : {Case{"TouchScreen", true, {}}, Case{"Ctrl", false, kCtrl}}) {
    SCOPED_TRACE(c.name);
    ChangeSettings([&](TSharedSettings& s) { s.TouchScreen = c.touch_screen; });
    window->Platform().Warps.clear();
    bar->Value = 0.5f;
    Press(*bar, 75, 8, TMouseButton::Left, c.shift);
    Move(*bar, 75, 100, c.shift);
    EXPECT_TRUE(bar->Vertical);
    EXPECT_TRUE(window->Platform().Warps.empty());
    if (!c.shift.Ctrl) {
      EXPECT_NEAR(bar->Value, 1.0 - (100.0 + At(*bar, 0, 100).y) / 1079, 1e-6);
    }
    Release(*bar, 75, 100);
  }
}

TEST_F(SliderTest, AWarpThatTheServerRefusesMovesNothingByItself) {
  ui::HeadlessPlatform& screen = window->Platform();
  screen.WarpFails = true;
  Press(*bar, 75, 8);
  const float start = bar->Value;
  Move(*bar, 75, 40);
  ASSERT_EQ(screen.Warps.size(), 1u);
  EXPECT_NE(screen.Pointer, screen.Warps[0]);
  EXPECT_NEAR(bar->Value, start, 1.0 / 1079);
  // The pointer's movements still count at the screen-height scale.
  Move(*bar, 75, 40 - 108);
  EXPECT_NEAR(bar->Value, start + 108.0 / 1079, 2.0 / 1079);
  Move(*bar, 75, 40 + 216);
  EXPECT_NEAR(bar->Value, start - 216.0 / 1079, 2.0 / 1079);
}

TEST_F(SliderTest, CtrlDraggingAcrossTheBarMovesByMicroscopeTimesTheRange) {
  bar->Control = &control;
  // A drag elsewhere leaves its last pointer position behind; a Ctrl press must not use it.
  Press(*bar, 140, 8);
  Move(*bar, 900, 8);
  Release(*bar, 900, 8);
  bar->Value = 0.5f;  // as a typed value or a host change would leave it
  Press(*bar, 0, 8, TMouseButton::Left, kCtrl);
  EXPECT_EQ(bar->Value, 0.5f);
  Move(*bar, 151, 8, kCtrl);
  EXPECT_FLOAT_EQ(bar->Value, 0.51f);
  Release(*bar, 151, 8);

  ChangeSettings([](TSharedSettings& s) { s.Microscope = 0.1f; });
  bar->Min = -1;
  bar->Max = 1;
  bar->ExtMin = -8;
  bar->ExtMax = 8;
  bar->Value = 0;
  Press(*bar, 20, 8, TMouseButton::Left, {.Ctrl = true, .Alt = true});
  Move(*bar, 171, 8, {.Ctrl = true, .Alt = true});
  EXPECT_FLOAT_EQ(bar->Value, 1.6f);
}

TEST_F(SliderTest, CtrlInTheScreenHeightModeMovesFinelyByTheHeight) {
  bar->Value = 0.5f;
  Press(*bar, 75, 8, TMouseButton::Left, kCtrl);
  Move(*bar, 75, 100, kCtrl);
  ASSERT_TRUE(bar->Vertical);
  const float start = bar->Value;
  Move(*bar, 75, 100 - 1079, kCtrl);  // a whole screen up
  EXPECT_NEAR(bar->Value, start + 0.01, 1e-6);
}

}  // namespace
}  // namespace brelix
