// The patch page (docs/patches.md): every shipped patch by family, with the description from its
// leading comment and its spectrogram. brelix-patch-doc writes it together with the pictures; a
// test compares the page in docs/ with what the patches' comments make now.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "patch/ini_file.h"

namespace brelix {

struct PatchDescription {
  std::string Name;  // "Round Bass"
  std::string Text;  // whole sentences, the first word capitalised
};

// The patch's leading comment "; Name: what it is ...", over as many lines as it runs, up to the
// line that says what the controls do ("; Mod wheel ...") or the "; measured:" line or a blank
// comment line, joined into one paragraph. Without a "Name: " the name is `fallbackName` (the
// file's stem); without a comment the text is empty.
PatchDescription DescribedPatch(const TIniFile& patch, const std::string& fallbackName);

struct PatchFamily {
  std::string Folder;  // relative to the patch folder: "plucks-and-mallets", "." for its top
  std::string Title;   // "Plucks and mallets", "Other" for the top
  std::vector<std::filesystem::path> Files;  // the *.tw files, sorted
};

// Every patch file under `patches`, by family folder, the families in name order.
std::vector<PatchFamily> PatchFamilies(const std::filesystem::path& patches);

// Where a patch's spectrogram lies, relative to the docs folder: patches/<family>/<stem>.png.
std::filesystem::path PicturePath(const PatchFamily& family, const std::filesystem::path& patch);

// The page as Markdown; its pictures are named by PicturePath.
std::string PatchPageMarkdown(const std::filesystem::path& patches);

}  // namespace brelix
