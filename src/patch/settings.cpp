#include "patch/settings.h"
#include "base/printable_text.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/rates.h"
#include "patch/ini_file.h"
#include "patch/number_text.h"
#include "base/messages.h"
#include "base/printable_text.h"
#include "base/user_folders.h"
#include "plugin/plugin_module.h"

namespace brelix {

namespace {

constexpr uint32_t kColorBits = 0x00FFFFFF;

std::mutex shared_mutex;
TSharedSettings shared_settings;

// The files read, in order: a key in a later file wins over the same key in an earlier one.
using SettingsFiles = std::vector<TIniFile>;

// Typed reads of one section; each keeps the default unless the key holds a valid value.
class SettingsSection {
 public:
  SettingsSection(const SettingsFiles& files, const char* section) : files_(files), section_(section) {}

  bool Holds(const char* key) const { return Value(key).has_value(); }
  std::optional<int32_t> Integer(const char* key) const {
    const std::optional<std::string> text = Value(key);
    return text ? TextToInteger(*text) : std::nullopt;
  }
  void Read(const char* key, bool& value) const {
    if (const auto number = Integer(key)) value = *number != 0;
  }
  void Read(const char* key, int32_t& value) const { value = Integer(key).value_or(value); }
  void Read(const char* key, float& value) const {
    const std::optional<std::string> text = Value(key);
    if (const auto number = text ? TextToFloat(*text) : std::nullopt) value = *number;
  }
  void ReadColor(const char* key, uint32_t& value) const {
    if (const auto number = Integer(key)) value = static_cast<uint32_t>(*number) & kColorBits;
  }

 private:
  // The key's text in the last file that holds it.
  std::optional<std::string> Value(const char* key) const {
    for (auto file = files_.rbegin(); file != files_.rend(); ++file)
      if (std::optional<std::string> text = file->ReadValue(section_, key)) return text;
    return std::nullopt;
  }

  const SettingsFiles& files_;
  const char* section_;
};

void ReadEngine(const SettingsFiles& file, TSettings& s) {
  const SettingsSection engine(file, "Engine");
  engine.Read("RealSampleBase", s.RealSampleBase);
  s.RealSampleBase = std::max(s.RealSampleBase, kLowestReferenceRate);
  s.OversampleBase = s.RealSampleBase;
  engine.Read("OversampleBase", s.OversampleBase);
  s.OversampleBase = std::max(s.OversampleBase, kLowestReferenceRate);
  engine.Read("CPUOverload", s.Shared.CPUOverload);
}

void ReadEditor(const SettingsFiles& file, TSettings& s) {
  const SettingsSection editor(file, "Editor");
  TSharedSettings& shared = s.Shared;
  editor.Read("Automation", s.Instance.Automation);
  editor.Read("EditAutomation", s.Instance.EditAutomation);
  editor.Read("BottomButtons", shared.BottomButtons);
  editor.Read("ComboSort", shared.ComboSort);
  editor.Read("ExternalControl", s.Instance.ExternalControl);
  editor.Read("KnobSensitivity", shared.KnobSensitivity);
  shared.KnobSensitivity = std::max(shared.KnobSensitivity, 0);
  editor.Read("ScrollSensitivity", shared.ScrollSensitivity);
  shared.ScrollSensitivity = std::max(shared.ScrollSensitivity, 0);
  editor.Read("LegacyParams", shared.LegacyParams);
  editor.Read("LegacyTab", shared.LegacyTab);
  editor.Read("Microscope", shared.Microscope);
  editor.Read("Randomizer", shared.Randomizer);
  editor.Read("Shortcuts", shared.Shortcuts);
  editor.Read("TouchScreen", shared.TouchScreen);
  // Any value that is not a level the editor offers gives its exact pixels, not an odd or
  // vanishing size.
  if (editor.Holds("Zoom")) {
    const std::optional<int32_t> zoom = editor.Integer("Zoom");
    shared.Zoom = zoom && IsEditorZoom(*zoom) ? *zoom : TSharedSettings{}.Zoom;
  }
  TEditorColors& c = shared.Colors;
  editor.ReadColor("EditColor", c.EditColor);
  editor.ReadColor("FontColor", c.FontColor);
  editor.ReadColor("FrameColor", c.FrameColor);
  editor.ReadColor("KnobColor", c.KnobColor);
  editor.ReadColor("OverflowColor", c.OverflowColor);
  editor.ReadColor("SliderColor", c.SliderColor);
  editor.ReadColor("SectionColor", c.SectionColor);
  editor.ReadColor("HiddenColor", c.HiddenColor);
  editor.ReadColor("ValueColor", c.ValueColor);
  editor.ReadColor("WindowColor", c.WindowColor);
}

}  // namespace

bool IsEditorZoom(int32_t percent) {
  return percent == 100 || percent == 125 || percent == 150 || percent == 200;
}

std::vector<std::string> SettingsFileNames(const std::string& plugin_directory) {
  std::vector<std::string> names{plugin_directory + kSettingsFileName};
  if (const std::optional<std::string> config = UserConfigFolder())
    names.push_back(*config + "/" + kUserSettingsFolder + "/" + kSettingsFileName);
  return names;
}

TSettings SettingsRead(const std::vector<std::string>& fileNames, const TSettings& defaults) {
  TSettings s = defaults;
  SettingsFiles files;
  for (const std::string& fileName : fileNames) {
    try {
      files.emplace_back(fileName);
    } catch (const FileError& error) {
      // This file's keys keep the values the others give.
      ShowMessageBox(PrintableText(ModuleFileName) + "\r\r" + "Cannot read settings file:\r\r" + PrintableText(fileName) + "\r\r" +
                     error.what() + "\r\rThe default settings are used.");
    }
  }
  // Without a readable file every value is its default, the rates still kept in range.
  ReadEngine(files, s);
  ReadEditor(files, s);
  return s;
}

TSettings SettingsRead(const std::string& fileName, const TSettings& defaults) {
  return SettingsRead(std::vector<std::string>{fileName}, defaults);
}

TSharedSettings SharedSettings() {
  std::lock_guard lock(shared_mutex);
  return shared_settings;
}

TSettings CurrentSettings() {
  TSettings s;
  s.RealSampleBase = RealSampleBase;
  s.OversampleBase = OversampleBase;
  s.Shared = SharedSettings();
  return s;
}

TSettings SettingsLoad(const std::vector<std::string>& fileNames) {
  const TSettings s = SettingsRead(fileNames, CurrentSettings());
  RealSampleBase = s.RealSampleBase;
  OversampleBase = s.OversampleBase;
  std::lock_guard lock(shared_mutex);
  shared_settings = s.Shared;
  return s;
}

}  // namespace brelix
