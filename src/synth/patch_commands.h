// The editor's patch commands, without widgets: "Init", "Load" and "Save", the ask-to-save
// question before a patch is dropped, the sample handler of the four "Osc #" headers, and the
// patch name header with its modified mark. The editor form owns one and wires its widgets to it:
//
//   "Init" button                  Init()
//   "Load" button, header click    Load()
//   "Save" button                  Save(Alt held)
//   click on header "Osc #" n      SampleClick(n, Ctrl held)
//   first open of the editor       RefreshControls()
//   later opens                    ShowPatchName()
//
// and implements IPatchCommandsView with the patch name header, the four "Osc #" headers and the
// reload of its controls. While it lives, the object is the synthesizer's Captioner, so every
// Modify (a control's edit included) refreshes the modified mark.
//
// Every command that rewrites the patch or voice records does so inside the engine bracket, which
// closes on every path; dialogs and questions are shown outside it. A failure is reported and
// loses nothing: a patch that could not be saved stays marked modified under its old file name,
// and a patch that could not be loaded leaves the playing patch as it was.
#pragma once

#include <string>

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
};

class TPatchCommands {
 public:
  TPatchCommands(XSynthesizer& synth, IPatchCommandsView& view);
  ~TPatchCommands();
  TPatchCommands(const TPatchCommands&) = delete;
  TPatchCommands& operator=(const TPatchCommands&) = delete;

  // After the ask-to-save question: the default patch, named "Init.tw" in the folder of the
  // previous patch file, modified, and the next Save asks for a file name.
  void Init();
  // After the ask-to-save question: the "Load Patch" dialog, then the chosen file plays, its
  // name in the header, unmodified, with its preview note.
  void Load();
  // Writes the patch into its file at once; through the "Save Patch" dialog when it has no file,
  // when `alt` (Save As) or after Init or a sample change. True when the patch was saved.
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

  // The next Save asks for a file name.
  bool SaveAs = false;

 private:
  // The ask-to-save question for a modified patch; on Yes, Save. False when the user wanted the
  // patch saved and it was not (dialog cancelled, write failed): the command is abandoned.
  bool SaveChangesFirst();
  bool SaveWithDialog();
  bool SaveToPatchFile();

  XSynthesizer& synth_;
  IPatchCommandsView& view_;
  std::string name_;     // the header's file name, without the mark
  std::string caption_;  // what the header shows
};

}  // namespace brelix
