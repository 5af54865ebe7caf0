// The settings files: Brelix.Ini next to the plug-in library (the installation's), then the
// user's own $XDG_CONFIG_HOME/brelix/Brelix.Ini (~/.config/brelix/), whose keys win one by one:
// the engine's two reference rates and the editor's preferences. Read (never written) each time
// an instance is built, before its AudioEffect part, since the Automation switch decides the
// number of host parameters. The user's file is how a user without root switches a setting on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelix {

constexpr const char* kSettingsFileName = "Brelix.Ini";
constexpr const char* kUserSettingsFolder = "brelix";  // in the user's configuration folder
constexpr float kLowestReferenceRate = 44100.0f;

// Editor colours are 0x00BBGGRR (red in the low byte); only the low 24 bits are kept.
struct TEditorColors {
  uint32_t EditColor = 0x22D6F6;
  uint32_t FontColor = 0x12EA40;
  uint32_t FrameColor = 0x909090;
  uint32_t KnobColor = 0xC02080;
  uint32_t OverflowColor = 0x0000FF;
  uint32_t SliderColor = 0xFF4040;
  uint32_t SectionColor = 0x12EA40;
  uint32_t HiddenColor = 0x22D6F6;  // read and kept; nothing draws with it
  uint32_t ValueColor = 0x22D6F6;
  uint32_t WindowColor = 0x202020;
};

// The settings shared by every instance in the process (the last instance built wins; as all of
// them read the same file, they agree). The reference rates live in engine/rates.h.
struct TSharedSettings {
  bool CPUOverload = true;  // read and kept; nothing consults it
  bool BottomButtons = false;
  bool ComboSort = false;
  int32_t KnobSensitivity = 500;  // milliseconds, not below 0
  int32_t ScrollSensitivity = 10;  // milliseconds, not below 0
  bool LegacyParams = false;
  bool LegacyTab = false;
  float Microscope = 0.01f;
  bool Randomizer = false;
  bool Shortcuts = false;
  bool TouchScreen = false;
  // The editor's size in percent, for screens of high resolution: 100 (the exact pixels), 125,
  // 150 or 200. Any other value gives 100; without the key the one in force stays.
  int32_t Zoom = 100;
  TEditorColors Colors;
};

// The zoom levels the editor offers.
bool IsEditorZoom(int32_t percent);

// The settings one instance keeps for itself.
struct TInstanceSettings {
  bool Automation = false;  // 443 host parameters instead of 1
  bool EditAutomation = false;
  bool ExternalControl = false;  // read and kept; the editor clears it
};

struct TSettings {
  float RealSampleBase = kLowestReferenceRate;
  float OversampleBase = kLowestReferenceRate;
  TSharedSettings Shared;
  TInstanceSettings Instance;
};

// The files an instance reads, in order: the one in `plugin_directory` (ending in "/"), then the
// user's (none without a home folder).
std::vector<std::string> SettingsFileNames(const std::string& plugin_directory);

// Reads the files over `defaults`, each key from the last file that holds it: a missing file or
// key, or a value that does not parse, keeps the default; both rates are kept at 44100 or above,
// OversampleBase defaulting to the RealSampleBase read. A file that exists but cannot be read
// (not a regular file, too large, not text) is reported in a message box and adds no keys.
TSettings SettingsRead(const std::vector<std::string>& fileNames, const TSettings& defaults);
TSettings SettingsRead(const std::string& fileName, const TSettings& defaults);

// The process-wide values now in force (the defaults of the next read).
TSettings CurrentSettings();
TSharedSettings SharedSettings();

// The first step of an instance's construction: reads the file over the current values, makes the
// process-wide ones current, and returns all of them for the instance.
TSettings SettingsLoad(const std::vector<std::string>& fileNames);

}  // namespace brelix
