#include "patch/patch_save_as.h"

#include <cstring>
#include <exception>
#include <vector>

#include "base/messages.h"
#include "patch/patch_file.h"
#include "patch/patch_ini_file.h"
#include "patch/sample_name.h"

namespace brelix {

namespace {

// The comment lines at the head of the patch file, none when it is no readable patch file.
std::vector<std::string> PatchHeader(const std::string& patch_file) {
  try {
    const TIniFile file(patch_file);
    if (ReadsAsPatch(file)) return file.LeadingComments();
  } catch (const std::exception&) {  // unreadable: the new file keeps its own
  }
  return {};
}

}  // namespace

bool PatchSaveAsOrReport(XPatch& p, const std::string& from_file, const std::string& to_file) {
  const auto moved = [&](const std::string& name) { return MovedSampleName(name, from_file, to_file); };
  try {
    // The file as it is, so that the keys and sections this writer does not produce are kept.
    TPatchFile file(to_file);
    if (!PatchWriteInto(p, file, moved)) return true;
    if (from_file != to_file) {
      if (const std::vector<std::string> header = PatchHeader(from_file); !header.empty()) file.SetLeadingComments(header);
    }
    file.UpdateFile();
  } catch (const std::exception& error) {  // a failed write, or no memory for the text
    ShowLibraryMessage(PatchSaveFailure(to_file, error.what()));
    return false;
  }
  for (char(&name)[kSampleFileNameSize] : p.SampleOscFile) {
    const std::string now = moved(std::string(name, strnlen(name, kSampleFileNameSize)));
    std::memcpy(name, now.c_str(), now.size() + 1);
  }
  return true;
}

}  // namespace brelix
