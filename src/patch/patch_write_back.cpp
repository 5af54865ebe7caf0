#include "patch/patch_write_back.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "base/printable_text.h"
#include "patch/file_io.h"
#include "patch/file_names.h"
#include "patch/ini_file.h"
#include "patch/patch_file.h"
#include "patch/patch_ini_file.h"
#include "patch/pinned_file.h"

namespace brelix {

namespace {

constexpr std::string_view kPatchExtension = ".tw";
constexpr const char* kNotAPatchFile = "it is not a patch file";

std::optional<std::string> ResolvedName(const std::string& name) {
  char resolved[PATH_MAX];
  if (::realpath(name.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

bool EndsInPatchExtension(const std::string& name) {
  return name.size() > kPatchExtension.size() &&
         SameName(std::string_view(name).substr(name.size() - kPatchExtension.size()), kPatchExtension);
}

// "/a/./b.tw" and "/a/x/../b.tw" do not say where the file lands.
bool HasDotSteps(const std::string& name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view step = std::string_view(name).substr(start, end - start);
    if (step == "." || step == "..") return true;
    start = end + 1;
  }
  return false;
}

// Where the name leads, resolved once: the folder (without links) and the entry in it.
struct Place {
  std::string folder;
  std::string name;
  bool existing;
};

std::optional<Place> PlaceOf(const std::string& patch_file) {
  if (const std::optional<std::string> resolved = ResolvedName(patch_file))
    return Place{FolderOf(*resolved), FileNameOnly(*resolved), true};
  if (errno != ENOENT) return std::nullopt;
  if (patch_file.front() != '/' || HasDotSteps(patch_file)) return std::nullopt;
  // A link of that name that points nowhere would create its target, wherever that is.
  struct stat link{};
  if (::lstat(patch_file.c_str(), &link) == 0 || errno != ENOENT) return std::nullopt;
  const std::optional<std::string> folder = ResolvedName(FolderOf(patch_file));
  if (!folder) return std::nullopt;
  return Place{*folder, FileNameOnly(patch_file), false};
}

WriteBackResult Refuse(const std::string& patch_file, std::string_view reason) {
  std::fprintf(stderr, "Brelix: the changed patch was not saved into \"%s\": %.*s\n", PrintableText(patch_file).c_str(),
               static_cast<int>(reason.size()), reason.data());
  return WriteBackResult::Refused;
}

// Why the pinned file is not one to write the patch into, or none; `text` gets its content.
std::optional<std::string> RefusalOfExisting(const TPinnedFile& file, const std::vector<std::string>& settings_files,
                                             TPatchFile& text) {
  if (file.Kind() != TPinnedFile::Entry::RegularFile) return kNotAPatchFile;
  for (const std::string& settings_file : settings_files) {
    struct stat settings{};
    if (::stat(settings_file.c_str(), &settings) == 0 && file.IsSameFile(settings)) return kNotAPatchFile;
  }
  if (IsWriteProtected(file.Info().st_mode)) return "it is write-protected";
  try {
    text.LoadFromBytes(file.Read(TIniFile::kMaxFileBytes));
  } catch (const FileError&) {  // unreadable, too large, not text
    return kNotAPatchFile;
  }
  if (!ReadsWhollyAsPatch(text)) return kNotAPatchFile;
  return std::nullopt;
}

}  // namespace

WriteBackResult PatchWriteBack(const XPatch& p, const std::string& patch_file,
                               const std::vector<std::string>& settings_files) {
  if (patch_file.empty() || !EndsInPatchExtension(patch_file)) return Refuse(patch_file, kNotAPatchFile);
  const std::optional<Place> place = PlaceOf(patch_file);
  if (!place || !EndsInPatchExtension(place->name)) return Refuse(patch_file, kNotAPatchFile);

  std::optional<TPinnedFile> file;
  try {
    file.emplace(place->folder, place->name);
  } catch (const FileError& error) {  // the folder is not where the name led a moment ago
    return Refuse(patch_file, error.what());
  }
  TPatchFile text;
  if (place->existing) {
    if (const std::optional<std::string> refusal = RefusalOfExisting(*file, settings_files, text))
      return Refuse(patch_file, *refusal);
  } else if (file->Kind() != TPinnedFile::Entry::None) {
    return Refuse(patch_file, kNotAPatchFile);  // something took the name since
  }
  try {
    if (!file->Writable()) throw FileError(FileErrorReason(EACCES));
    if (PatchWriteInto(p, text)) file->Replace(text.SaveToBytes());
  } catch (const std::exception& error) {  // a failed write, or no memory for the text
    ShowLibraryMessage(PatchSaveFailure(file->FullName(), error.what()));
    return WriteBackResult::Failed;
  }
  return WriteBackResult::Saved;
}

}  // namespace brelix
