#include "widgets/x_button.h"

#include "toolkit/focus_parent.h"
#include "toolkit/widget_settings.h"

namespace brelix {

XButton::XButton(TComponent* owner) : TPaintBox(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  SignalColor = colors.FontColor;
  Font = {9, true, colors.FontColor};
  SetSize(kDefaultWidth, kDefaultHeight);
}

XButton* XButton::CreateButton(TComponent* owner, TWidget* parent, int left, int top) {
  return PlaceIn(new XButton(owner), parent, left, top);
}

void XButton::Paint(TCanvas& canvas) {
  const TEditorColors& colors = WidgetSettings().Colors;
  const int w = Width(), h = Height();
  if (Offset != 0) canvas.FillRect(canvas.ClipRect(), colors.WindowColor);
  canvas.FrameRect({Offset, 0, w, h}, External ? colors.KnobColor : colors.FrameColor);

  TColor fill, text;
  if (Down || Signal) {
    if (ParamButton)
      fill = External ? colors.KnobColor : colors.EditColor;
    else
      fill = Signal ? SignalColor : Font.Color;
    TRect area = canvas.ClipRect().Offset(Offset, 0);
    if (!Full) area = {area.left + 2, area.top + 2, area.right - 2, area.bottom - 2};
    canvas.FillRect(area, fill);
    text = (ParamButton && External) ? colors.EditColor : Color;
  } else {
    fill = Color;
    text = ParamButton ? colors.EditColor : Font.Color;
  }

  TFont font = Font;
  font.Color = text;
  canvas.SetFont(font);
  const int x = (w - Offset - canvas.TextWidth(Caption)) / 2 + Offset;
  const int y = (h - canvas.TextHeight()) / 2;
  canvas.TextRect({Offset + 2, 2, w - 2, h - 2}, x, y, Caption, fill);
}

void XButton::Click() {
  if (Signal) {
    Signal = false;
    Repaint();
    FocusParent(*this);
  } else if (OnClick) {
    OnClick();
    FocusParent(*this);
  } else {
    FocusParent(*this);
    Down = !Down;
    Repaint();
    if (ParamButton) UpdateValue(Down);
  }
}

}  // namespace brelix
