#include "synth/patch_dialogs.h"

#include "base/printable_text.h"
#include "patch/file_names.h"
#include "ui/dialogs.h"

namespace brelix {

FileDialogOptions PatchFileDialogOptions(bool save, const std::string& proposed) {
  FileDialogOptions options;
  options.title = save ? "Save Patch" : "Load Patch";
  options.filter = "TolvenSoftworks Patch Files (*.tw)|*.tw|All Files (*.*)|*.*";
  options.filter_index = 1;
  options.default_extension = "tw";
  options.file_name = proposed;
  // Saving asks before an existing file is replaced; loading takes only an existing file.
  options.overwrite_prompt = save;
  options.must_exist = !save;
  return options;
}

std::optional<std::string> ChosenFile(std::optional<std::string> answer) {
  if (answer && answer->empty()) return std::nullopt;
  return answer;
}

namespace {

std::string SavePatchQuestion(const std::string& patch_file) {
  return "Do you want to save patch " + PrintableText(FileNameOnly(patch_file)) + "?";
}

}  // namespace

bool AskToSavePatch(const std::string& patch_file) { return Dialogs().AskYesNo(SavePatchQuestion(patch_file)); }

std::unique_ptr<IQuestionRun> StartSavePatchQuestion(const std::string& patch_file, unsigned long owner) {
  return Dialogs().StartQuestion(SavePatchQuestion(patch_file), owner);
}

std::optional<std::string> ChoosePatchFileToSave(const FileDialogOptions& options) {
  return ChosenFile(Dialogs().SaveFile(options));
}

}  // namespace brelix
