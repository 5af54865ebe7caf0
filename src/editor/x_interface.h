// XInterface: the editor object the host sees (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle, the key calls) and the host parameters. The page builders fill the host parameter
// list with the editor's controls; once the form is built the list becomes the host parameter
// table (host_param_table.h), which answers the host's parameter calls without a widget.
//
// The form is made by the editor-form factory when the editor is created, and its controls are
// loaded from the patch at once, so a host that never opens the editor reads the patch's values.
// After a program chunk has loaded a patch the controls are reloaded before the chunk's call
// returns, as it lets go of them.
//
// Threads: a host may call the parameter operations from any thread (its audio thread too, for
// automation), and none of them waits for the user-interface thread (a write that runs an engine
// call-back still waits in the engine bracket, at most one render call). Edits are made one
// thread at a time: the thread that holds the controls (THostParamHandOver, one atomic owner
// word) may edit.
// - SetParam takes the controls if they are free and writes through the table at once; if
//   another thread holds them it posts the value into the parameter's mailbox slot and returns,
//   and the holder writes it through the table (Modifying held, no automate echo) before it lets
//   go. A host write never touches a widget, allocates or locks.
// - GetParam, GetParamDisplay and GetParamName read the table on any thread, holding nothing; a
//   value still waiting in the mailbox is read back as written.
// - The controls are touched only on the user-interface thread's calls (and by a program chunk's
//   reload): Idle hands the controls the values hosts wrote since the last idle (skipping a tick
//   when another thread holds them), and every holder of the controls publishes the controls'
//   own edits into the table before it lets go. Open, Close, the key calls and a program chunk's
//   reload (TControlsHold) wait for the controls, yielding: what another thread does while it
//   holds them is short (one table write and the writes posted meanwhile). The same thread may
//   take them again inside its own work (a host answering our automate call): none waits on itself.
// Widgets only mark what must be repainted; painting happens in the idle call.
//
// What a host's call could not save or load is handed to Notices() (it never waits for a person)
// and shown beside the open editor at its next idle call (editor_notices.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/editor_notices.h"
#include "editor/host_param_hand_over.h"
#include "editor/host_param_list.h"
#include "editor/host_param_table.h"
#include "plugin/aeff_editor.h"
#include "plugin/vendor_calls.h"

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
// The factory every new editor uses from now on (none: the synthesizer's own form); returns the
// one it replaces.
TEditorFormFactory SetEditorFormFactory(TEditorFormFactory factory);

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
  // The calls of a host that plays notes on the computer keys (plugin/vendor_calls.h): give
  // the keys back after typing, say who has them, take them back now. Answers 1 when carried out.
  intptr_t KeyCall(VendorCall call, void* ptr);

  // ---- host parameters (neutral answers with Automation off or an index outside the list)
  float GetParam(int32_t index);
  void SetParam(int32_t index, float value);
  // Into a host's buffer of 32 bytes, cut after 31 characters.
  void CopyParamName(int32_t index, char* text);
  void CopyParamDisplay(int32_t index, char* text);
  std::string GetParamName(int32_t index);
  std::string GetParamDisplay(int32_t index);
  std::string GetParamLabel(int32_t index);

  // The patch changed behind the controls (a program chunk): they are reloaded before the
  // controls are next let go.
  void PatchReloaded();

  // The controls held by the calling thread for the scope's life. `Wait` yields while another
  // thread finishes its work on them (only for the user-interface thread's calls); `IfFree` holds
  // nothing when another thread has them. Taking them applies the host writes posted so far;
  // letting go reloads the controls if the patch was rewritten, publishes the controls' edits into
  // the table and applies the writes posted meanwhile. A program chunk holds them while it rewrites the patch,
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
  // Filled by the page builders; the table is made from it when the form is complete.
  THostParamList<IParamControl> Params;
  TInterfaceForm* EditorForm() const { return form_.get(); }
  // The host's window the editor is open in (none while closed).
  void* HostWindow() const { return SystemWindow; }
  // Where a host's call leaves what the user should read (any thread but the audio thread).
  INoticeSink* Notices() { return &notices_; }

 private:
  void ReloadControls();
  // A reload that a program chunk asked for, done now.
  void ReloadIfPending();
  // A host write through the table, as the host's (Modifying held).
  void ApplyHostWrite(int32_t index, float value, bool extRange);
  void ApplyPostedWrite(int32_t index, float value, bool extRange) noexcept;
  void ApplyPostedWrites();
  // The holder's last work before it lets go: a pending reload, the controls' edits published.
  void FinishHolding() noexcept;
  void LetGoOfControls() noexcept;
  // Every control's value and text into its table entry (the user-interface thread's holds).
  void PublishControls();
  // The values hosts wrote since the last call shown by their controls.
  void ShowHostWrites();

  std::unique_ptr<TInterfaceForm> form_;
  std::atomic<bool> reload_pending_{false};
  std::unique_ptr<THostParamHandOver> hand_over_;
  std::unique_ptr<THostParamTable> table_;
  bool publish_due_ = false;  // the holder's own work changed controls the table has not seen
  std::unique_ptr<ui::X11ChildWindow> window_;
  TEditorNotices notices_;
};

}  // namespace brelix
