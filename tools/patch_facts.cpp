#include "patch_facts.h"

#include <optional>

#include "modulation/mod_sources.h"
#include "patch/file_io.h"
#include "patch/patch_defaults.h"
#include "patch/patch_ini_file.h"

namespace brelix {

namespace {

constexpr int kMatrixSlots = 16;

std::optional<TPatchFile> Open(const std::string& path) {
  if (path.empty() || !FileExists(path)) return std::nullopt;
  try {
    return std::optional<TPatchFile>(std::in_place, path);
  } catch (const FileError&) {
    return std::nullopt;  // the plug-in keeps its default patch
  }
}

// Controller c is source -1 - c.
uint32_t ControllerSource(int controller) { return static_cast<uint32_t>(-1 - controller); }

}  // namespace

int PreviewNote(const std::string& patchPath) {
  std::optional<TPatchFile> file = Open(patchPath);
  int32_t note = -1;
  if (!file) return note;
  file->Section = "Voice";
  file->ReadInteger("PlayNote", -1, note);
  return note < 0 ? -1 : note;
}

bool ReadsController(const std::string& patchPath, int controller) {
  std::optional<TPatchFile> file = Open(patchPath);
  if (!file) return false;
  const uint32_t wanted = ControllerSource(controller);
  const struct {
    const char *section, *source, *destination, *amount;
  } matrices[] = {{"ModMatrix.", "ModSource", "ModDest", "ModAmount"},
                  {"MidiModMatrix.", "MidiModSource", "MidiModDest", "MidiModAmount"}};
  for (const auto& matrix : matrices) {
    for (int slot = 1; slot <= kMatrixSlots; ++slot) {
      file->Section = matrix.section + std::to_string(slot);
      uint32_t source = kModSourceNone, destination = kModDestNone;
      file->ReadSource(matrix.source, -1, source);
      file->ReadDestination(matrix.destination, -1, destination);
      float amount = 0.0f;
      file->ReadFloat(matrix.amount, -1, amount);
      // Destinations outside 1..78 add to nothing.
      const bool reaches = destination > kModDestNone && destination < kModDestVoidOld && amount != 0.0f;
      if (source == wanted && reaches) return true;
    }
  }
  file->Section = "Voice";
  uint32_t level = kModSourceEnv4;
  file->ReadSource("VolumeModSource", -1, level);
  return level == wanted;
}

bool PedalHoldsNotes(std::string_view patchText) {
  TPatchFile file;
  try {
    file.LoadFromBytes(patchText);
  } catch (const FileError&) {
    return false;  // the plug-in keeps the patch it had
  }
  file.Section = "Voice";
  uint32_t pedal = kSustainPedalOff;  // a file without the key
  file.ReadInteger("SustainPedal", -1, pedal);
  return pedal != kSustainPedalOff;
}

}  // namespace brelix
