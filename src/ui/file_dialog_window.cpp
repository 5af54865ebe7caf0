#include "ui/file_dialog_window.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include "ui/canvas.h"
#include "ui/question_box.h"

namespace brelix::ui {

namespace {

constexpr int kMargin = 12;
constexpr int kListTop = 56;
constexpr int kNameTop = 318, kNameLeft = 84, kButtonsTop = 352;
constexpr Time kDoubleClickMs = 400;
constexpr int kWheelRows = 3;

constexpr TColor kBlack = 0x000000, kWhite = 0xFFFFFF, kFrame = 0x646464, kRed = 0x0000C0;
constexpr TColor kSelected = 0xD77800;      // the list's selection while it has the keys
constexpr TColor kSelectedIdle = 0xD0D0D0;  // while the name box has them
constexpr TColor kFocusFrame = 0xD77800;

TRect ListBox() { return TRect::FromSize(kMargin, kListTop, TFileDialogWindow::kWidth - 2 * kMargin,
                                         TFileDialogWindow::kRows * TFileDialogWindow::kRowHeight + 2); }
TRect PathBox() { return TRect::FromSize(kMargin, 30, TFileDialogWindow::kWidth - 2 * kMargin, 20); }
TRect NameBox() { return TRect::FromSize(kNameLeft, kNameTop, TFileDialogWindow::kWidth - kMargin - kNameLeft, 22); }

// The text in its box; one too long loses its beginning (behind "..."), so that a long folder
// path shows where it ends.
void TextTail(TCanvas& canvas, const TRect& box, const std::string& text, TColor fill) {
  const int room = box.Width() - 8;
  std::string shown = text;
  while (shown.size() > 1 && canvas.TextWidth(shown) > room) shown.erase(0, 1);
  if (shown.size() < text.size()) shown = "..." + shown.substr(std::min<size_t>(3, shown.size()));
  canvas.TextRect({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, box.left + 4,
                  box.top + (box.Height() - canvas.TextHeight()) / 2, shown, fill);
}

class BuiltInRun : public IFileDialogRun {
 public:
  explicit BuiltInRun(std::unique_ptr<TFileDialogWindow> window)
      : window_(Opened(std::move(window))), input_(window_->Handle()) {}
  ~BuiltInRun() override {
    XErrorTrap trap;
    window_.reset();
  }
  bool Poll() override {
    DispatchPendingEvents(window_->Handle());
    // A lost X server ends the dialog as if the user had cancelled it.
    return window_->Answered() || UiDisplay() == nullptr;
  }
  std::optional<std::string> Answer() const override { return window_->Answer(); }

 private:
  // Shown before it takes the input: what arrived for our windows until then (the release of the
  // click that opened it) still reaches them.
  static std::unique_ptr<TFileDialogWindow> Opened(std::unique_ptr<TFileDialogWindow> window) {
    window->Open();
    return window;
  }

  std::unique_ptr<TFileDialogWindow> window_;
  InputOwnerScope input_;
};

}  // namespace

TFileDialogWindow::TFileDialogWindow(const FileDialogOptions& options, bool save, Window owner)
    : XBoxWindow(kWidth, kHeight, {"brelix-file-dialog", "_NET_WM_WINDOW_TYPE_DIALOG"}),
      chooser_(options, save),
      focus_(save ? FocusOn::Name : FocusOn::List) {
  ok_ = {kWidth - kMargin - 2 * 76 - 8, kButtonsTop, 76, 24, "OK", ButtonGlyph::Check, {9, false}, false, false};
  cancel_ = {kWidth - kMargin - 76, kButtonsTop, 76, 24, "Cancel", ButtonGlyph::Cross, {9, false}, false, false};
  filter_ = {kMargin, kButtonsTop, ok_.left - 2 * kMargin, 24, "", ButtonGlyph::Plain, {9, false}, false, false};
  XStoreName(UiDisplay(), Handle(), options.title.c_str());
  SetOwner(owner);
  ScrollToSelection();
}

TFileDialogWindow::~TFileDialogWindow() = default;

void TFileDialogWindow::Open() {
  Show();
  TakeFocus();
}

void TFileDialogWindow::Finish(std::optional<std::string> answer) {
  answer_ = std::move(answer);
  Close();
  XUnmapWindow(UiDisplay(), Handle());
  XFlush(UiDisplay());
}

void TFileDialogWindow::ScrollToSelection() {
  const int selected = chooser_.Selected();
  if (selected < 0) {
    first_row_ = 0;
    return;
  }
  if (selected < first_row_) first_row_ = selected;
  if (selected >= first_row_ + kRows) first_row_ = selected - kRows + 1;
}

int TFileDialogWindow::RowAt(int x, int y) const {
  const TRect list = ListBox();
  if (!list.Contains({x, y})) return -1;
  const int row = first_row_ + (y - list.top - 1) / kRowHeight;
  return row < static_cast<int>(chooser_.Entries().size()) ? row : -1;
}

void TFileDialogWindow::Apply(TFileChooser::Step step) {
  switch (step) {
    case TFileChooser::Step::Done:
      Finish(chooser_.Chosen());
      return;
    case TFileChooser::Step::ConfirmReplace:
      if (AskToReplaceFile(chooser_.Chosen())) {
        Finish(chooser_.Chosen());
        return;
      }
      TakeFocus();
      break;
    case TFileChooser::Step::Stay:
      break;
  }
  name_untouched_ = true;
  ScrollToSelection();
  Repaint();
}

// ---- input --------------------------------------------------------------------------------------

void TFileDialogWindow::HandleEvent(const XEvent& event) {
  if (event.type == KeyPress) {
    XKeyEvent key = event.xkey;
    char text[16];
    KeySym sym = NoSymbol;
    const int length = XLookupString(&key, text, sizeof text, &sym, nullptr);
    Typed(sym, text, length);
    return;
  }
  if (event.type == ButtonPress && (event.xbutton.button == Button4 || event.xbutton.button == Button5)) {
    const int last_top = std::max(0, static_cast<int>(chooser_.Entries().size()) - kRows);
    first_row_ = std::clamp(first_row_ + (event.xbutton.button == Button4 ? -kWheelRows : kWheelRows), 0, last_top);
    Repaint();
    return;
  }
  if (event.type == ButtonPress && event.xbutton.button == Button1) {
    const int row = RowAt(event.xbutton.x, event.xbutton.y);
    if (row >= 0) {
      const bool twice = row == last_click_row_ && event.xbutton.time - last_click_time_ <= kDoubleClickMs;
      last_click_row_ = twice ? -1 : row;
      last_click_time_ = event.xbutton.time;
      focus_ = FocusOn::List;
      chooser_.Select(row);
      if (twice) {
        Apply(chooser_.ActivateSelected());
        return;
      }
      name_untouched_ = true;
      Repaint();
      return;
    }
  }
  XBoxWindow::HandleEvent(event);
}

void TFileDialogWindow::Typed(KeySym key, const char* text, int length) {
  switch (key) {
    case XK_Escape:
      Finish(std::nullopt);
      return;
    case XK_Tab:
    case XK_ISO_Left_Tab:
      focus_ = focus_ == FocusOn::List ? FocusOn::Name : FocusOn::List;
      break;
    case XK_Return:
    case XK_KP_Enter:
      Apply(focus_ == FocusOn::List ? chooser_.ActivateSelected() : chooser_.Accept());
      return;
    case XK_Up:
    case XK_Down:
    case XK_Page_Up:
    case XK_Page_Down:
    case XK_Home:
    case XK_End: {
      if (focus_ == FocusOn::Name && key != XK_Up && key != XK_Down) break;
      focus_ = FocusOn::List;
      const int last = static_cast<int>(chooser_.Entries().size());
      const int lines = key == XK_Up ? -1 : key == XK_Down ? 1 : key == XK_Page_Up ? -kRows
                        : key == XK_Page_Down ? kRows : key == XK_Home ? -last : last;
      chooser_.MoveSelection(lines);
      name_untouched_ = true;
      ScrollToSelection();
      break;
    }
    case XK_BackSpace:
      if (focus_ == FocusOn::List) {
        chooser_.Parent();
        ScrollToSelection();
      } else {
        std::string name = name_untouched_ ? std::string() : chooser_.Name();
        if (!name.empty()) name.pop_back();
        chooser_.SetName(name);
        name_untouched_ = false;
      }
      break;
    default: {
      // Printable text goes to the name box.
      std::string typed;
      for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 32 && text[i] != 127) typed += text[i];
      if (typed.empty()) return;
      if (focus_ == FocusOn::List) name_untouched_ = true;
      focus_ = FocusOn::Name;
      chooser_.SetName((name_untouched_ ? std::string() : chooser_.Name()) + typed);
      name_untouched_ = false;
      break;
    }
  }
  Repaint();
}

void TFileDialogWindow::MouseDown(int x, int y) {
  if (NameBox().Contains({x, y})) {
    focus_ = FocusOn::Name;
    name_untouched_ = false;  // a click means to edit the name, not to replace it
    Repaint();
    return;
  }
  for (PushButton* button : {&ok_, &cancel_, &filter_}) {
    if (button->Contains(x, y)) {
      button->pressed = true;
      Repaint();
    }
  }
}

void TFileDialogWindow::MouseUp(int x, int y) {
  for (PushButton* button : {&ok_, &cancel_, &filter_}) {
    if (!button->pressed) continue;
    button->pressed = false;
    if (!button->Contains(x, y)) continue;
    if (button == &cancel_) {
      Finish(std::nullopt);
      return;
    }
    if (button == &ok_) {
      Apply(focus_ == FocusOn::List && chooser_.Name().empty() ? chooser_.ActivateSelected() : chooser_.Accept());
      return;
    }
    chooser_.NextFilter();
    ScrollToSelection();
  }
  Repaint();
}

// ---- painting -----------------------------------------------------------------------------------

void TFileDialogWindow::Paint(cairo_t* cr) {
  TCanvas canvas(cr, {0, 0, kWidth, kHeight});
  canvas.SetFont({10, true, kBlack});
  canvas.TextOut(kMargin, 8, chooser_.Title());

  canvas.SetFont({9, false, kBlack});
  const TRect path = PathBox();
  TextTail(canvas, path, chooser_.Folder(), kWhite);
  canvas.FrameRect(path, kFrame);

  PaintList(cr);

  canvas.SetFont({9, false, kBlack});
  canvas.TextOut(kMargin, kNameTop + 4, "File name:");
  const TRect name = NameBox();
  canvas.TextRect({name.left + 1, name.top + 1, name.right - 1, name.bottom - 1}, name.left + 4, name.top + 4,
                  chooser_.Name(), kWhite);
  canvas.FrameRect(name, focus_ == FocusOn::Name ? kFocusFrame : kFrame);
  if (focus_ == FocusOn::Name) {
    const int caret = std::min(name.left + 4 + canvas.TextWidth(chooser_.Name()), name.right - 3);
    canvas.FillRect({caret, name.top + 4, caret + 1, name.bottom - 4}, kBlack);
  }

  filter_.caption = "Files: " + chooser_.Filters()[static_cast<size_t>(chooser_.FilterIndex())].name;
  filter_.Paint(cr);
  ok_.Paint(cr);
  cancel_.Paint(cr);

  if (!chooser_.Message().empty()) {
    canvas.SetFont({9, true, kRed});
    canvas.TextOut(kMargin, kButtonsTop + 28, chooser_.Message());
  }
}

void TFileDialogWindow::PaintList(cairo_t* cr) {
  TCanvas canvas(cr, {0, 0, kWidth, kHeight});
  const TRect list = ListBox();
  canvas.FillRect(list, kWhite);
  canvas.FrameRect(list, focus_ == FocusOn::List ? kFocusFrame : kFrame);
  const auto& entries = chooser_.Entries();
  for (int row = 0; row < kRows; ++row) {
    const int index = first_row_ + row;
    if (index >= static_cast<int>(entries.size())) break;
    const FolderEntry& entry = entries[static_cast<size_t>(index)];
    const TRect line = TRect::FromSize(list.left + 1, list.top + 1 + row * kRowHeight, list.Width() - 2, kRowHeight);
    const bool selected = index == chooser_.Selected();
    const TColor fill = selected ? (focus_ == FocusOn::List ? kSelected : kSelectedIdle) : kWhite;
    const TColor ink = selected && focus_ == FocusOn::List ? kWhite : kBlack;
    canvas.SetFont({9, entry.folder, ink});
    const std::string text = entry.name == ".." ? ".. (parent folder)" : entry.folder ? entry.name + "/" : entry.name;
    canvas.TextRect(line, line.left + 6, line.top + (kRowHeight - canvas.TextHeight()) / 2, text, fill);
  }
}

std::unique_ptr<IFileDialogRun> StartBuiltInFileDialog(const FileDialogOptions& options, bool save,
                                                       unsigned long owner) {
  if (UiDisplay() == nullptr) return nullptr;
  try {
    return std::make_unique<BuiltInRun>(std::make_unique<TFileDialogWindow>(options, save, static_cast<Window>(owner)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace brelix::ui
