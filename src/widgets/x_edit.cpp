#include "widgets/x_edit.h"

#include <algorithm>

#include "widgets/value_text.h"
#include "toolkit/widget_settings.h"

namespace brelix {

namespace {

constexpr char kSelectAll = 1;  // Ctrl+A

bool IsHexLetter(char c) { return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

}  // namespace

XEdit::XEdit(TComponent* owner) : TEdit(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  Font = {9, true, colors.EditColor};
  AutoSelect = true;
  SetSize(kDefaultWidth, kDefaultHeight);
}

XEdit* XEdit::CreateEdit(TComponent* owner, TWidget* parent, int left, int top) {
  return PlaceIn(new XEdit(owner), parent, left, top);
}

void XEdit::SetValue(double value) {
  shown_ = value;
  SetText(FormatMasked(value, Mask));
}

std::optional<double> XEdit::ParseValue(bool unclamped) const {
  std::optional<double> v = ReadEditNumber(Text(), Kind);
  if (!v || unclamped) return v;
  const float min = static_cast<float>(Min), max = static_cast<float>(Max);
  if (*v < min) return min;
  if (*v > max) return max;
  return v;
}

bool XEdit::Commit() {
  const std::optional<double> v = ParseValue(false);
  if (!v) {
    SetValue(shown_);
    return false;
  }
  SetValue(*v);
  if (Control != nullptr && static_cast<float>(*v) != Control->ControlValue()) {
    Control->AddUndo();
    Control->UpdateValue(static_cast<float>(*v));
  }
  return true;
}

bool XEdit::Allowed(char c) const {
  if (c == kSelectAll || c == '\b' || c == '\r' || (c >= '0' && c <= '9')) return true;
  if (c == '-') return Min < 0;
  if (Kind == TParamKind::SingleSingle) return c == '.' || c == '/';
  return c == '$' || c == '*' || IsHexLetter(c);
}

void XEdit::KeyChar(char& c) {
  if (!Allowed(c)) return;
  std::string text = TextWithoutSelection();
  switch (c) {
    case kSelectAll:
      SelectAll();
      return;
    case '$':
    case '*':
      if (text.starts_with('$')) {
        SetText(text.substr(1));
        SetSelection(0, 0);
      } else {
        SetText("$" + text);
        SetSelection(1, 1);
      }
      return;
    case '-': {
      const int i = text.starts_with('$') ? 2 : 1;
      if (static_cast<int>(text.size()) >= i && text[i - 1] == '-') {
        SetText(text.substr(1));
        SetSelection(i - 1, i - 1);
      } else {
        SetText("-" + text);
        SetSelection(i, i);
      }
      return;
    }
    case '.':
      if (text.find('.') != std::string::npos) return;
      break;
    case '/': {
      const std::optional<double> v = ReadEditNumber(text, Kind);
      if (v && *v != 0.0) {
        SetText(FormatMasked(1.0 / *v, Mask));
        Commit();
      }
      return;
    }
    default:
      break;
  }
  TEdit::KeyChar(c);
}

void XEdit::KeyUp(TKeyEvent& e) {
  if (e.Key == ui::keys::kReturn) {
    e.Key = 0;
    Commit();
    SelectAll();
  }
  TEdit::KeyUp(e);
}

void XEdit::Exit() {
  Commit();
  TEdit::Exit();
}

}  // namespace brelix
