#include "synth/patch_commands.h"

#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "editor/patch_stepping.h"
#include "engine/patch.h"
#include "engine/sample_osc.h"
#include "modulation/delay.h"
#include "patch/file_names.h"
#include "patch/patch_defaults.h"
#include "patch/patch_derived.h"
#include "patch/patch_file.h"
#include "patch/patch_library.h"
#include "patch/patch_save_as.h"
#include "patch/sample_file.h"
#include "base/messages.h"
#include "plugin/plugin_module.h"
#include "synth/patch_dialogs.h"
#include "synth/process_update_scope.h"
#include "synth/synthesizer.h"
#include "ui/dialogs.h"

namespace brelix {

namespace {

constexpr int kSampleLanes = 4;
constexpr const char* kInitPatchName = "Init.tw";

std::string LaneSampleFile(const XPatch& p, int lane) {
  const char* name = p.SampleOscFile[lane - 1];
  return std::string(name, strnlen(name, kSampleFileNameSize));
}

FileDialogOptions SampleFileDialogOptions(int lane, const std::string& proposed) {
  FileDialogOptions options;
  options.title = "Load Sample #" + std::to_string(lane);
  options.filter = "WAV Files (*.wav)|*.wav|All Files (*.*)|*.*";
  options.filter_index = 1;
  options.default_extension = "wav";
  options.file_name = proposed;
  options.must_exist = true;
  return options;
}

// A command runs from a widget's event: whatever fails inside it is reported, never thrown into
// the toolkit (the engine bracket has closed by then).
template <class Command>
auto Reported(Command command) -> decltype(command()) {
  try {
    return command();
  } catch (const std::exception& error) {
    ShowLibraryMessage(error.what());
  }
  return decltype(command())();
}

}  // namespace

TPatchCommands::TPatchCommands(XSynthesizer& synth, IPatchCommandsView& view)
    : synth_(synth), view_(view), name_(FileNameOnly(synth.Multi->PatchFile)) {
  synth_.Captioner = [this] { Captioner(); };
}

TPatchCommands::~TPatchCommands() {
  CancelDialog();
  synth_.Captioner = nullptr;
}

// ---- dialogs ----------------------------------------------------------------------------------------

class TPatchCommands::TOpenDialog {
 public:
  virtual ~TOpenDialog() = default;
  virtual bool Poll() = 0;
  // Closes the dialog, then runs the step with its answer.
  virtual void Finish() = 0;
};

template <class Answer>
class TPatchCommands::TOpenRun : public TOpenDialog {
 public:
  TOpenRun(std::unique_ptr<IDialogRun<Answer>> run, std::function<void(const Answer&)> then)
      : run_(std::move(run)), then_(std::move(then)) {}
  bool Poll() override { return run_->Poll(); }
  void Finish() override {
    const Answer answer = run_->Answer();
    run_.reset();
    then_(answer);
  }

 private:
  std::unique_ptr<IDialogRun<Answer>> run_;
  std::function<void(const Answer&)> then_;
};

template <class Answer>
void TPatchCommands::WhenAnswered(std::unique_ptr<IDialogRun<Answer>> run, std::function<void(const Answer&)> then) {
  auto open = std::make_unique<TOpenRun<Answer>>(std::move(run), std::move(then));
  if (open->Poll()) {
    open->Finish();
    return;
  }
  open_ = std::move(open);
}

void TPatchCommands::AskForFile(const FileDialogOptions& options, bool save, TFileAnswer then) {
  if (DialogOpen()) return;
  WhenAnswered<std::optional<std::string>>(
      Dialogs().StartFileDialog(options, save, view_.DialogOwner()),
      [then = std::move(then)](const std::optional<std::string>& answer) { then(ChosenFile(answer)); });
}

void TPatchCommands::Idle() {
  if (open_ != nullptr && open_->Poll()) {
    // The dialog is gone before its command goes on, which may open the next one.
    std::unique_ptr<TOpenDialog> answered = std::move(open_);
    Reported([&] { answered->Finish(); });
  }
  ShowPatchName();
}

void TPatchCommands::CancelDialog() { open_.reset(); }

// ---- the header -----------------------------------------------------------------------------------

void TPatchCommands::Captioner() {
  // The mark is kept apart from the name, so a file whose name itself starts with "*" keeps it.
  const std::string caption = (synth_.Multi->Modified ? "*" : "") + name_;
  if (caption == caption_) return;
  caption_ = caption;
  view_.ShowPatchCaption(caption_);
  view_.Repaint();
}

void TPatchCommands::ShowPatchName() {
  name_ = FileNameOnly(synth_.Multi->PatchFile);
  Captioner();
}

void TPatchCommands::ShowSampleNames() {
  const XPatch& patch = *synth_.Multi->EditBuffer;
  for (int lane = 1; lane <= kSampleLanes; ++lane) {
    const std::string name = FileNameOnly(LaneSampleFile(patch, lane));
    const std::string caption = std::string(" ") + (name.empty() ? "" : "*") + "Osc #" + std::to_string(lane);
    view_.ShowSampleCaption(lane, caption, name);
  }
  view_.Repaint();
}

void TPatchCommands::RefreshControls() {
  ShowSampleNames();
  ShowPatchName();
  view_.RefreshControls();
}

// ---- Init, Load, Save ----------------------------------------------------------------------------

void TPatchCommands::SaveChangesFirst(std::function<void()> next) {
  if (!synth_.Multi->Modified) {
    next();
    return;
  }
  if (DialogOpen()) return;
  WhenAnswered<QuestionAnswer>(
      StartSavePatchQuestion(synth_.Multi->PatchFile, view_.DialogOwner()),
      [this, next = std::move(next)](const QuestionAnswer& answer) {
        if (answer == QuestionAnswer::Cancel) return;
        // A host that saved its project meanwhile has written the changes into the file already.
        if (answer == QuestionAnswer::No || !synth_.Multi->Modified) {
          next();
          return;
        }
        // Yes, but nothing was saved: going on would drop the changes the user wanted kept.
        SaveThen(false, [next](bool saved) {
          if (saved) next();
        });
      });
}

void TPatchCommands::Init() {
  if (DialogOpen()) return;
  Reported([this] {
    SaveChangesFirst([this] {
      XMulti& multi = *synth_.Multi;
      XPatch& patch = *multi.EditBuffer;
      ProcessUpdateScope update(synth_);
      // A patch file without folder would put "Init.tw" wherever the host happens to run.
      std::string folder = FolderOf(multi.PatchFile);
      if (folder.empty()) folder = PluginDirectory;
      multi.PatchFile = folder + kInitPatchName;
      PatchDefaults(patch);
      PatchPrepare(patch);
      PatchSampleRate(patch);
      PatchDCFilters(patch);
      DelayRebuild(patch, true);
      // Relinks voices 0..MaxVoice with fresh work records (idle, no sample position).
      synth_.AllocateVoices();
      multi.Modified = true;
      SaveAs = true;
      RefreshControls();
      synth_.Modify();
    });
  });
}

void TPatchCommands::Load() {
  if (DialogOpen()) return;
  Reported([this] {
    SaveChangesFirst([this] {
      AskForFile(synth_.PatchFolders.LoadOptions(synth_.Multi->PatchFile), false,
                 [this](const std::optional<std::string>& chosen) {
                   if (!chosen) return;
                   synth_.PatchFolders.Remember(*chosen);
                   LoadFile(*chosen);
                 });
    });
  });
}

void TPatchCommands::Step(int step) {
  if (DialogOpen()) return;
  Reported([this, step] {
    const std::optional<std::string> next =
        NeighbourPatchFile(synth_.Multi->PatchFile, step, FindPatchLibrary(PluginDirectory).value_or(""));
    if (next) SaveChangesFirst([this, file = *next] { LoadFile(file); });
  });
}

void TPatchCommands::LoadFile(const std::string& file) {
  XMulti& multi = *synth_.Multi;
  ProcessUpdateScope update(synth_);
  // A file that cannot be read has been reported and left the playing patch as it was.
  if (!PatchLoad(*multi.EditBuffer, file)) return;
  synth_.AllocateVoices();
  multi.PatchFile = file;
  multi.Modified = false;
  SaveAs = false;
  RefreshControls();
  synth_.Modify();
  multi.PlayNote();
}

bool TPatchCommands::Save(bool alt) {
  if (DialogOpen()) return false;
  // Shared, since a dialog that stays open answers after this call has returned.
  auto saved = std::make_shared<bool>(false);
  Reported([&] { SaveThen(alt, [saved](bool ok) { *saved = ok; }); });
  return *saved;
}

void TPatchCommands::SaveThen(bool alt, TSaved saved) {
  if (!synth_.Multi->PatchFile.empty() && !alt && !SaveAs) {
    // A patch named by a file that is no patch file, or a write-protected one, is saved as a new
    // one, under a name the user chooses.
    if (std::optional<bool> written = SaveToPatchFile()) {
      saved(*written);
      return;
    }
  }
  AskForFile(synth_.PatchFolders.SaveOptions(synth_.Multi->PatchFile), true,
             [this, saved](const std::optional<std::string>& chosen) {
               if (chosen) synth_.PatchFolders.Remember(*chosen);
               saved(chosen && SaveToFile(*chosen));
             });
}

bool TPatchCommands::SaveToFile(const std::string& file) {
  XMulti& multi = *synth_.Multi;
  ProcessUpdateScope update(synth_);
  // A failed write has been reported; the patch keeps its file and its mark.
  if (!PatchSaveAsOrReport(*multi.EditBuffer, multi.PatchFile, file)) return false;
  // The host learns that its chunk now names another file.
  synth_.Modify();
  multi.PatchFile = file;
  multi.Modified = false;
  SaveAs = false;
  ShowPatchName();
  return true;
}

std::optional<bool> TPatchCommands::SaveToPatchFile() {
  XMulti& multi = *synth_.Multi;
  ProcessUpdateScope update(synth_);
  const WriteBackResult result = synth_.PatchWriteBack();
  if (result == WriteBackResult::Refused) return std::nullopt;
  if (result == WriteBackResult::Failed) return false;
  multi.Modified = false;
  SaveAs = false;
  Captioner();
  return true;
}

// ---- samples ----------------------------------------------------------------------------------------

void TPatchCommands::SampleClick(int lane, bool ctrl) {
  if (lane < 1 || lane > kSampleLanes || DialogOpen()) return;
  Reported([this, lane, ctrl] {
    if (ctrl) {
      SetSample(lane, std::string());  // none: the lane is cleared
      return;
    }
    AskForFile(SampleFileDialogOptions(lane, LaneSampleFile(*synth_.Multi->EditBuffer, lane)), false,
               [this, lane](const std::optional<std::string>& chosen) {
                 if (!chosen) return;
                 // A name the patch cannot hold could not be saved or loaded again either.
                 if (chosen->size() >= kSampleFileNameSize) {
                   ShowInvalidSample(*chosen);
                   return;
                 }
                 SetSample(lane, *chosen);
               });
  });
}

void TPatchCommands::SetSample(int lane, const std::string& file) {
  XMulti& multi = *synth_.Multi;
  XPatch& patch = *multi.EditBuffer;
  ProcessUpdateScope update(synth_);
  std::memcpy(patch.SampleOscFile[lane - 1], file.c_str(), file.size() + 1);
  // Every voice, linked or not: a position in the old sample means nothing in the new one.
  for (XPatchWork* work : synth_.PatchWork) SampleVoiceLaneReset(*work, lane);
  SampleLoad(patch, lane);
  multi.Modified = true;
  SaveAs = true;
  synth_.Modify();
  ShowSampleNames();
}

}  // namespace brelix
