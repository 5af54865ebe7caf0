#include "editor/x_interface.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "editor/editor_form_factory.h"
#include "editor/editor_zoom.h"
#include "editor/host_param_value.h"
#include "editor/interface_form.h"
#include "toolkit/widget_settings.h"
#include "editor/x_param.h"
#include "editor/x_param_slider.h"
#include "synth/modifying_scope.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"
#include "ui/vst_keys.h"
#include "ui/x11_child_window.h"
#include "widgets/x_label.h"

namespace brelix {

namespace {
TEditorFormFactory& FormFactory() {
  static TEditorFormFactory factory;
  return factory;
}
}  // namespace

TEditorFormFactory SetEditorFormFactory(TEditorFormFactory factory) {
  return std::exchange(FormFactory(), std::move(factory));
}

XInterface::XInterface(XSynthesizer* synthesizer) : AEffEditor(synthesizer), Synthesizer(synthesizer) {
  synthesizer->ExternalControl = false;
  SetWidgetSettings(SharedSettings());
  form_ = FormFactory() ? FormFactory()(*this) : MakeEditorForm(*this);
  hand_over_ = std::make_unique<THostParamHandOver>(Params.Count());
  table_ = std::make_unique<THostParamTable>(Params, Synthesizer);
  r = ZoomForm(*form_, kWidth, kHeight, WidgetSettings().Zoom, ui::UiScreenSize());
  // A host reads parameters long before (or without ever) opening the editor: the controls show
  // the patch from the start.
  ReloadControls();
  PublishControls();
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
    if (publish_due_) PublishControls();
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
  ShowHostWrites();
  if (!Initialized) {
    Initialized = true;
    ReloadControls();
  } else {
    form_->RefreshTexts();
    form_->Captioner();
    publish_due_ = true;
  }
  form_->SetBounds(0, 0, kWidth, kHeight);  // logical pixels; `r` is the zoomed window
  if (!window_->Open(static_cast<Window>(reinterpret_cast<uintptr_t>(window)))) return false;
  SystemWindow = window;
  notices_.EditorOpened();
  return true;
}

void XInterface::Close() {
  TControlsHold hold(this);
  if (form_) form_->EditorClosed();
  notices_.EditorClosed();
  if (window_) window_->Close();
  SystemWindow = nullptr;
}

void XInterface::Idle() {
  // Another thread at work on the controls: this tick is skipped, the next one does it.
  TControlsHold hold(this, TControlsHold::IfFree);
  if (!hold) return;
  ShowHostWrites();
  if (window_ && window_->IsOpen()) {
    form_->IdleStep();  // a dialog's answer, the patch name header
    notices_.Idle();    // what the host's calls left for the user
    window_->Idle();    // the user's edits arrive here
    publish_due_ = true;
  }
}

bool XInterface::OnKeyDown(VstKeyCode& key) {
  TControlsHold hold(this);
  if (!form_) return false;
  ShowHostWrites();
  publish_due_ = true;
  bool handled = form_->KeyDownHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyDown(ui::TranslateVstKey(key));
  return handled;
}

bool XInterface::OnKeyUp(VstKeyCode& key) {
  TControlsHold hold(this);
  if (!form_) return false;
  ShowHostWrites();
  publish_due_ = true;
  bool handled = form_->KeyUpHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyUp(ui::TranslateVstKey(key));
  return handled;
}

intptr_t XInterface::KeyCall(VendorCall call, void* ptr) {
  TControlsHold hold(this);
  if (!form_) return 0;
  switch (call) {
    case kVendorCallKeysBackToHost:
      form_->KeysBackToHost = true;
      return 1;
    case kVendorCallReleaseKeys:
      // Taking the typed value is an edit like Enter's.
      publish_due_ = true;
      form_->ReleaseKeys(false);
      return 1;
    case kVendorCallKeyTaker: {
      auto* answer = static_cast<VendorKeyTaker*>(ptr);
      const TWidget* taker = form_->KeyTaker();
      answer->Taken = taker != nullptr ? 1 : 0;
      std::string name;
      // A value box belongs to its slider control, whose label names it.
      for (const TComponent* c = taker; c != nullptr && name.empty(); c = c->Owner())
        if (const auto* slider = dynamic_cast<const XParamSlider*>(c)) name = slider->Text->Caption;
      const size_t length = std::min(name.size(), sizeof answer->Control - 1);
      name.copy(answer->Control, length);
      answer->Control[length] = '\0';
      return 1;
    }
    default:
      return 0;
  }
}

// ---- host parameters ------------------------------------------------------------------------

float XInterface::GetParam(int32_t index) {
  if (!Synthesizer->Automation || !table_->HasValue(index)) return 0.0f;
  if (const std::optional<float> pending = hand_over_->Pending(index)) return *pending;
  return table_->HostValue(index, ExtRange);
}

void XInterface::SetParam(int32_t index, float value) {
  if (!Synthesizer->Automation || index < 0 || index >= table_->Count()) return;
  if (index == 0) {
    if (const std::optional<bool> on = SwitchFromHost(value)) ExtRange = *on;
    return;
  }
  // A value that is not a number changes nothing (and is never posted).
  if (!table_->HasValue(index) || std::isnan(value)) return;
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

void XInterface::CopyParamName(int32_t index, char* text) {
  table_->CopyName(Synthesizer->Automation ? index : -1, WidgetSettings().LegacyParams, text);
}

void XInterface::CopyParamDisplay(int32_t index, char* text) {
  if (!Synthesizer->Automation) index = -1;
  table_->CopyDisplay(index, text);
}

std::string XInterface::GetParamName(int32_t index) {
  char text[THostParamTable::kTextCapacity];
  CopyParamName(index, text);
  return text;
}

std::string XInterface::GetParamDisplay(int32_t index) {
  char text[THostParamTable::kTextCapacity];
  CopyParamDisplay(index, text);
  return text;
}

std::string XInterface::GetParamLabel(int32_t) { return {}; }

void XInterface::ApplyHostWrite(int32_t index, float value, bool extRange) {
  // Modifying held: Modify does not echo the host's own write. Only the holder of the controls
  // sets it, so a call on another thread cannot clear it under a write (or set it under an edit).
  ModifyingScope modifying(Synthesizer->Modifying);
  table_->Write(index, value, extRange);
}

void XInterface::PublishControls() {
  for (int32_t i = 0; i < table_->Count(); ++i)
    if (const IParamControl* control = table_->Control(i)) table_->Publish(i, control->TableValue(), control->DisplayText());
  publish_due_ = false;
}

void XInterface::ShowHostWrites() {
  table_->TakeChanges([](IParamControl& control, double value, double shown) { control.TakeHostValue(value, shown); });
}

// ---- reloading the controls from the patch --------------------------------------------------------

void XInterface::PatchReloaded() { reload_pending_ = true; }

void XInterface::ReloadIfPending() {
  if (reload_pending_.exchange(false)) ReloadControls();
}

void XInterface::ReloadControls() {
  if (!form_ || !Synthesizer->Multi) return;
  form_->RefreshControls(Synthesizer->Multi->EditBuffer, Synthesizer->Multi.get());
  // The controls now show the patch, host writes included: none is left for them to take.
  if (table_) table_->TakeChanges([](IParamControl&, double, double) {});
  publish_due_ = true;
}

}  // namespace brelix
