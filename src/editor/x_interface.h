// XInterface: the editor object the host sees (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle, the key calls) and the host parameter list, whose entries are the editor's
// controls. The host's parameter calls on the synthesizer are answered here.
//
// The form is made by the editor-form factory when the editor is created, and its controls are
// loaded from the patch at once, so a host that never opens the editor reads the patch's values.
// After a program chunk has loaded a patch the controls are reloaded on the next idle call (or
// the next parameter call).
//
// Threads: a host may call the parameter operations from any thread. Each of them, and every
// call of the host's user-interface thread that reaches the form (open, close, idle, keys), holds
// the editor's lock, so that widgets are never changed by two threads at once; widgets only mark
// what must be repainted, and painting happens in the idle call.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "editor/host_param_list.h"
#include "plugin/aeff_editor.h"

namespace brelix {

class IParamControl;
class TInterfaceForm;
class XSynthesizer;
class XInterface;
namespace ui {
class X11ChildWindow;
}

// Builds the editor's form with its pages and registers its controls with `editor`.
using TEditorFormFactory = std::function<std::unique_ptr<TInterfaceForm>(XInterface& editor)>;
// The factory every new editor uses; none restores the built-in test page.
void SetEditorFormFactory(TEditorFormFactory factory);

class XInterface : public AEffEditor {
 public:
  static constexpr int kWidth = 624;
  static constexpr int kHeight = 557;

  explicit XInterface(XSynthesizer* synthesizer);
  ~XInterface() override;

  bool GetRect(ERect** rect) override;
  bool Open(void* window) override;
  void Close() override;
  void Idle() override;
  bool OnKeyDown(VstKeyCode& key) override;
  bool OnKeyUp(VstKeyCode& key) override;

  // ---- host parameters (neutral answers with Automation off or an index outside the list)
  float GetParam(int32_t index);
  void SetParam(int32_t index, float value);
  std::string GetParamName(int32_t index);
  std::string GetParamDisplay(int32_t index);
  std::string GetParamLabel(int32_t index);

  // The patch changed behind the controls (a program chunk): they are reloaded on the
  // user-interface thread.
  void PatchReloaded();
  // Held by whatever rewrites the patch behind the controls' backs (a program chunk), so that a
  // host's parameter call on another thread never meets a half-loaded patch.
  std::recursive_mutex& ControlsLock() { return lock_; }

  bool Initialized = false;
  // The window's size in device pixels: kWidth x kHeight at the Zoom setting's scale.
  ERect r{0, 0, kHeight, kWidth};
  XSynthesizer* Synthesizer = nullptr;
  bool ExtRange = false;
  THostParamList<IParamControl> Params;
  TInterfaceForm* EditorForm() const { return form_.get(); }

 private:
  void ReloadControls();
  // A reload that a program chunk asked for, done now.
  void ReloadIfPending();
  std::recursive_mutex lock_;
  std::unique_ptr<TInterfaceForm> form_;
  std::atomic<bool> reload_pending_{false};
  std::unique_ptr<ui::X11ChildWindow> window_;
};

}  // namespace brelix
