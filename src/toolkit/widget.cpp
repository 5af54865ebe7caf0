#include "toolkit/widget.h"

#include <algorithm>

#include "toolkit/form.h"

namespace brelix {

namespace {

ui::NullPlatform null_platform;

}  // namespace

TWidget::TWidget(TComponent* owner) : TComponent(owner) {}

TWidget::~TWidget() {
  DestroyComponents();
  Detach();
  for (TWidget* child : children_) child->parent_ = nullptr;
}

// ---- tree -----------------------------------------------------------------------------------

void TWidget::Detach() {
  if (parent_ == nullptr) return;
  Repaint();
  if (TForm* form = Form()) form->Forget(this);
  TWidget* old = parent_;
  std::erase(old->children_, this);
  parent_ = nullptr;
  if (align_ != TAlign::NotAligned) old->Realign();
}

void TWidget::SetParent(TWidget* parent) {
  if (parent == parent_ || parent == this) return;
  Detach();
  if (parent == nullptr) return;
  parent_ = parent;
  tab_order_ = 0;
  for (const TWidget* sibling : parent->children_) tab_order_ = std::max(tab_order_, sibling->tab_order_ + 1);
  parent->children_.push_back(this);
  if (align_ != TAlign::NotAligned) parent->Realign();
  Repaint();
}

void TWidget::BringToFront() {
  if (parent_ == nullptr) return;
  auto& siblings = parent_->children_;
  std::erase(siblings, this);
  siblings.push_back(this);
  Repaint();
}

TForm* TWidget::Form() const {
  const TWidget* w = this;
  while (w->parent_ != nullptr) w = w->parent_;
  return const_cast<TWidget*>(w)->AsForm();
}

bool TWidget::Contains(const TWidget* widget) const {
  for (const TWidget* w = widget; w != nullptr; w = w->parent_)
    if (w == this) return true;
  return false;
}

TWidget* TWidget::ChildAt(TPoint point) {
  if (!ClientRect().Contains(point)) return nullptr;
  const TPoint origin = ChildOrigin();
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    TWidget* child = *it;
    if (!child->visible_) continue;
    const TPoint local{point.x - origin.x - child->left_, point.y - origin.y - child->top_};
    if (!TRect{0, 0, child->width_, child->height_}.Contains(local)) continue;
    TWidget* deeper = child->ChildAt(local);
    return deeper != nullptr ? deeper : child;
  }
  return nullptr;
}

// ---- place ----------------------------------------------------------------------------------

void TWidget::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  Repaint();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Repaint();
  if (resized) Realign();
}

void TWidget::SetAlign(TAlign align) {
  align_ = align;
  if (parent_ != nullptr) parent_->Realign();
}

void TWidget::Realign() {
  TRect area = ClientRect();
  for (TWidget* child : children_) {
    if (!child->visible_) continue;
    if (child->align_ == TAlign::Top) {
      child->SetBounds(area.left, area.top, area.Width(), child->height_);
      area.top += child->height_;
    } else if (child->align_ == TAlign::Bottom) {
      child->SetBounds(area.left, area.bottom - child->height_, area.Width(), child->height_);
      area.bottom -= child->height_;
    }
  }
  for (TWidget* child : children_)
    if (child->visible_ && child->align_ == TAlign::Client)
      child->SetBounds(area.left, area.top, area.Width(), area.Height());
}

TPoint TWidget::FormOrigin() const {
  TPoint p{0, 0};
  for (const TWidget* w = this; w->parent_ != nullptr; w = w->parent_) {
    const TPoint origin = w->parent_->ChildOrigin();
    p.x += w->left_ + origin.x;
    p.y += w->top_ + origin.y;
  }
  return p;
}

// ---- visibility and painting -------------------------------------------------------------------

void TWidget::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Repaint();
  visible_ = visible;
  if (visible) Repaint();
  if (parent_ != nullptr && align_ != TAlign::NotAligned) parent_->Realign();
  if (!visible)
    if (TForm* form = Form()) form->WidgetHidden(this);
}

bool TWidget::Showing() const {
  const TWidget* w = this;
  for (; w->parent_ != nullptr; w = w->parent_)
    if (!w->visible_) return false;
  return w->visible_ && const_cast<TWidget*>(w)->AsForm() != nullptr;
}

void TWidget::Repaint() { Invalidate({0, 0, width_, height_}); }

void TWidget::Invalidate(const TRect& area) {
  if (!Showing()) return;
  // Up to the form, keeping only what each parent's client area shows.
  TRect r = area.Intersect({0, 0, width_, height_});
  for (const TWidget* w = this; w->parent_ != nullptr; w = w->parent_) {
    const TPoint origin = w->parent_->ChildOrigin();
    r = r.Offset(w->left_ + origin.x, w->top_ + origin.y).Intersect(w->parent_->ClientRect());
  }
  if (!r.Empty()) Form()->InvalidateArea(r);
}

// ---- focus ------------------------------------------------------------------------------------

bool TWidget::Focused() const {
  const TForm* form = Form();
  return form != nullptr && form->ActiveControl() == this;
}

void TWidget::SetFocus() {
  if (TForm* form = Form()) form->SetActiveControl(this);
}

// ---- events -----------------------------------------------------------------------------------

void TWidget::MouseDown(const TMouseEvent& e) {
  if (OnMouseDown) OnMouseDown(e);
}

void TWidget::MouseUp(const TMouseEvent& e) {
  if (OnMouseUp) OnMouseUp(e);
}

void TWidget::Click() {
  if (OnClick) OnClick();
}

void TWidget::DoubleClick() {
  if (OnDoubleClick) OnDoubleClick();
}

// ---- platform -----------------------------------------------------------------------------------

ui::IPlatform& TWidget::Platform() const {
  const TForm* form = Form();
  return form != nullptr ? form->PlatformOfWindow() : null_platform;
}

int TWidget::TextWidth(const TFont& font, std::string_view text) const {
  const TForm* form = Form();
  return ui::TextWidth(font, text, form != nullptr ? form->Scale() : 1.0);
}

int TWidget::TextHeight(const TFont& font) const { return ui::TextHeight(font); }

}  // namespace brelix
