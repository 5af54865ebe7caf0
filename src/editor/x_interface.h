// XInterface: the editor object the host sees (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle, the key calls) and the host parameter list, whose entries are the editor's
// controls. The host's parameter calls on the synthesizer are answered here.
//
// The form is made by the editor-form factory when the editor is created, and its controls are
// loaded from the patch at once, so a host that never opens the editor reads the patch's values.
// After a program chunk has loaded a patch the controls are reloaded before the chunk's call
// returns, as it lets go of them.
//
// Threads: a host may call the parameter operations from any thread (its audio thread too, for
// automation), and none of them waits for the user-interface thread (a write that runs an engine
// call-back still waits in the engine bracket, at most one render call). Whatever touches widgets
// does so while its thread holds the editor's controls (THostParamHandOver, one atomic owner word):
// - SetParam takes the controls if they are free and applies the value at once; if another thread
//   holds them it posts the value into the parameter's mailbox slot and returns, and the holder
//   applies it (as a host write: Modifying held, no automate echo) before it lets go.
// - GetParam and GetParamDisplay on a thread that cannot take the controls answer from the
//   mirror (THostParamMirror) that every holder keeps current; a value still waiting in the
//   mailbox is read back as written. GetParamName reads the list, which never changes once built.
// - Idle skips a tick when another thread holds the controls. Open, Close, the key calls and a
//   program chunk's reload (TControlsHold) wait for them, yielding: they come from the host's
//   user-interface thread, never from its audio thread, and what another thread does while it
//   holds them is short (one edit path and the writes posted meanwhile). The same thread may take
//   them again inside its own work (a host answering our automate call): none waits on itself.
// Widgets only mark what must be repainted; painting happens in the idle call.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/host_param_hand_over.h"
#include "editor/host_param_list.h"
#include "editor/host_param_mirror.h"
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

  // The patch changed behind the controls (a program chunk): they are reloaded before the
  // controls are next let go.
  void PatchReloaded();

  // The controls held by the calling thread for the scope's life. `Wait` yields while another
  // thread finishes its work on them (only for the user-interface thread's calls); `IfFree` holds
  // nothing when another thread has them. Taking them applies the host writes posted so far;
  // letting go reloads the controls if the patch was rewritten, brings the mirror up to date and
  // applies the writes posted meanwhile. A program chunk holds them while it rewrites the patch,
  // so that no parameter call meets it half-loaded. An editor of none holds nothing.
  class TControlsHold {
   public:
    enum TMode { Wait, IfFree };
    explicit TControlsHold(XInterface* editor, TMode mode = Wait);
    ~TControlsHold();
    TControlsHold(const TControlsHold&) = delete;
    TControlsHold& operator=(const TControlsHold&) = delete;
    explicit operator bool() const { return editor_ != nullptr; }

   private:
    XInterface* editor_ = nullptr;
  };

  bool Initialized = false;
  // The window's size in device pixels: kWidth x kHeight at the Zoom setting's scale.
  ERect r{0, 0, kHeight, kWidth};
  XSynthesizer* Synthesizer = nullptr;
  std::atomic<bool> ExtRange{false};  // written by any thread: it touches no widget
  THostParamList<IParamControl> Params;
  TInterfaceForm* EditorForm() const { return form_.get(); }
  // The host's window the editor is open in (none while closed).
  void* HostWindow() const { return SystemWindow; }

 private:
  void ReloadControls();
  // A reload that a program chunk asked for, done now.
  void ReloadIfPending();
  // A host write applied through the control's edit path, as the host's (Modifying held).
  void ApplyHostWrite(int32_t index, float value, bool extRange);
  void ApplyPostedWrite(int32_t index, float value, bool extRange) noexcept;
  void ApplyPostedWrites();
  // The holder's last work before it lets go: a pending reload, the mirror brought up to date.
  void FinishHolding() noexcept;
  void LetGoOfControls() noexcept;
  // The mirror's copy of entry `index`, or of every entry, made from the controls.
  void MirrorEntry(int32_t index);
  void MirrorAll();

  std::unique_ptr<TInterfaceForm> form_;
  std::atomic<bool> reload_pending_{false};
  std::unique_ptr<THostParamHandOver> hand_over_;
  std::unique_ptr<THostParamMirror> mirror_;
  bool mirror_all_due_ = false;  // the holder's own work changed controls the mirror has not seen
  std::unique_ptr<ui::X11ChildWindow> window_;
};

}  // namespace brelix
