// The editor's patch commands, without widgets: "Init", "Load" and "Save", the ask-to-save
// question before a patch is dropped, the sample handler of the four "Osc #" headers, and the
// patch name header with its modified mark. The editor form owns one and wires its widgets to it:
//
//   "Init" button                  Init()
//   "Load" button, header click    Load()
//   Page Up, Page Down             Step(-1), Step(+1)
//   "Save" button                  Save(Alt held); right click: Save(true)
//   click on header "Osc #" n      SampleClick(n, Ctrl held)
//   first open of the editor       RefreshControls()
//   later opens                    ShowPatchName()
//   every idle call                Idle()
//   the editor closes              CancelDialog()
//
// and implements IPatchCommandsView with the patch name header, the four "Osc #" headers and the
// reload of its controls. While it lives, the object is the synthesizer's Captioner, so every
// Modify (a control's edit included) refreshes the modified mark.
//
// A file dialog or the save question runs while the host goes on: the command starts it and
// returns, Idle watches for the answer and then finishes the command in its order (Load: the save
// question, then the dialog, then the load). One at a time: a command that needs one while one is
// open does nothing. Closing the editor cancels the dialog and drops its command.
//
// Every command that rewrites the patch or voice records does so inside the engine bracket, which
// closes on every path; dialogs and questions are shown outside it. A failure is reported and
// loses nothing: a patch that could not be saved stays marked modified under its old file name,
// and a patch that could not be loaded leaves the playing patch as it was.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/dialogs.h"

namespace brelix {

class XSynthesizer;

// What the commands show; the editor form's side. The caption calls may come before the form has
// built its headers (a Modify right after the commands are made); a view without them yet ignores
// them, and RefreshControls at the first open brings everything in step.
class IPatchCommandsView {
 public:
  virtual ~IPatchCommandsView() = default;
  // The patch name header's caption: the patch file's name without folder, after a "*" while the
  // patch is modified.
  virtual void ShowPatchCaption(const std::string& caption) = 0;
  // Header "Osc #" `lane` (1..4): the caption " Osc #n", or " *Osc #n" while the lane names a
  // sample file, and as hint that file's name without folder (empty for none).
  virtual void ShowSampleCaption(int lane, const std::string& caption, const std::string& hint) = 0;
  // Paints the headers changed above.
  virtual void Repaint() = 0;
  // Loads every control of the four pages from the edit buffer and empties their undo lists.
  virtual void RefreshControls() = 0;
  // The host's window that file dialogs belong to (0: none).
  virtual unsigned long DialogOwner() const { return 0; }
};

class TPatchCommands {
 public:
  TPatchCommands(XSynthesizer& synth, IPatchCommandsView& view);
  ~TPatchCommands();
  TPatchCommands(const TPatchCommands&) = delete;
  TPatchCommands& operator=(const TPatchCommands&) = delete;

  // The ask-to-save question, with Yes, No and Cancel, comes first when the patch is modified:
  // Yes saves it (a Save As that is cancelled or fails abandons the command), No goes on without
  // saving, Cancel abandons the command.
  //
  // After the ask-to-save question: the default patch, named "Init.tw" in the folder of the
  // previous patch file, modified, and the next Save asks for a file name.
  void Init();
  // After the ask-to-save question: the "Load Patch" dialog (synth/patch_dialog_folders.h says
  // where it starts), then the chosen file plays, its name in the header, unmodified, with its
  // preview note.
  void Load();
  // After the ask-to-save question, as Load: the previous (-1) or next (+1) patch plays, across
  // the library's families when the patch lies in the library, else in the current file's folder
  // (editor/patch_stepping.h); nothing at either end.
  void Step(int step);
  // Writes the patch into its file at once; through the "Save Patch" dialog when it has no file,
  // when `alt` (Save As) or after Init or a sample change. True when the patch was saved before
  // the call returns (a dialog still open saves later, from Idle).
  bool Save(bool alt);
  // With `ctrl` the lane's sample is removed; otherwise the "Load Sample #n" dialog chooses it.
  // Either way every voice's playback position for the lane starts again and the patch is
  // modified. A file that cannot be read is reported and leaves the lane silent; its name stays.
  void SampleClick(int lane, bool ctrl);

  // The sample names, the patch name header and every control, from the edit buffer.
  void RefreshControls();
  // The header from the patch file's name (an editor opened again), with the modified mark.
  void ShowPatchName();
  // Captions and hints of the four "Osc #" headers.
  void ShowSampleNames();
  // Shows or removes the modified mark "*" in the patch name header.
  void Captioner();

  // The editor's idle call: a dialog that has been answered finishes its command, and the header
  // follows the patch file and its modified state, whatever changed them (a host's chunk call).
  void Idle();
  // Closes a dialog or question still open; its command is dropped.
  void CancelDialog();
  bool DialogOpen() const { return open_ != nullptr; }

  // The next Save asks for a file name.
  bool SaveAs = false;

 private:
  using TFileAnswer = std::function<void(const std::optional<std::string>& chosen)>;
  using TSaved = std::function<void(bool saved)>;

  // A dialog or question left open, with the step of its command that its answer finishes.
  class TOpenDialog;
  template <class Answer>
  class TOpenRun;

  // `then` gets the run's answer: at once when it needed no waiting, otherwise from Idle.
  template <class Answer>
  void WhenAnswered(std::unique_ptr<IDialogRun<Answer>> run, std::function<void(const Answer&)> then);
  // Starts a file dialog; `then` gets the chosen file. Nothing happens while a dialog is open.
  void AskForFile(const FileDialogOptions& options, bool save, TFileAnswer then);
  // The ask-to-save question for a modified patch; on Yes, Save. `next` runs on No, and on Yes
  // once the patch is saved; not on Cancel, nor when the user wanted the patch saved and it was
  // not (dialog cancelled, write failed): then the command is abandoned.
  void SaveChangesFirst(std::function<void()> next);
  void SaveThen(bool alt, TSaved saved);
  bool SaveToFile(const std::string& file);
  // The write-back into the patch's own file: true when saved, false when the write failed
  // (reported), none when the file is not one to write without the user choosing it.
  std::optional<bool> SaveToPatchFile();
  void LoadFile(const std::string& file);
  void SetSample(int lane, const std::string& file);

  XSynthesizer& synth_;
  IPatchCommandsView& view_;
  std::string name_;     // the header's file name, without the mark
  std::string caption_;  // what the header shows
  std::unique_ptr<TOpenDialog> open_;  // the dialog or question open, if any
};

}  // namespace brelix
