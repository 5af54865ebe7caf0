#include "editor/x_interface.h"

#include <X11/Xlib.h>

#include <cmath>

#include "editor/editor_zoom.h"
#include "editor/host_param_value.h"
#include "editor/interface_form.h"
#include "editor/test_page_form.h"
#include "editor/widget_settings.h"
#include "editor/x_param.h"
#include "synth/modifying_scope.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"
#include "ui/vst_keys.h"
#include "ui/x11_child_window.h"

namespace brelix {

namespace {
TEditorFormFactory& FormFactory() {
  static TEditorFormFactory factory;
  return factory;
}
}  // namespace

void SetEditorFormFactory(TEditorFormFactory factory) { FormFactory() = std::move(factory); }

XInterface::XInterface(XSynthesizer* synthesizer) : AEffEditor(synthesizer), Synthesizer(synthesizer) {
  synthesizer->ExternalControl = false;
  SetWidgetSettings(SharedSettings());
  form_ = FormFactory() ? FormFactory()(*this) : MakeTestPageForm(*this);
  hand_over_ = std::make_unique<THostParamHandOver>(Params.Count());
  mirror_ = std::make_unique<THostParamMirror>(Params.Count());
  r = ZoomForm(*form_, kWidth, kHeight, WidgetSettings().Zoom, ui::UiScreenSize());
  // A host reads parameters long before (or without ever) opening the editor: the controls show
  // the patch from the start.
  ReloadControls();
  MirrorAll();
}

XInterface::~XInterface() {
  // The host destroys the editor on its user-interface thread; a parameter call still running on
  // another thread finishes first. Writes still posted are left: the instance goes with them.
  hand_over_->Take();
  window_.reset();
  form_.reset();
}

// ---- holding the controls --------------------------------------------------------------------

XInterface::TControlsHold::TControlsHold(XInterface* editor, TMode mode) {
  if (editor == nullptr) return;
  if (mode == Wait) {
    editor->hand_over_->Take();
  } else if (!editor->hand_over_->TryTake()) {
    return;
  }
  editor_ = editor;
  editor->ReloadIfPending();
  editor->ApplyPostedWrites();
}

XInterface::TControlsHold::~TControlsHold() {
  if (editor_ != nullptr) editor_->LetGoOfControls();
}

// Letting go of the controls must not fail half-way (it runs in a destructor, and a write left
// marked or an owner word left set would hold up every thread after it). A posted write whose edit
// path throws (no memory for an engine record) is dropped, as the entry point drops a direct
// write that throws; the other writes still land.
void XInterface::ApplyPostedWrite(int32_t index, float value, bool extRange) noexcept {
  try {
    ApplyHostWrite(index, value, extRange);
  } catch (...) {
  }
}

void XInterface::ApplyPostedWrites() {
  hand_over_->Drain([this](int32_t index, float value, bool extRange) { ApplyPostedWrite(index, value, extRange); });
}

void XInterface::FinishHolding() noexcept {
  try {
    ReloadIfPending();
    if (mirror_all_due_) MirrorAll();
  } catch (...) {
  }
}

void XInterface::LetGoOfControls() noexcept {
  hand_over_->Release([this](int32_t index, float value, bool extRange) { ApplyPostedWrite(index, value, extRange); },
                      [this] { FinishHolding(); });
}

// ---- the host's editor calls -------------------------------------------------------------------

bool XInterface::GetRect(ERect** rect) {
  if (rect == nullptr) return false;
  *rect = &r;
  return true;
}

bool XInterface::Open(void* window) {
  TControlsHold hold(this);
  if (!form_ || window == nullptr) return false;
  // A second open without a close moves the editor into the window now offered.
  if (window_) window_->Close();
  else window_ = std::make_unique<ui::X11ChildWindow>(form_->WindowClient());
  if (!Initialized) {
    Initialized = true;
    ReloadControls();
  } else {
    form_->RefreshTexts();
    form_->Captioner();
    mirror_all_due_ = true;
  }
  form_->SetBounds(0, 0, kWidth, kHeight);  // logical pixels; `r` is the zoomed window
  if (!window_->Open(static_cast<Window>(reinterpret_cast<uintptr_t>(window)))) return false;
  SystemWindow = window;
  return true;
}

void XInterface::Close() {
  TControlsHold hold(this);
  if (form_) form_->EditorClosed();
  if (window_) window_->Close();
  SystemWindow = nullptr;
}

void XInterface::Idle() {
  // Another thread at work on the controls: this tick is skipped, the next one does it.
  TControlsHold hold(this, TControlsHold::IfFree);
  if (!hold) return;
  if (window_ && window_->IsOpen()) {
    form_->IdleStep();  // a dialog's answer, the patch name header
    window_->Idle();    // the user's edits arrive here
    mirror_all_due_ = true;
  }
}

bool XInterface::OnKeyDown(VstKeyCode& key) {
  TControlsHold hold(this);
  if (!form_) return false;
  mirror_all_due_ = true;
  bool handled = form_->KeyDownHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyDown(ui::TranslateVstKey(key));
  return handled;
}

bool XInterface::OnKeyUp(VstKeyCode& key) {
  TControlsHold hold(this);
  if (!form_) return false;
  mirror_all_due_ = true;
  bool handled = form_->KeyUpHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyUp(ui::TranslateVstKey(key));
  return handled;
}

// ---- host parameters ------------------------------------------------------------------------

float XInterface::GetParam(int32_t index) {
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr || entry->Object == nullptr) return 0.0f;
  if (TControlsHold hold{this, TControlsHold::IfFree}) return entry->Object->HostValue(ExtRange);
  if (const std::optional<float> pending = hand_over_->Pending(index)) return *pending;
  return mirror_->Value(index, ExtRange);
}

void XInterface::SetParam(int32_t index, float value) {
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr) return;
  if (index == 0) {
    if (const std::optional<bool> on = SwitchFromHost(value)) ExtRange = *on;
    return;
  }
  // A value that is not a number changes nothing (and is never posted).
  if (entry->Object == nullptr || std::isnan(value)) return;
  const bool extRange = ExtRange;
  if (TControlsHold hold{this, TControlsHold::IfFree}) {
    ApplyHostWrite(index, value, extRange);
    return;
  }
  hand_over_->Post(index, value, extRange);
  // The holder may have let go between the try above and the post: then the write is ours to
  // apply, or the next holder's (letting go applies what it finds posted).
  TControlsHold retry(this, TControlsHold::IfFree);
}

std::string XInterface::GetParamName(int32_t index) {
  return Params.Name(index, Synthesizer->Automation, WidgetSettings().LegacyParams);
}

std::string XInterface::GetParamDisplay(int32_t index) {
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr || entry->Object == nullptr) return {};
  if (TControlsHold hold{this, TControlsHold::IfFree}) return entry->Object->DisplayText();
  return mirror_->Text(index);
}

std::string XInterface::GetParamLabel(int32_t) { return {}; }

void XInterface::ApplyHostWrite(int32_t index, float value, bool extRange) {
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr || entry->Object == nullptr) return;
  {
    // Modifying held: Modify does not echo the host's own write. Only the holder of the controls
    // sets it, so a call on another thread cannot clear it under a write (or set it under an edit).
    ModifyingScope modifying(Synthesizer->Modifying);
    entry->Object->SetHostValue(value, extRange);
  }
  MirrorEntry(index);
}

void XInterface::MirrorEntry(int32_t index) {
  const auto* entry = Params.Find(index, true);
  if (entry == nullptr || entry->Object == nullptr) return;
  const IParamControl& control = *entry->Object;
  mirror_->Store(index, control.HostValue(false), control.HostValue(true), control.DisplayText());
}

void XInterface::MirrorAll() {
  for (int32_t i = 0; i < Params.Count(); ++i) MirrorEntry(i);
  mirror_all_due_ = false;
}

// ---- reloading the controls from the patch --------------------------------------------------------

void XInterface::PatchReloaded() { reload_pending_ = true; }

void XInterface::ReloadIfPending() {
  if (reload_pending_.exchange(false)) ReloadControls();
}

void XInterface::ReloadControls() {
  if (!form_ || !Synthesizer->Multi) return;
  form_->RefreshControls(Synthesizer->Multi->EditBuffer, Synthesizer->Multi.get());
  mirror_all_due_ = true;
}

}  // namespace brelix
