#include "synth/patch_commands.h"

#include <cstring>
#include <exception>
#include <optional>

#include "engine/patch.h"
#include "engine/sample_osc.h"
#include "modulation/delay.h"
#include "patch/file_names.h"
#include "patch/patch_defaults.h"
#include "patch/patch_derived.h"
#include "patch/patch_file.h"
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

std::optional<std::string> ChooseSampleFile(int lane, const std::string& proposed) {
  FileDialogOptions options;
  options.title = "Load Sample #" + std::to_string(lane);
  options.filter = "WAV Files (*.wav)|*.wav|All Files (*.*)|*.*";
  options.filter_index = 1;
  options.default_extension = "wav";
  options.file_name = proposed;
  options.must_exist = true;
  std::optional<std::string> chosen = Dialogs().OpenFile(options);
  if (chosen && chosen->empty()) return std::nullopt;
  return chosen;
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

TPatchCommands::~TPatchCommands() { synth_.Captioner = nullptr; }

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

bool TPatchCommands::SaveChangesFirst() {
  XMulti& multi = *synth_.Multi;
  if (!multi.Modified || !AskToSavePatch(multi.PatchFile)) return true;
  // Yes, but nothing was saved: going on would drop the changes the user wanted kept.
  return Save(false);
}

void TPatchCommands::Init() {
  Reported([this] {
    if (!SaveChangesFirst()) return;
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
}

void TPatchCommands::Load() {
  Reported([this] {
    if (!SaveChangesFirst()) return;
    XMulti& multi = *synth_.Multi;
    const std::optional<std::string> chosen = ChoosePatchFileToLoad(multi.PatchFile);
    if (!chosen) return;
    ProcessUpdateScope update(synth_);
    // A file that cannot be read has been reported and left the playing patch as it was.
    if (!PatchLoad(*multi.EditBuffer, *chosen)) return;
    synth_.AllocateVoices();
    multi.PatchFile = *chosen;
    multi.Modified = false;
    SaveAs = false;
    RefreshControls();
    synth_.Modify();
    multi.PlayNote();
  });
}

bool TPatchCommands::Save(bool alt) {
  return Reported([this, alt] {
    if (synth_.Multi->PatchFile.empty() || alt || SaveAs) return SaveWithDialog();
    return SaveToPatchFile();
  });
}

bool TPatchCommands::SaveWithDialog() {
  XMulti& multi = *synth_.Multi;
  const std::optional<std::string> chosen = ChoosePatchFileToSave(multi.PatchFile);
  if (!chosen) return false;
  ProcessUpdateScope update(synth_);
  // A failed write has been reported; the patch keeps its file and its mark.
  if (!PatchSaveOrReport(*multi.EditBuffer, *chosen)) return false;
  // The host learns that its chunk now names another file.
  synth_.Modify();
  multi.PatchFile = *chosen;
  multi.Modified = false;
  SaveAs = false;
  ShowPatchName();
  return true;
}

bool TPatchCommands::SaveToPatchFile() {
  XMulti& multi = *synth_.Multi;
  ProcessUpdateScope update(synth_);
  if (!PatchSaveOrReport(*multi.EditBuffer, multi.PatchFile)) return false;
  multi.Modified = false;
  SaveAs = false;
  Captioner();
  return true;
}

// ---- samples ----------------------------------------------------------------------------------------

void TPatchCommands::SampleClick(int lane, bool ctrl) {
  if (lane < 1 || lane > kSampleLanes) return;
  Reported([this, lane, ctrl] {
    XMulti& multi = *synth_.Multi;
    XPatch& patch = *multi.EditBuffer;
    std::string file;  // none: the lane is cleared
    if (!ctrl) {
      const std::optional<std::string> chosen = ChooseSampleFile(lane, LaneSampleFile(patch, lane));
      if (!chosen) return;
      // A name the patch cannot hold could not be saved or loaded again either.
      if (chosen->size() >= kSampleFileNameSize) {
        ShowInvalidSample(*chosen);
        return;
      }
      file = *chosen;
    }
    ProcessUpdateScope update(synth_);
    std::memcpy(patch.SampleOscFile[lane - 1], file.c_str(), file.size() + 1);
    // Every voice, linked or not: a position in the old sample means nothing in the new one.
    for (XPatchWork* work : synth_.PatchWork) SampleVoiceLaneReset(*work, lane);
    SampleLoad(patch, lane);
    multi.Modified = true;
    SaveAs = true;
    synth_.Modify();
    ShowSampleNames();
  });
}

}  // namespace brelix
