// The toolkit under the widget set: painting only what changed, hit testing and pointer
// capture, clicks and double clicks, keyboard focus and tab order, widgets that go away while
// events are under way, hints, popups, alignment, scrolling and the scale factor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/widget_fixture.h"

namespace brelix {
namespace {

using ui::TMouseButton;
namespace keys = ui::keys;

// A paint box that fills itself and records what reaches it.
class Probe : public TPaintBox {
 public:
  Probe(TComponent* owner, TWidget* parent, TRect bounds, TColor color) : TPaintBox(owner) {
    SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    SetParent(parent);
    Color = color;
  }
  void Paint(TCanvas& canvas) override {
    ++paints;
    clip = canvas.ClipRect();
    // Far beyond its bounds: the toolkit must keep this inside.
    canvas.FillRect({-1000, -1000, 1000, 1000}, Color);
  }
  void MouseDown(const TMouseEvent& e) override { log.push_back("down " + Where(e)); }
  void MouseMove(const TMouseEvent& e) override { log.push_back("move " + Where(e)); }
  void MouseUp(const TMouseEvent& e) override { log.push_back("up " + Where(e)); }
  void Click() override {
    log.push_back("click");
    TPaintBox::Click();
  }
  void DoubleClick() override {
    log.push_back("double");
    TPaintBox::DoubleClick();
  }
  static std::string Where(const TMouseEvent& e) { return std::to_string(e.X) + "," + std::to_string(e.Y); }

  int paints = 0;
  TRect clip;
  std::vector<std::string> log;
};

class TreeTest : public testing::WidgetFixture {
 protected:
  // Idle calls while the pointer rests long enough for a hint.
  void Rest() {
    window->Idle();
    window->Idle(THint::kPauseMs + 10);
  }
};

TEST_F(TreeTest, OnlyWhatChangedIsPainted) {
  auto* a = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 0x0000FF);
  auto* b = new Probe(form.get(), page, TRect::FromSize(100, 10, 50, 20), 0x00FF00);
  window->Idle();
  EXPECT_EQ(a->paints, 1);
  EXPECT_EQ(window->Pixel(9, 29), Colors().WindowColor);  // nothing outside a's bounds
  EXPECT_EQ(window->Pixel(10, 29), 0x0000FFu);
  EXPECT_EQ(window->Pixel(60, 29), Colors().WindowColor);
  window->Idle();
  EXPECT_TRUE(window->LastPainted().empty());
  a->Repaint();
  window->Idle();
  EXPECT_EQ(window->LastPainted(), std::vector<TRect>{TRect::FromSize(10, 29, 50, 20)});
  EXPECT_EQ(a->paints, 2);
  EXPECT_EQ(b->paints, 1);
  a->Invalidate(TRect::FromSize(5, 5, 3, 3));
  window->Idle();
  EXPECT_EQ(a->clip, TRect::FromSize(5, 5, 3, 3));
  // Hiding shows the page again where the widget was; moving repaints both places.
  a->Hide();
  window->Idle();
  EXPECT_EQ(window->Pixel(10, 29), Colors().WindowColor);
  b->SetPosition(300, 10);
  window->Idle();
  EXPECT_EQ(window->Pixel(100, 29), Colors().WindowColor);
  EXPECT_EQ(window->Pixel(300, 29), 0x00FF00u);
  // A widget outside any form, or below a hidden parent, marks nothing.
  page->Hide();
  window->Idle();
  b->Repaint();
  window->Idle();
  EXPECT_TRUE(window->LastPainted().empty());
}

TEST_F(TreeTest, TheTopmostVisibleWidgetGetsThePress) {
  auto* under = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 50), 1);
  auto* over = new Probe(form.get(), page, TRect::FromSize(30, 30, 50, 50), 2);
  EXPECT_EQ(form->WidgetAt({40, 59}), over);
  EXPECT_EQ(form->WidgetAt({15, 29}), under);
  under->BringToFront();
  EXPECT_EQ(form->WidgetAt({40, 59}), under);
  under->Hide();
  EXPECT_EQ(form->WidgetAt({40, 59}), over);
  EXPECT_EQ(form->WidgetAt({5, 5}), form.get());
  EXPECT_EQ(form->WidgetAt({700, 5}), nullptr);
}

TEST_F(TreeTest, AWidgetPressedKeepsThePointerUntilRelease) {
  auto* a = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 1);
  auto* b = new Probe(form.get(), page, TRect::FromSize(100, 10, 50, 20), 2);
  Press(*a, 5, 5);
  EXPECT_EQ(form->Capture(), a);
  Move(*b, 5, 5);                             // over b, but a has the pointer
  Press(*b, 5, 5, TMouseButton::Right);       // a second button too
  Release(*b, 5, 5, TMouseButton::Right);
  EXPECT_EQ(form->Capture(), a);
  Release(*b, 5, 5);
  EXPECT_EQ(form->Capture(), nullptr);
  EXPECT_EQ(a->log, (std::vector<std::string>{"down 5,5", "move 95,5", "down 95,5", "up 95,5", "up 95,5"}));
  EXPECT_TRUE(b->log.empty());
  Move(*b, 6, 6);
  EXPECT_EQ(b->log, std::vector<std::string>{"move 6,6"});
}

TEST_F(TreeTest, DoubleClicksGoOnlyToWidgetsThatWantThem) {
  auto* wants = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 1);
  wants->OnDoubleClick = [] {};
  auto* plain = new Probe(form.get(), page, TRect::FromSize(100, 10, 50, 20), 2);
  const TPoint p = At(*wants, 5, 5);
  window->DoubleClick(p.x, p.y);
  EXPECT_EQ(wants->log, (std::vector<std::string>{"down 5,5", "click", "up 5,5", "double", "down 5,5", "up 5,5"}));
  const TPoint q = At(*plain, 5, 5);
  window->DoubleClick(q.x, q.y);
  EXPECT_EQ(plain->log,
            (std::vector<std::string>{"down 5,5", "click", "up 5,5", "down 5,5", "click", "up 5,5"}));
  // Too slow, too far apart, or another button: two single presses.
  wants->log.clear();
  window->Click(p.x, p.y);
  window->Idle(TForm::kDoubleClickMs + 1);
  window->Click(p.x, p.y);
  window->Click(p.x + 10, p.y);
  window->Click(p.x + 10, p.y, TMouseButton::Right);
  window->Click(p.x + 10, p.y, TMouseButton::Right);
  EXPECT_EQ(std::count(wants->log.begin(), wants->log.end(), "double"), 0);
  EXPECT_EQ(std::count(wants->log.begin(), wants->log.end(), "click"), 3);
}

TEST_F(TreeTest, TabFollowsTheTabOrderDepthFirst) {
  XEdit* e1 = XEdit::CreateEdit(form.get(), page, 10, 10);
  XEdit* e2 = XEdit::CreateEdit(form.get(), page, 10, 30);
  auto* inner = new TPanel(form.get());
  inner->SetBounds(200, 10, 100, 100);
  inner->SetParent(page);
  XEdit* e3 = XEdit::CreateEdit(form.get(), inner, 0, 0);
  XEdit* e4 = XEdit::CreateEdit(form.get(), page, 10, 50);
  XEdit* hidden = XEdit::CreateEdit(form.get(), page, 10, 70);
  hidden->Hide();
  e2->SetTabOrder(100);  // last among the page's children
  std::vector<TWidget*> order;
  form->SetActiveControl(e1);
  order.push_back(form->ActiveControl());
  for (int i = 0; i < 4; ++i) {
    window->Key(keys::kTab, '\t');
    order.push_back(form->ActiveControl());
  }
  EXPECT_EQ(order, (std::vector<TWidget*>{e1, e3, e4, e2, e1}));
  window->Key(keys::kTab, '\t', {.Shift = true});
  EXPECT_EQ(form->ActiveControl(), e2);
  // From no focus (or a container) Tab starts at the first.
  form->SetActiveControl(page);
  window->Key(keys::kTab, '\t');
  EXPECT_EQ(form->ActiveControl(), e1);
  EXPECT_FALSE(form->SetActiveControl(hidden));
  EXPECT_FALSE(form->SetActiveControl(inner));  // a panel takes no focus
}

TEST_F(TreeTest, HidingTheFocusedWidgetHandsTheFocusUp) {
  XEdit* edit = XEdit::CreateEdit(form.get(), page, 10, 10);
  form->SetActiveControl(edit);
  EXPECT_TRUE(form->WindowClient().TakesKey(keys::kLeft));
  edit->Hide();
  EXPECT_EQ(form->ActiveControl(), page);
  EXPECT_FALSE(form->WindowClient().TakesKey(keys::kLeft));
  page->Hide();
  EXPECT_EQ(form->ActiveControl(), nullptr);
}

TEST_F(TreeTest, WidgetsThatGoAwayDuringTheirEventsAreLetGo) {
  // A handler that destroys its own widget on the press; the release finds nothing to call.
  auto* doomed = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 1);
  doomed->OnMouseDown = [&](const TMouseEvent&) {};
  auto* killer = new XButton(form.get());
  killer->SetParent(page);
  killer->SetPosition(100, 10);
  killer->OnClick = [&] { delete killer; };
  Click(*killer, 5, 5);
  EXPECT_EQ(form->Capture(), nullptr);
  // Destroying the widget that has the pointer, the focus and the hint.
  XEdit* edit = XEdit::CreateEdit(form.get(), page, 10, 100);
  edit->Hint = "hint";
  edit->ShowHint = true;
  form->SetActiveControl(edit);
  Move(*edit, 5, 5);
  Press(*edit, 5, 5);
  delete edit;
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(form->Capture(), nullptr);
  window->MouseMove(300, 300);
  window->MouseUp(300, 300);
  Rest();
  EXPECT_FALSE(form->HintBox().Shown());
  // A widget owned elsewhere outlives a destroyed parent, without a parent.
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* orphan = new XLabel(owner.get());
  {
    auto* box = new TPanel(form.get());
    box->SetParent(page);
    orphan->SetParent(box);
    delete box;
  }
  EXPECT_EQ(orphan->Parent(), nullptr);
  // And a form that goes first leaves widgets owned elsewhere without a parent.
  auto* survivor = new XLabel(owner.get());
  survivor->SetParent(page);
  window.reset();
  form.reset();
  EXPECT_EQ(survivor->Parent(), nullptr);
  EXPECT_FALSE(survivor->Showing());
  survivor->Repaint();
}

TEST_F(TreeTest, AHintAppearsWhenThePointerRests) {
  XLabel* label = XLabel::CreateLabel(form.get(), page, 10, 10);
  label->Hint = "strings.wav";
  label->ShowHint = true;
  XLabel* plain = XLabel::CreateLabel(form.get(), page, 10, 40);
  const THint& hint = form->HintBox();
  Move(*label, 5, 5);
  window->Idle();
  window->Idle(THint::kPauseMs - 50);
  EXPECT_FALSE(hint.Shown());
  window->Idle(100);
  ASSERT_TRUE(hint.Shown());
  EXPECT_EQ(hint.Text(), "strings.wav");
  const TPoint p = At(*label, 5, 5);
  EXPECT_EQ(hint.Bounds().left, p.x);
  EXPECT_GT(hint.Bounds().top, p.y);
  EXPECT_EQ(window->Pixel(hint.Bounds().left, hint.Bounds().top), Colors().FrameColor);
  // It goes after a while and does not come back while the pointer stays.
  window->Idle(THint::kShowMs + 10);
  EXPECT_FALSE(hint.Shown());
  EXPECT_EQ(window->Pixel(hint.Bounds().left, hint.Bounds().top), Colors().WindowColor);
  Rest();
  EXPECT_FALSE(hint.Shown());
  // Leaving and coming back shows it again; a press takes it away.
  Move(*plain, 5, 5);
  Move(*label, 6, 6);
  Rest();
  EXPECT_TRUE(hint.Shown());
  Click(*label, 6, 6);
  EXPECT_FALSE(hint.Shown());
  // A widget without ShowHint shows none.
  Move(*plain, 5, 5);
  plain->Hint = "not shown";
  Rest();
  EXPECT_FALSE(hint.Shown());
}

TEST_F(TreeTest, AHintNearTheEdgeStaysInsideTheForm) {
  XLabel* label = XLabel::CreateLabel(form.get(), page, 600, 520);
  label->Hint = "a rather long file name.wav";
  label->ShowHint = true;
  Move(*label, 20, 10);
  Rest();
  const TRect r = form->HintBox().Bounds();
  EXPECT_LE(r.right, kFormWidth);
  EXPECT_LE(r.bottom, kFormHeight);
  EXPECT_GE(r.left, 0);
}

class PopupProbe : public Probe {
 public:
  using Probe::Probe;
  void PopupDismissed() override {
    ++dismissed;
    Hide();
  }
  int dismissed = 0;
};

TEST_F(TreeTest, APressOutsideAPopupDismissesIt) {
  auto* anchor = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 1);
  auto* popup = new PopupProbe(form.get(), page, TRect::FromSize(10, 30, 50, 100), 2);
  auto* elsewhere = new Probe(form.get(), page, TRect::FromSize(300, 10, 50, 20), 3);
  form->SetPopup(popup, anchor);
  Click(*popup, 5, 5);
  Click(*anchor, 5, 5);
  EXPECT_EQ(popup->dismissed, 0);
  Click(*elsewhere, 5, 5);
  EXPECT_EQ(popup->dismissed, 1);
  EXPECT_EQ(form->Popup(), nullptr);
  EXPECT_EQ(elsewhere->log.front(), "down 5,5");  // the press still arrives
}

TEST_F(TreeTest, AlignedPanelsFollowTheirParent) {
  auto* strip = new TPanel(form.get());
  strip->SetSize(0, 19);
  strip->SetAlign(TAlign::Top);
  strip->SetParent(form.get());
  page->SetAlign(TAlign::Client);
  auto* bottom = new TPanel(form.get());
  bottom->SetSize(0, 10);
  bottom->SetAlign(TAlign::Bottom);
  bottom->SetParent(form.get());
  EXPECT_EQ(strip->BoundsRect(), TRect::FromSize(0, 0, 624, 19));
  EXPECT_EQ(bottom->BoundsRect(), TRect::FromSize(0, 547, 624, 10));
  EXPECT_EQ(page->BoundsRect(), TRect::FromSize(0, 19, 624, 528));
  form->SetSize(700, 600);
  EXPECT_EQ(page->BoundsRect(), TRect::FromSize(0, 19, 700, 571));
  bottom->Hide();
  EXPECT_EQ(page->BoundsRect(), TRect::FromSize(0, 19, 700, 581));
}

TEST_F(TreeTest, AScrollBoxScrollsWhatDoesNotFit) {
  EXPECT_FALSE(page->BarShown());
  XEdit* low = XEdit::CreateEdit(form.get(), page, 10, 900);
  EXPECT_TRUE(page->BarShown());
  EXPECT_EQ(page->ClientRect().Width(), 624 - TScrollBar::kWidth);
  window->Wheel(300, 300, -2);
  EXPECT_EQ(page->ScrollY(), 2 * TScrollBox::kWheelStep);
  EXPECT_EQ(low->FormOrigin().y, 19 + 900 - page->ScrollY());
  form->SetActiveControl(low);  // brought into view
  EXPECT_EQ(page->ScrollY(), 900 + 14 - 538);
  EXPECT_EQ(form->WidgetAt(low->FormOrigin()), low);
  window->Wheel(300, 300, 100);
  EXPECT_EQ(page->ScrollY(), 0);
  // Dragging the thumb to the bottom scrolls to the end.
  window->Idle();
  Press(*page, 624 - 8, 5);
  Move(*page, 624 - 8, 600);
  Release(*page, 624 - 8, 600);
  EXPECT_EQ(page->ScrollY(), 900 + 14 - 538);
}

class PreviewForm : public TForm {
 public:
  using TForm::TForm;
  bool PreviewKeyDown(TKeyEvent& e) override { return e.Key == keys::kF1; }
};

TEST(FormKeys, TheFormSeesKeysFirst) {
  testing::ScopedWidgetSettings settings;
  PreviewForm form(nullptr);
  form.SetBounds(0, 0, 200, 100);
  ui::HeadlessWindow window(form.WindowClient());
  XEdit* edit = XEdit::CreateEdit(&form, &form, 10, 10);
  edit->Max = 100;
  form.SetActiveControl(edit);
  edit->SetText("");
  window.Key(keys::kF1, '1');  // the key-down is the form's; the character still comes
  window.Key(keys::kA, '2');
  EXPECT_EQ(edit->Text(), "12");
}

TEST_F(TreeTest, AtScaleTwoEverythingIsTwiceAsLarge) {
  auto* a = new Probe(form.get(), page, TRect::FromSize(10, 10, 50, 20), 0x0000FF);
  window.reset();
  form->SetScale(2);
  window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
  EXPECT_EQ(form->WindowClient().DeviceSize(), (TSize{2 * 624, 2 * 557}));
  window->Idle();
  EXPECT_EQ(window->Pixel(19, 57), Colors().WindowColor);
  EXPECT_EQ(window->Pixel(20, 58), 0x0000FFu);
  EXPECT_EQ(window->Pixel(119, 97), 0x0000FFu);
  EXPECT_EQ(window->Pixel(120, 98), Colors().WindowColor);
  window->MouseDown(2 * 15 + 1, 2 * 34 + 1);
  EXPECT_EQ(a->log, std::vector<std::string>{"down 5,5"});
  a->Repaint();
  window->Idle();
  EXPECT_EQ(window->LastPainted(), std::vector<TRect>{TRect::FromSize(20, 58, 100, 40)});
}

}  // namespace
}  // namespace brelix
