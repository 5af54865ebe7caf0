// XEdit: the numeric edit box of a slider control. In front of the edit's own typing sits a key
// filter: only digits, Backspace, Enter and Ctrl+A pass, "-" (when the range goes below 0)
// toggles the sign, decimals take one "." and "/" (the reciprocal), integers take hexadecimal
// digits and "$" or "*" to toggle the "$" prefix. Enter and leaving the box commit the text: it is
// read (ParseValue), clamped to Min..Max, shown by the Mask and handed to the slider control.
#pragma once

#include <optional>
#include <string>

#include "widgets/control_links.h"
#include "toolkit/edit.h"
#include "widgets/param_kind.h"

namespace brelix {

class XEdit : public TEdit {
 public:
  static constexpr int kDefaultWidth = 64;
  static constexpr int kDefaultHeight = 14;
  static constexpr const char* kDefaultMask = "####0.#######";

  // Select all on entry, 64 x 14, no frame, background WindowColor, EditColor bold 9 points.
  explicit XEdit(TComponent* owner);
  static XEdit* CreateEdit(TComponent* owner, TWidget* parent, int left, int top);

  TParamKind Kind = TParamKind::SingleSingle;
  std::string Mask = kDefaultMask;
  double Min = 0, Max = 1;
  ISliderControl* Control = nullptr;

  // The text becomes `value` formatted with Mask.
  void SetValue(double value);
  // The number the text stands for, clamped to Min..Max unless `unclamped`; none when the text
  // is not a number.
  std::optional<double> ParseValue(bool unclamped) const;
  // Reads, clamps and shows the text, and hands a changed value to the control. A text that is
  // not a number is replaced by the value the box showed before, and nothing changes (false).
  bool Commit();

  void KeyChar(char& c) override;
  void KeyUp(TKeyEvent& e) override;
  void Exit() override;
  void DropTyping() override { SetValue(shown_); }

 private:
  bool Allowed(char c) const;

  double shown_ = 0;  // the last value set or committed
};

}  // namespace brelix
