#include "widgets/x_label.h"

#include <string_view>

#include "toolkit/focus_parent.h"
#include "toolkit/widget_settings.h"

namespace brelix {

XLabel::XLabel(TComponent* owner) : TPaintBox(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  Font = {9, false, colors.FontColor};
  SetSize(kDefaultWidth, kDefaultHeight);
}

XLabel* XLabel::CreateLabel(TComponent* owner, TWidget* parent, int left, int top) {
  return PlaceIn(new XLabel(owner), parent, left, top);
}

void XLabel::Paint(TCanvas& canvas) {
  const std::string_view caption = Caption;
  const size_t tab = caption.find('\t');
  const std::string_view left = caption.substr(0, tab);
  const std::string_view right = tab == std::string_view::npos ? std::string_view() : caption.substr(tab + 1);

  const int w = Width(), h = Height();
  canvas.FillRect({0, 0, w, h}, Color);
  canvas.SetFont(Font);
  const int text_width = canvas.TextWidth(left);
  int x = Margin;
  if (Alignment == TAlignment::Right)
    x = w - Margin - text_width - 1;
  else if (Alignment == TAlignment::Center)
    x = (w - text_width) / 2;
  const int y = (h - canvas.TextHeight()) / 2;
  canvas.TextOut(x, y, left);
  if (!right.empty()) canvas.TextOut(w - Margin - canvas.TextWidth(right) - 1, y, right);
}

void XLabel::Click() {
  FocusParent(*this);
  TPaintBox::Click();
}

}  // namespace brelix
