#include "ui/question_box.h"

#include <X11/keysym.h>

#include <exception>
#include <vector>

namespace brelix::ui {

namespace {

constexpr int kWidth = 360, kHeight = 128;
constexpr int kButtonWidth = 80, kButtonHeight = 24, kButtonGap = 8, kButtonBottomGap = 12;
constexpr int kSignLeft = 20, kSignTop = 26, kSignSize = 32;
constexpr int kTextLeft = 64, kTextRightGap = 16;

// A yellow triangle with an exclamation mark.
void PaintWarningSign(cairo_t* cr, double x, double y, double size) {
  cairo_save(cr);
  cairo_move_to(cr, x + size / 2.0, y + 1.0);
  cairo_line_to(cr, x + size - 1.0, y + size - 2.0);
  cairo_line_to(cr, x + 1.0, y + size - 2.0);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1.0, 0.8, 0.0);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.45, 0.33, 0.0);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_rectangle(cr, x + size / 2.0 - 1.5, y + size * 0.32, 3.0, size * 0.36);
  cairo_rectangle(cr, x + size / 2.0 - 1.5, y + size * 0.74, 3.0, 3.0);
  cairo_fill(cr);
  cairo_restore(cr);
}

// The question left open while the editor's host goes on: its events are dispatched by Poll,
// and it holds the input of our windows meanwhile.
class BuiltInQuestionRun : public IQuestionRun {
 public:
  explicit BuiltInQuestionRun(std::unique_ptr<TQuestionBox> box)
      : box_(std::move(box)), input_(box_->Handle()) {}
  ~BuiltInQuestionRun() override {
    XErrorTrap trap;
    box_.reset();
  }
  bool Poll() override {
    DispatchPendingEvents(box_->Handle());
    return box_->Closed() || UiDisplay() == nullptr;
  }
  QuestionAnswer Answer() const override { return box_->Answer(); }

 private:
  std::unique_ptr<TQuestionBox> box_;
  InputOwnerScope input_;
};

}  // namespace

TQuestionBox::TQuestionBox(bool with_cancel)
    : XBoxWindow(kWidth, kHeight, {"brelix-question", "_NET_WM_WINDOW_TYPE_DIALOG"}),
      with_cancel_(with_cancel),
      escape_answer_(with_cancel ? QuestionAnswer::Cancel : QuestionAnswer::No),
      answer_(escape_answer_) {}

std::unique_ptr<TQuestionBox> TQuestionBox::Create(std::string_view text, bool with_cancel) {
  std::unique_ptr<TQuestionBox> box(new TQuestionBox(with_cancel));
  box->TextBounds = {kTextLeft, 0, kWidth - kTextLeft - kTextRightGap, kHeight * 2 / 3};
  box->Text = std::string(text);
  const int buttons = with_cancel ? 3 : 2;
  const int left = (kWidth - buttons * kButtonWidth - (buttons - 1) * kButtonGap) / 2;
  const int top = kHeight - kButtonHeight - kButtonBottomGap;
  const int step = kButtonWidth + kButtonGap;
  box->YesButton = {left, top, kButtonWidth, kButtonHeight, "Yes", ButtonGlyph::Check, {9, false}, true, false};
  box->NoButton = {left + step, top, kButtonWidth, kButtonHeight, "No", ButtonGlyph::Cross, {9, false}, false, false};
  box->CancelButton = {left + 2 * step, top, kButtonWidth, kButtonHeight, "Cancel", ButtonGlyph::Plain,
                       {9, false}, false, false};
  return box;
}

bool TQuestionBox::Ask(std::string_view text) {
  std::unique_ptr<TQuestionBox> box = Create(text);
  box->ShowModal();
  return box->Answer() == QuestionAnswer::Yes;
}

void TQuestionBox::Open() {
  Show();
  TakeFocus();
}

std::vector<PushButton*> TQuestionBox::Buttons() {
  if (with_cancel_) return {&YesButton, &NoButton, &CancelButton};
  return {&YesButton, &NoButton};
}

QuestionAnswer TQuestionBox::AnswerOf(const PushButton* button) const {
  if (button == &YesButton) return QuestionAnswer::Yes;
  if (button == &NoButton) return QuestionAnswer::No;
  return QuestionAnswer::Cancel;
}

void TQuestionBox::Choose(QuestionAnswer answer) {
  answer_ = answer;
  Close();
}

void TQuestionBox::MoveFocus(int step) {
  std::vector<PushButton*> buttons = Buttons();
  const int count = static_cast<int>(buttons.size());
  int focused = 0;
  for (int i = 0; i < count; ++i)
    if (buttons[static_cast<size_t>(i)]->focused) focused = i;
  buttons[static_cast<size_t>(focused)]->focused = false;
  buttons[static_cast<size_t>((focused + step + count) % count)]->focused = true;
  Repaint();
}

void TQuestionBox::Paint(cairo_t* cr) {
  PaintWarningSign(cr, kSignLeft, kSignTop, kSignSize);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  DrawCentredText(cr, TextBounds, Text, {9, false});
  for (const PushButton* button : Buttons()) button->Paint(cr);
}

void TQuestionBox::KeyDown(KeySym key) {
  switch (key) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      for (const PushButton* button : Buttons())
        if (button->focused) Choose(AnswerOf(button));
      break;
    case XK_Escape:
      Choose(escape_answer_);
      break;
    case XK_n:
      Choose(QuestionAnswer::No);
      break;
    case XK_y:
      Choose(QuestionAnswer::Yes);
      break;
    case XK_Tab:
    case XK_Right:
      MoveFocus(1);
      break;
    case XK_ISO_Left_Tab:
    case XK_Left:
      MoveFocus(-1);
      break;
    default:
      break;
  }
}

void TQuestionBox::MouseDown(int x, int y) {
  for (PushButton* button : Buttons()) {
    if (button->Contains(x, y)) {
      button->pressed = true;
      Repaint();
    }
  }
}

void TQuestionBox::MouseUp(int x, int y) {
  for (PushButton* button : Buttons()) {
    if (!button->pressed) continue;
    button->pressed = false;
    if (button->Contains(x, y)) {
      Choose(AnswerOf(button));
      return;
    }
    Repaint();
  }
}

std::unique_ptr<IQuestionRun> StartBuiltInQuestion(std::string_view text, unsigned long owner) {
  if (UiDisplay() == nullptr) return nullptr;
  try {
    std::unique_ptr<TQuestionBox> box = TQuestionBox::Create(text, true);
    box->SetOwner(static_cast<Window>(owner));
    // Shown before it takes the input, so that the release of the click that asked reaches the editor.
    box->Open();
    return std::make_unique<BuiltInQuestionRun>(std::move(box));
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool AskToReplaceFile(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return TQuestionBox::Ask(name + " already exists.\rDo you want to replace it?");
}

}  // namespace brelix::ui
