// A single-line edit: text with a caret and a selection, typing, Backspace and Delete, Left,
// Right, Home and End (with Shift to select), Ctrl+A, mouse placement, drag selection and
// double click to select all. It takes the keyboard focus on a click. With AutoSelect on, arriving
// selects everything, by the keyboard (Tab) as by the mouse: the click that brings the focus keeps
// the whole text selected (typing replaces it), a click into the focused box places the caret.
// The selection shows only while it has the focus.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/widget.h"

namespace brelix {

class TEdit : public TWidget {
 public:
  static constexpr int kMargin = 1;  // between the left edge and the text
  static constexpr int64_t kBlinkMs = 530;

  explicit TEdit(TComponent* owner);

  const std::string& Text() const { return text_; }
  // Replaces the text; the caret goes to its start with nothing selected.
  void SetText(std::string text);
  // The selection runs from the anchor to the caret; either may be the larger.
  int SelStart() const;
  int SelLength() const;
  int CaretPosition() const { return caret_; }
  void SetSelection(int anchor, int caret);
  void SelectAll() { SetSelection(0, static_cast<int>(text_.size())); }
  // The text as it would be with the selected part removed.
  std::string TextWithoutSelection() const;

  bool AutoSelect = true;
  std::function<void()> OnChange;  // the user changed the text

  void Paint(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& e) override;
  void MouseMove(const TMouseEvent& e) override;
  void MouseUp(const TMouseEvent& e) override;
  bool WantsDoubleClicks() const override { return true; }
  void DoubleClick() override;
  void KeyDown(TKeyEvent& e) override;
  void KeyChar(char& c) override;
  void Enter() override;
  void Exit() override;
  bool TakesKeys() const override { return true; }
  bool TakesFocusOnClick() const override { return true; }
  void Tick(int64_t now_ms) override;

 protected:
  bool Focusable() const override { return true; }
  // Puts `text` in place of the selection, the caret after it, as typing does.
  void ReplaceSelection(std::string_view text);

 private:
  int TextX(int index) const;
  int IndexAt(int x) const;
  int TextTop() const;
  void ShowCaret();
  void ScrollToCaret();
  void Changed();

  std::string text_;
  int anchor_ = 0, caret_ = 0;
  int scroll_x_ = 0;
  bool selecting_ = false;
  bool caret_on_ = true;
  int64_t blink_from_ms_ = -1;
};

}  // namespace brelix
