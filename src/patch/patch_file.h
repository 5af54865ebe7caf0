// Patch files (*.tw): an INI text of the patch's stored values, one section per module lane and
// matrix slot. Loading brings the whole patch record in step (derived values, samples, rates,
// DC filters, delay); saving writes the stored values and keeps whatever else the file held.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/patch.h"

namespace brelix {

class TIniFile;
class TPatchFile;

// Replaces the patch with the file's content: the defaults, every key the file holds, then
// PatchPrepare, the lanes' samples, PatchSampleRate, PatchDCFilters and a new delay. A missing
// file gives the default patch, with the sustain pedal switch off as in every file that lacks
// its key (PatchFileDefaults). A file that exists but cannot be read as a patch file (not a
// regular file, unreadable, too large, not text) is reported in a message box and leaves the
// patch as it was; the result is false then. Runs inside the update bracket or before rendering;
// the caller re-initialises the voices.
bool PatchLoad(XPatch& p, const std::string& fileName);

// The same from the text of a patch file (a project's copy of the patch); relative sample names
// are looked for beside `fileName`, the file the text was saved from. False, with the patch as
// it was, when the text cannot be a patch file's (it holds zero bytes); nothing is shown.
bool PatchLoadText(XPatch& p, std::string_view text, const std::string& fileName = {});

// The reader alone: the defaults, then every key the text holds, and PatchPrepare; no samples,
// rates, DC filters or delay. False, with the patch as it was, when the text cannot be a patch
// file's. For checking a text quickly (the full load is PatchLoadText).
bool PatchReadText(XPatch& p, std::string_view text);

// PatchLoad, only when `fileName` names a regular file that can be read and reads as a patch;
// false, with the patch as it was and nothing shown, otherwise. The file is read once.
bool PatchLoadIfPatchFile(XPatch& p, const std::string& fileName);

// True when `fileName` names a regular file that can be read and reads as a patch.
bool IsPatchFile(const std::string& fileName);

// The text of a new patch file holding the patch's stored values (the bytes PatchSave would
// write into an empty file).
std::string PatchText(const XPatch& p);

// Writes the patch's stored values into `file` (a patch file as read), keeping every other
// section and key it holds; false, with the file untouched, when its [Test] "DoNotSave" is a
// non-zero integer. `sample_name`, when given, says how each lane's sample name is written (a
// patch saved in another place names its samples from there).
using SampleNameWriter = std::function<std::string(const std::string& name)>;
bool PatchWriteInto(const XPatch& p, TPatchFile& file, const SampleNameWriter& sample_name = {});

// Writes the patch's stored values into the file, keeping every other section and key the file
// already holds. Nothing is written when the file's [Test] "DoNotSave" is a non-zero integer.
// Throws FileError, whose text is the whole message for the user, when the existing file cannot
// be read or the new one cannot be written; the file on disk is then as it was.
void PatchSave(const XPatch& p, const std::string& fileName);

// The message for a patch that could not be saved into `fileName`, for `reason`.
std::string PatchSaveFailure(const std::string& fileName, const std::string& reason);

// PatchSave, with a failure shown in the message box; true when the patch was saved (or the file
// asked not to be written).
bool PatchSaveOrReport(const XPatch& p, const std::string& fileName);

// True when the file holds at least one section that a patch file is made of: enough to load it.
bool ReadsAsPatch(const TIniFile& file);

// True when the file's whole text is a patch's: every line empty, a comment, a section heading or
// a key with "=", and at least one key that the patch format defines, in a section that defines
// it. Only such a file is written without the user choosing it.
bool ReadsWhollyAsPatch(const TIniFile& file);

// How the reader takes a key's text: a float, an integer (decimal, or hexadecimal after "$" or
// "0x"), a lane mask (an integer, any value but 0 meaning on), a matrix source or destination
// index (an integer, with the old encodings mapped), or the text itself.
enum class PatchKeyKind { Float, Integer, Mask, Source, Destination, Text };

// One key of a patch file as PatchLoad reads it.
struct PatchFileKey {
  std::string Section;
  std::string Key;
  PatchKeyKind Kind;
  std::string Default;  // the value the key stands for when the file lacks it, as file text
  bool Written;         // false for the keys that PatchSave never writes
};

// Every key a patch file can hold, in the order PatchSave writes them: [Engine] first, [Test]
// last.
std::vector<PatchFileKey> PatchFileKeys();

}  // namespace brelix
