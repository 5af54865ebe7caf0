#include "editor/editor_form.h"

#include "editor/patch_stepping.h"
#include "synth/engine_callbacks.h"
#include "toolkit/toolkit.h"
#include "editor/x_interface.h"
#include "editor/x_param.h"
#include "engine/patch.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

const std::array<const char*, kPageCount> TEditorForm::kPageNames = {
    "Oscillators / Sound", "Filters / LFOs", "Envelopes", "Modulation / Delay"};
const char* const TEditorForm::kInfoTitle = "Brelix v1/64 Digital Modeling Synthesizer";
const char* const TEditorForm::kInfoEngine = "Advanced Virtual/Analog DSP Engine";
const char* const TEditorForm::kInfoMore = "VST 2.4 Instrument for Linux x86-64/Editor drawn with Cairo on X11";

TEditorForm::TEditorForm(XInterface* editor)
    : TInterfaceForm(XInterface::kWidth, XInterface::kHeight), measure_(std::make_unique<XPatch>()) {
  Editor = editor;
  Synthesizer = editor != nullptr ? editor->Synthesizer : nullptr;
}

TEditorForm::~TEditorForm() = default;

void TEditorForm::CreateEditor() {
  Lists = BuildEditorItemLists();

  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.WindowColor;
  Font = TFont{9, false, colors.FontColor};
  PagePanel->Color = Color;
  PagePanel->Font = Font;

  for (auto& controls : PageControls) controls.clear();
  PrimaryParams.clear();
  HiddenParams.clear();
  // The tabs, 151 x 17, one column apart like the pages' columns.
  for (int i = 0; i < kPageCount; ++i) {
    Pages[i] = AddPage(kPageNames[i], &PageButtons[i]);
    PageButtons[i]->SetBounds(4 + i * kColumnStep, 2, kColumnWidth, 17);
    PageButtons[i]->EditorForm = &tabs_;
  }

  PatchAddr = reinterpret_cast<uintptr_t>(measure_.get());
  if (Synthesizer != nullptr && Synthesizer->Multi != nullptr) {
    ActivePatch = Synthesizer->Multi->EditBuffer;
    commands_ = std::make_unique<TPatchCommands>(*Synthesizer, view_);
  }

  BuildPage(TPage::OscPage, BuildOscillatorPage);
  BuildPage(TPage::FilterPage, BuildFilterPage);
  BuildPage(TPage::EnvPage, BuildEnvelopePage);
  BuildPage(TPage::ModPage, BuildModulationPage);
  ActivatePage(TPage::OscPage);
}

void TEditorForm::BuildPage(TPage page, void (*build)(TEditorForm&, const XPatch&)) {
  Page = page;
  PageBox = Pages[static_cast<int>(page)];
  X = -kColumnWidth;
  Y = 0;
  build(*this, *measure_);
}

void TEditorForm::ActivatePage(TPage page) {
  Page = page;
  ShowPage(Pages[static_cast<int>(page)]);
}

void TEditorForm::ControlCreated(TComponent* group) {
  PageControls[static_cast<int>(Page)].push_back(group);
}

bool TEditorForm::ActsOnKey(int key) const {
  return commands_ != nullptr && PatchStepOfKey(key, ActiveControl()) != 0;
}

bool TEditorForm::PreviewKeyDown(TKeyEvent& e) {
  if (const int step = PatchStepOfKey(e.Key, ActiveControl()); step != 0 && commands_) {
    commands_->Step(step);
    return true;
  }
  return TInterfaceForm::PreviewKeyDown(e);
}

void TEditorForm::Captioner() {
  if (commands_ != nullptr) commands_->Captioner();
}

void TEditorForm::RefreshControls(XPatch* patch, XMulti* multi) {
  ActivePatch = patch;
  if (commands_ != nullptr)
    commands_->RefreshControls();  // through LoadControls
  else
    TInterfaceForm::RefreshControls(patch, multi);
}

void TEditorForm::RefreshTexts() {
  TInterfaceForm::RefreshTexts();
  if (commands_ != nullptr) commands_->ShowPatchName();
}

void TEditorForm::IdleStep() {
  if (commands_ != nullptr) commands_->Idle();
}

void TEditorForm::EditorClosed() {
  if (commands_ != nullptr) commands_->CancelDialog();
}

void TEditorForm::LoadControls() {
  if (ActivePatch == nullptr || Synthesizer == nullptr) return;
  TInterfaceForm::RefreshControls(ActivePatch, Synthesizer->Multi.get());
}

// ---- headers and buttons -----------------------------------------------------------------------

XSection* TEditorForm::AddOscSection(int lane) {
  XSection* header = AddSection("Osc #" + std::to_string(lane));
  header->SetSize(kHalfColumn, XSection::kDefaultHeight);
  header->Tag = lane;
  header->ShowHint = true;
  OscSection[lane - 1] = header;
  header->OnClick = [this, header] {
    if (commands_ != nullptr) commands_->SampleClick(header->Tag, header->Platform().Modifiers().Ctrl);
  };
  return header;
}

XSection* TEditorForm::AddDelaySection(int delay) {
  XSection* header = AddSection("Delay #" + std::to_string(delay));
  header->OnClick = [this] {
    if (Synthesizer != nullptr && ActivePatch != nullptr) ResetDelay(*Synthesizer, *ActivePatch);
  };
  return header;
}

void TEditorForm::AddPatchCommands() {
  const int left = X, top = Y;
  PatchLabel = AddSection("");
  PatchLabel->SetBounds(left, top, kColumnWidth, XSection::kDefaultHeight);
  PatchLabel->Alignment = TAlignment::Center;
  PatchLabel->OnClick = [this] {
    if (commands_ != nullptr) commands_->Load();
  };

  struct Command {
    const char* caption;
    int left, top;
    std::function<void()> run;
  };
  const Command commands[] = {
      {"Init", left, top + 20, [this] { if (commands_ != nullptr) commands_->Init(); }},
      {"Load", left + kColumnStep, top, [this] { if (commands_ != nullptr) commands_->Load(); }},
      {"Save", left + kColumnStep, top + 20,
       [this] { if (commands_ != nullptr) commands_->Save(Platform().Modifiers().Alt); }},
  };
  for (const Command& command : commands) {
    XButton* button = XButton::CreateButton(this, PageBox, command.left, command.top);
    button->SetSize(kColumnWidth, XButton::kDefaultHeight);
    button->Caption = command.caption;
    button->Down = true;
    button->OnClick = command.run;
    // A right click on "Save" is Save As, for desktops whose window manager takes Alt with a click.
    if (std::string_view(command.caption) == "Save") {
      button->OnMouseDown = [this](const TMouseEvent& e) {
        if (e.Button == ui::TMouseButton::Right && commands_ != nullptr) commands_->Save(true);
      };
    }
  }
}

void TEditorForm::AddInformationLabels() {
  const std::string more = kInfoMore;
  const size_t slash = more.find('/');
  struct Line {
    std::string text;
    int top;
    double size;
  };
  const Line lines[] = {
      {kInfoTitle, 472, 10},
      {kInfoEngine, 488, 10},
      {more.substr(0, slash), 505, 9},
      {slash == std::string::npos ? std::string() : more.substr(slash + 1), 520, 9},
  };
  for (const Line& line : lines) {
    XLabel* label = XLabel::CreateLabel(this, PageBox, 2 * kColumnWidth + 8, line.top);
    label->SetSize(2 * kColumnWidth + 8, 16);
    label->Alignment = TAlignment::Right;
    label->Font.Bold = true;
    label->Font.Size = line.size;
    label->Caption = line.text;
  }
}

void TEditorForm::TPageTabs::SetCurrentPage(TPage page, XScrollBox* box) {
  form_.Page = page;
  form_.ShowPage(box);
}

// ---- what the patch commands show --------------------------------------------------------------

void TEditorForm::TCommandsView::ShowPatchCaption(const std::string& caption) {
  if (form_.PatchLabel != nullptr) form_.PatchLabel->Caption = caption;
}

void TEditorForm::TCommandsView::ShowSampleCaption(int lane, const std::string& caption,
                                                   const std::string& hint) {
  if (lane < 1 || lane > 4 || form_.OscSection[lane - 1] == nullptr) return;
  form_.OscSection[lane - 1]->Caption = caption;
  form_.OscSection[lane - 1]->Hint = hint;
}

unsigned long TEditorForm::TCommandsView::DialogOwner() const {
  return form_.Editor != nullptr ? reinterpret_cast<uintptr_t>(form_.Editor->HostWindow()) : 0;
}

void TEditorForm::TCommandsView::Repaint() {
  if (form_.PatchLabel != nullptr) form_.PatchLabel->Repaint();
  for (XSection* header : form_.OscSection)
    if (header != nullptr) header->Repaint();
}

}  // namespace brelix
