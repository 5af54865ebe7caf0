// The value a slider resets to under each modifier, and the undo stack the resets, edits and
// drags feed.
#include <gtest/gtest.h>

#include <cstdint>

#include "editor/slider_reset.h"
#include "toolkit/undo_stack.h"

namespace brelix {
namespace {

TEST(SliderReset, ModifiersChooseTheTarget) {
  struct Case {
    const char* what;
    bool shift, alt;
    double min, max;
    float expected;
  };
  const Case cases[] = {
      {"plain: the default", false, false, -1, 1, 0.25f},
      {"Shift: the normal minimum", true, false, -1, 1, -1.0f},
      {"Shift: a minimum within 1e-6 counts as 0", true, false, 1e-7, 1, 0.0f},
      {"Shift: -1e-6 itself counts as 0", true, false, -1e-6, 1, 0.0f},
      {"Shift: a minimum beyond 1e-6 stays", true, false, 2e-6, 1, 2e-6f},
      {"Alt: the middle", false, true, -1, 3, 1.0f},
      {"Alt: the middle from 0 for a tiny minimum", false, true, 1e-7, 1, 0.5f},
      {"Shift + Alt: the maximum", true, true, -1, 12543.854, 12543.854f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SliderResetValue(c.shift, c.alt, {c.min, c.max}, 0.25f), c.expected) << c.what;
  }
}

TEST(UndoStack, EqualValuesInARowMakeOneEntryExceptFromADrag) {
  TUndoStack<float> undo;
  EXPECT_FALSE(undo.Take());  // nothing to undo: nothing happens
  undo.Add(3.0f);
  undo.Add(3.0f);  // a second reset from the same value
  EXPECT_EQ(undo.Size(), 1u);
  undo.Push(3.0f);  // a drag's release does not look at the top
  EXPECT_EQ(undo.Size(), 2u);
  undo.Add(5.0f);
  EXPECT_EQ(undo.Take(), 5.0f);
  EXPECT_EQ(undo.Take(), 3.0f);
  EXPECT_EQ(undo.Take(), 3.0f);
  EXPECT_TRUE(undo.Empty());

  TUndoStack<uint32_t> list;  // a list control's value numbers
  list.Add(2);
  list.Add(7);
  list.Add(2);
  EXPECT_EQ(list.Size(), 3u);
  list.Clear();  // the controls are reloaded from the patch
  EXPECT_TRUE(list.Empty());
  EXPECT_FALSE(list.Take());
}

}  // namespace
}  // namespace brelix
