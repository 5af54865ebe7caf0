#include "library_patches.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "base/printable_text.h"
#include "patch/file_io.h"
#include "patch/patch_library.h"

namespace brelix {

namespace {

std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.parent_path().string();
}

}  // namespace

std::optional<std::string> ProgramPatchLibrary() { return FindPatchLibrary(ProgramFolder()); }

std::string PatchFileOfArgument(const std::string& given) {
  if (given.empty() || FileExists(given)) return given;
  const std::optional<std::string> library = ProgramPatchLibrary();
  if (!library) return given;
  return FindLibraryPatch(*library, given).value_or(given);
}

void ListLibraryPatches(std::FILE* out) {
  const std::optional<std::string> library = ProgramPatchLibrary();
  if (!library) {
    std::string message = "no patch library found; looked in:";
    for (const std::string& candidate : PatchLibraryCandidates(ProgramFolder()))
      message += "\n  " + PrintableText(candidate);
    throw std::runtime_error(message + "\nname it with $" + kLibraryVariable);
  }
  std::fprintf(out, "%s\n", PrintableText(*library).c_str());
  std::string family;
  for (const LibraryPatch& patch : LibraryPatches(*library)) {
    if (patch.Family != family) {
      family = patch.Family;
      std::fprintf(out, "%s/\n", PrintableText(family).c_str());
    }
    std::fprintf(out, "  %s\n", PrintableText(patch.Name).c_str());
  }
}

}  // namespace brelix
