#include "synth/patch_dialogs.h"

#include "patch/file_names.h"
#include "ui/dialogs.h"

namespace brelix {

namespace {

FileDialogOptions PatchFileDialog(const char* title, const std::string& proposed) {
  FileDialogOptions options;
  options.title = title;
  options.filter = "TolvenSoftworks Patch Files (*.tw)|*.tw|All Files (*.*)|*.*";
  options.filter_index = 1;
  options.default_extension = "tw";
  options.file_name = proposed;
  return options;
}

// A dialog that returns an empty name has chosen nothing.
std::optional<std::string> Chosen(std::optional<std::string> name) {
  if (name && name->empty()) return std::nullopt;
  return name;
}

}  // namespace

bool AskToSavePatch(const std::string& patch_file) {
  return Dialogs().AskYesNo("Do you want to save patch " + FileNameOnly(patch_file) + "?");
}

std::optional<std::string> ChoosePatchFileToSave(const std::string& proposed) {
  FileDialogOptions options = PatchFileDialog("Save Patch", proposed);
  options.overwrite_prompt = true;
  return Chosen(Dialogs().SaveFile(options));
}

std::optional<std::string> ChoosePatchFileToLoad(const std::string& proposed) {
  FileDialogOptions options = PatchFileDialog("Load Patch", proposed);
  options.must_exist = true;
  return Chosen(Dialogs().OpenFile(options));
}

}  // namespace brelix
