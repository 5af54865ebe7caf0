#include "toolkit/form.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace brelix {

// The form's side of the backend interface: device pixels in, widget events out.
class TFormWindowClient final : public ui::IWindowClient {
 public:
  explicit TFormWindowClient(TForm& form) : form_(form) {}

  TSize DeviceSize() const override {
    return {static_cast<int>(std::ceil(form_.Width() * form_.scale_)),
            static_cast<int>(std::ceil(form_.Height() * form_.scale_))};
  }
  void AttachPlatform(ui::IPlatform* platform) override { form_.AttachPlatform(platform); }
  void MouseDown(ui::TMouseButton button, TShiftState shift, TPoint device, int64_t time_ms) override {
    form_.HandleMouseDown(button, shift, device, time_ms);
  }
  void MouseUp(ui::TMouseButton button, TShiftState shift, TPoint device) override {
    form_.HandleMouseUp(button, shift, device);
  }
  void MouseMove(TShiftState shift, TPoint device) override { form_.HandleMouseMove(shift, device); }
  void MouseWheel(int steps, TShiftState shift, TPoint device) override { form_.HandleMouseWheel(steps, shift, device); }
  void MouseLeave() override { form_.HandleMouseLeave(); }
  void KeyDown(int key, TShiftState shift) override { form_.HandleKeyDown(key, shift); }
  void KeyChar(char c) override { form_.HandleKeyChar(c); }
  void KeyUp(int key, TShiftState shift) override { form_.HandleKeyUp(key, shift); }
  bool TakesKey(int key) const override {
    return (form_.focused_ != nullptr && form_.focused_->TakesKeys()) || form_.ActsOnKey(key);
  }
  void Tick(int64_t now_ms) override { form_.HandleTick(now_ms); }
  bool NeedsPaint() const override { return !cairo_region_is_empty(form_.dirty_); }
  std::vector<TRect> PaintDirty(cairo_t* cr) override { return form_.PaintDirty(cr); }
  void InvalidateAll() override { form_.InvalidateArea({0, 0, form_.Width(), form_.Height()}); }

 private:
  TForm& form_;
};

namespace {

unsigned ButtonBit(ui::TMouseButton button) { return 1u << static_cast<unsigned>(button); }

cairo_rectangle_int_t CairoRect(const TRect& r) { return {r.left, r.top, r.Width(), r.Height()}; }

}  // namespace

TForm::TForm(TComponent* owner)
    : TWidget(owner),
      client_(std::make_unique<TFormWindowClient>(*this)),
      platform_(&null_platform_),
      dirty_(cairo_region_create()),
      hint_([this](const TRect& area) { InvalidateArea(area); }) {}

TForm::~TForm() {
  DestroyComponents();
  // Children owned elsewhere stay, without a form to report to.
  for (TWidget* child : std::vector<TWidget*>(Children())) child->SetParent(nullptr);
  cairo_region_destroy(dirty_);
}

void TForm::SetScale(double scale) {
  if (!(scale > 0.0) || scale == scale_) return;
  scale_ = scale;
  InvalidateArea({0, 0, Width(), Height()});
}

void TForm::Paint(TCanvas& canvas) { canvas.FillRect(canvas.ClipRect(), Color); }

// ---- focus ------------------------------------------------------------------------------------

bool TForm::SetActiveControl(TWidget* widget) {
  if (widget != nullptr && (!widget->CanFocus() || widget->Form() != this)) return false;
  if (widget == focused_) return true;
  TWidget* old = focused_;
  focused_ = widget;
  if (old != nullptr) old->Exit();
  if (widget != nullptr && focused_ == widget) {
    widget->Enter();
    for (TWidget* p = widget->Parent(); p != nullptr; p = p->Parent()) p->DescendantFocused(widget);
  }
  return true;
}

TWidget* TForm::FindNextControl(const TWidget* from, bool forward) const {
  // Every showing widget in tab order, depth first.
  std::vector<TWidget*> order;
  std::function<void(TWidget*)> walk = [&](TWidget* w) {
    order.push_back(w);
    std::vector<TWidget*> children;
    for (TWidget* child : w->Children())
      if (child->Visible()) children.push_back(child);
    std::stable_sort(children.begin(), children.end(),
                     [](const TWidget* a, const TWidget* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWidget* child : children) walk(child);
  };
  walk(const_cast<TForm*>(this));
  const auto found = std::find(order.begin(), order.end(), from);
  const int n = static_cast<int>(order.size());
  const int start = found != order.end() ? static_cast<int>(found - order.begin()) : (forward ? 0 : n - 1);
  for (int step = 1; step <= n; ++step) {
    // Without a starting widget the first candidate is the start itself.
    const int offset = found != order.end() ? step : step - 1;
    const int i = ((start + (forward ? offset : -offset)) % n + n) % n;
    if (order[i]->TabStop && order[i]->CanFocus()) return order[i];
  }
  return nullptr;
}

TWidget* TForm::KeyTaker() const { return focused_ != nullptr && focused_->TakesKeys() ? focused_ : nullptr; }

void TForm::ReleaseKeys(bool dropTyping) {
  TWidget* taker = KeyTaker();
  if (taker == nullptr) return;
  if (dropTyping) taker->DropTyping();
  SetActiveControl(nullptr);
}

void TForm::SelectNext(bool forward) {
  if (TWidget* next = FindNextControl(focused_, forward)) SetActiveControl(next);
}

void TForm::WidgetHidden(TWidget* widget) {
  if (capture_ != nullptr && widget->Contains(capture_)) CancelMouse();
  if (popup_ != nullptr && widget->Contains(popup_)) popup_ = popup_anchor_ = nullptr;
  hint_.Forget(widget);
  if (focused_ == nullptr || !widget->Contains(focused_)) return;
  TWidget* heir = widget->Parent();
  while (heir != nullptr && !heir->CanFocus()) heir = heir->Parent();
  SetActiveControl(heir);
}

void TForm::Forget(const TWidget* subtree) {
  auto forget = [subtree](TWidget*& w) {
    if (w != nullptr && subtree->Contains(w)) w = nullptr;
  };
  forget(focused_);
  forget(hovered_);
  forget(event_target_);
  if (capture_ != nullptr && subtree->Contains(capture_)) CancelMouse();
  if ((popup_ != nullptr && subtree->Contains(popup_)) || (popup_anchor_ != nullptr && subtree->Contains(popup_anchor_)))
    popup_ = popup_anchor_ = nullptr;
  if (last_press_.widget != nullptr && subtree->Contains(last_press_.widget)) last_press_ = {};
  hint_.Forget(subtree);
}

// ---- pointer -----------------------------------------------------------------------------------

TWidget* TForm::WidgetAt(TPoint point) {
  if (!TRect{0, 0, Width(), Height()}.Contains(point)) return nullptr;
  TWidget* child = ChildAt(point);
  return child != nullptr ? child : this;
}

void TForm::SetPopup(TWidget* popup, TWidget* anchor) {
  popup_ = popup;
  popup_anchor_ = popup != nullptr ? anchor : nullptr;
}

void TForm::DismissPopupFor(const TWidget* target) {
  if (popup_ == nullptr) return;
  if (target != nullptr && (popup_->Contains(target) || (popup_anchor_ != nullptr && popup_anchor_->Contains(target))))
    return;
  TWidget* popup = popup_;
  popup_ = popup_anchor_ = nullptr;
  if (popup->Showing()) popup->PopupDismissed();
}

void TForm::CancelMouse() {
  capture_ = nullptr;
  buttons_down_ = 0;
  click_pending_ = false;
}

TPoint TForm::ToLogical(TPoint device) const {
  return {static_cast<int>(std::floor(device.x / scale_)), static_cast<int>(std::floor(device.y / scale_))};
}

TRect TForm::ToDevice(const TRect& r) const {
  return {static_cast<int>(std::floor(r.left * scale_)), static_cast<int>(std::floor(r.top * scale_)),
          static_cast<int>(std::ceil(r.right * scale_)), static_cast<int>(std::ceil(r.bottom * scale_))};
}

TPoint TForm::LocalPoint(const TWidget* widget, TPoint form_point) const {
  const TPoint origin = widget->FormOrigin();
  return {form_point.x - origin.x, form_point.y - origin.y};
}

void TForm::HandleMouseDown(ui::TMouseButton button, TShiftState shift, TPoint device, int64_t time_ms) {
  const TPoint p = ToLogical(device);
  hint_.Dismiss();
  TWidget* target = capture_ != nullptr ? capture_ : WidgetAt(p);
  DismissPopupFor(target);
  if (target == nullptr || !target->Showing()) return;

  const TPoint local = LocalPoint(target, p);
  const bool double_click = last_press_.widget == target && last_press_.button == button &&
                            time_ms - last_press_.time_ms <= kDoubleClickMs &&
                            std::abs(p.x - last_press_.point.x) <= kDoubleClickDistance &&
                            std::abs(p.y - last_press_.point.y) <= kDoubleClickDistance;
  // A third press starts a new pair.
  last_press_ = double_click ? LastPress{} : LastPress{target, button, time_ms, p};
  capture_ = target;
  buttons_down_ |= ButtonBit(button);
  event_target_ = target;

  if (KeysBackToHost && !target->TakesFocusOnClick() && target != focused_) ReleaseKeys(false);
  const bool focus_arrived = target->TakesFocusOnClick() && focused_ != target && SetActiveControl(target) &&
                             focused_ == target;
  const bool as_double = double_click && button == ui::TMouseButton::Left && target->WantsDoubleClicks();
  if (button == ui::TMouseButton::Left) click_pending_ = !as_double;
  if (as_double && event_target_ != nullptr) target->DoubleClick();
  if (event_target_ != nullptr) target->MouseDown({button, shift, local.x, local.y, double_click, focus_arrived});
  event_target_ = nullptr;
}

void TForm::HandleMouseUp(ui::TMouseButton button, TShiftState shift, TPoint device) {
  const TPoint p = ToLogical(device);
  TWidget* target = capture_ != nullptr ? capture_ : WidgetAt(p);
  buttons_down_ &= ~ButtonBit(button);
  if (buttons_down_ == 0) capture_ = nullptr;
  const bool click = button == ui::TMouseButton::Left && click_pending_;
  if (button == ui::TMouseButton::Left) click_pending_ = false;
  if (target == nullptr) return;

  const TPoint local = LocalPoint(target, p);
  event_target_ = target;
  if (click && TRect{0, 0, target->Width(), target->Height()}.Contains(local)) target->Click();
  if (event_target_ != nullptr) target->MouseUp({button, shift, local.x, local.y, false});
  event_target_ = nullptr;
}

void TForm::HandleMouseMove(TShiftState shift, TPoint device) {
  const TPoint p = ToLogical(device);
  TWidget* under = WidgetAt(p);
  hovered_ = under;
  if (buttons_down_ == 0) hint_.PointerOver(under, p);
  TWidget* target = capture_ != nullptr ? capture_ : under;
  if (target == nullptr) return;
  const TPoint local = LocalPoint(target, p);
  target->MouseMove({ui::TMouseButton::Left, shift, local.x, local.y, false});
}

void TForm::HandleMouseWheel(int steps, TShiftState shift, TPoint device) {
  hint_.Dismiss();
  for (TWidget* w = WidgetAt(ToLogical(device)); w != nullptr; w = w->Parent())
    if (w->MouseWheel(steps, shift)) return;
}

void TForm::HandleMouseLeave() {
  hovered_ = nullptr;
  hint_.PointerOver(nullptr, {});
}

void TForm::AttachPlatform(ui::IPlatform* platform) {
  platform_ = platform != nullptr ? platform : &null_platform_;
  CancelMouse();
  hovered_ = nullptr;
  hint_.PointerOver(nullptr, {});
}

// ---- keys ---------------------------------------------------------------------------------------

void TForm::HandleKeyDown(int key, TShiftState shift) {
  hint_.Dismiss();
  TKeyEvent e{key, shift};
  if (PreviewKeyDown(e) || e.Key == 0) return;
  if (focused_ != nullptr) focused_->KeyDown(e);
  if (e.Key == ui::keys::kTab && !e.Shift.Ctrl && !e.Shift.Alt) SelectNext(!e.Shift.Shift);
}

void TForm::HandleKeyChar(char c) {
  if (PreviewKeyChar(c) || c == 0) return;
  if (focused_ != nullptr) focused_->KeyChar(c);
}

void TForm::HandleKeyUp(int key, TShiftState shift) {
  TKeyEvent e{key, shift};
  if (PreviewKeyUp(e) || e.Key == 0) return;
  if (focused_ != nullptr) focused_->KeyUp(e);
  // After the widget's own Enter (a box takes its value, a list its item) or Escape.
  if (KeysBackToHost && (key == ui::keys::kReturn || key == ui::keys::kEscape)) ReleaseKeys(key == ui::keys::kEscape);
}

void TForm::HandleTick(int64_t now_ms) {
  hint_.Tick(now_ms, {Width(), Height()});
  if (focused_ != nullptr) focused_->Tick(now_ms);
}

// ---- painting -----------------------------------------------------------------------------------

void TForm::InvalidateArea(const TRect& area) {
  const TRect r = area.Intersect({0, 0, Width(), Height()});
  if (r.Empty()) return;
  const cairo_rectangle_int_t rect = CairoRect(r);
  cairo_region_union_rectangle(dirty_, &rect);
}

std::vector<TRect> TForm::PaintDirty(cairo_t* cr) {
  std::vector<TRect> painted;
  // Widgets that invalidate while being painted are painted next time.
  cairo_region_t* region = dirty_;
  dirty_ = cairo_region_create();
  if (cairo_region_is_empty(region)) {
    cairo_region_destroy(region);
    return painted;
  }
  cairo_save(cr);
  cairo_scale(cr, scale_, scale_);
  const int n = cairo_region_num_rectangles(region);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(region, i, &r);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    painted.push_back(ToDevice(TRect::FromSize(r.x, r.y, r.width, r.height)));
  }
  cairo_clip(cr);
  if (Visible()) PaintWidget(*this, cr, region, {0, 0}, {0, 0, Width(), Height()});
  hint_.Paint(cr);
  cairo_restore(cr);
  cairo_region_destroy(region);
  return painted;
}

void TForm::PaintWidget(TWidget& widget, cairo_t* cr, cairo_region_t* region, TPoint origin, const TRect& clip) {
  const TRect area = clip.Intersect(TRect::FromSize(origin.x, origin.y, widget.Width(), widget.Height()));
  if (area.Empty()) return;
  const cairo_rectangle_int_t area_rect = CairoRect(area);
  if (cairo_region_contains_rectangle(region, &area_rect) == CAIRO_REGION_OVERLAP_OUT) return;

  // What is painted of the widget, in its own coordinates: for widgets that fill "their clip".
  cairo_region_t* part = cairo_region_create_rectangle(&area_rect);
  cairo_region_intersect(part, region);
  cairo_rectangle_int_t extents;
  cairo_region_get_extents(part, &extents);
  cairo_region_destroy(part);
  const TRect local_clip = TRect::FromSize(extents.x - origin.x, extents.y - origin.y, extents.width, extents.height);

  cairo_save(cr);
  cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
  cairo_clip(cr);
  cairo_save(cr);
  cairo_translate(cr, origin.x, origin.y);
  TCanvas canvas(cr, local_clip);
  widget.Paint(canvas);
  cairo_restore(cr);

  const TPoint child_origin{origin.x + widget.ChildOrigin().x, origin.y + widget.ChildOrigin().y};
  const TRect client = widget.ClientRect().Offset(origin.x, origin.y).Intersect(area);
  for (TWidget* child : widget.Children())
    if (child->Visible())
      PaintWidget(*child, cr, region, {child_origin.x + child->Left(), child_origin.y + child->Top()}, client);

  cairo_save(cr);
  cairo_translate(cr, origin.x, origin.y);
  TCanvas over(cr, local_clip);
  widget.PaintOver(over);
  cairo_restore(cr);
  cairo_restore(cr);
}

}  // namespace brelix
