#include "editor/x_interface.h"

#include <X11/Xlib.h>

#include "editor/editor_zoom.h"
#include "editor/host_param_value.h"
#include "editor/interface_form.h"
#include "editor/test_page_form.h"
#include "editor/widget_settings.h"
#include "editor/x_param.h"
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
  r = ZoomForm(*form_, kWidth, kHeight, WidgetSettings().Zoom);
  // A host reads parameters long before (or without ever) opening the editor: the controls show
  // the patch from the start.
  ReloadControls();
}

XInterface::~XInterface() {
  std::lock_guard lock(lock_);
  window_.reset();
  form_.reset();
}

bool XInterface::GetRect(ERect** rect) {
  if (rect == nullptr) return false;
  *rect = &r;
  return true;
}

bool XInterface::Open(void* window) {
  std::lock_guard lock(lock_);
  if (!form_ || window == nullptr) return false;
  // A second open without a close moves the editor into the window now offered.
  if (window_) window_->Close();
  else window_ = std::make_unique<ui::X11ChildWindow>(form_->WindowClient());
  ReloadIfPending();
  if (!Initialized) {
    Initialized = true;
    ReloadControls();
  } else {
    form_->RefreshTexts();
    form_->Captioner();
  }
  form_->SetBounds(0, 0, kWidth, kHeight);  // logical pixels; `r` is the zoomed window
  if (!window_->Open(static_cast<Window>(reinterpret_cast<uintptr_t>(window)))) return false;
  SystemWindow = window;
  return true;
}

void XInterface::Close() {
  std::lock_guard lock(lock_);
  if (window_) window_->Close();
  SystemWindow = nullptr;
}

void XInterface::Idle() {
  std::lock_guard lock(lock_);
  ReloadIfPending();
  if (window_ && window_->IsOpen()) window_->Idle();
}

bool XInterface::OnKeyDown(VstKeyCode& key) {
  std::lock_guard lock(lock_);
  if (!form_) return false;
  bool handled = form_->KeyDownHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyDown(ui::TranslateVstKey(key));
  return handled;
}

bool XInterface::OnKeyUp(VstKeyCode& key) {
  std::lock_guard lock(lock_);
  if (!form_) return false;
  bool handled = form_->KeyUpHook(key) != 0;
  if (!handled && window_ && window_->IsOpen()) handled = window_->HostKeyUp(ui::TranslateVstKey(key));
  return handled;
}

// ---- host parameters ------------------------------------------------------------------------

float XInterface::GetParam(int32_t index) {
  std::lock_guard lock(lock_);
  ReloadIfPending();
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr || entry->Object == nullptr) return 0.0f;
  return entry->Object->HostValue(ExtRange);
}

void XInterface::SetParam(int32_t index, float value) {
  std::lock_guard lock(lock_);
  ReloadIfPending();
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr) return;
  if (index == 0) {
    if (const std::optional<bool> on = SwitchFromHost(value)) ExtRange = *on;
    return;
  }
  if (entry->Object != nullptr) entry->Object->SetHostValue(value, ExtRange);
}

std::string XInterface::GetParamName(int32_t index) {
  std::lock_guard lock(lock_);
  return Params.Name(index, Synthesizer->Automation, WidgetSettings().LegacyParams);
}

std::string XInterface::GetParamDisplay(int32_t index) {
  std::lock_guard lock(lock_);
  ReloadIfPending();
  const auto* entry = Params.Find(index, Synthesizer->Automation);
  if (entry == nullptr || entry->Object == nullptr) return {};
  return entry->Object->DisplayText();
}

std::string XInterface::GetParamLabel(int32_t) { return {}; }

void XInterface::PatchReloaded() { reload_pending_ = true; }

void XInterface::ReloadIfPending() {
  if (reload_pending_.exchange(false)) ReloadControls();
}

void XInterface::ReloadControls() {
  if (!form_ || !Synthesizer->Multi) return;
  form_->RefreshControls(Synthesizer->Multi->EditBuffer, Synthesizer->Multi.get());
}

}  // namespace brelix
