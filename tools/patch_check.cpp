#include "patch_check.h"

#include "base/printable_text.h"
#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "engine/filter.h"
#include "patch/file_io.h"
#include "patch/ini_file.h"
#include "patch/number_text.h"
#include "patch/patch_file.h"
#include "patch/patch_ini_file.h"
#include "engine/sample_memory.h"
#include "patch/sample_name.h"
#include "patch/wav_reader.h"
#include "patch_codes.h"
#include "patch_reference.h"

namespace brelix {

namespace {

constexpr int kLanes = 4;
constexpr int kLastEnvStage = 5;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The keys of a patch file by section and key name, without regard to letter case.
class KeyTable {
 public:
  KeyTable(const KeyTable&) = delete;
  KeyTable& operator=(const KeyTable&) = delete;
  KeyTable() {
    for (PatchFileKey& key : keys_) {
      sections_.insert(Lower(key.Section));
      byName_[Lower(key.Section) + "\n" + Lower(key.Key)] = &key;
    }
  }
  bool HasSection(std::string_view section) const { return sections_.contains(Lower(section)); }
  const PatchFileKey* Find(std::string_view section, std::string_view key) const {
    const auto found = byName_.find(Lower(section) + "\n" + Lower(key));
    return found == byName_.end() ? nullptr : found->second;
  }

 private:
  std::vector<PatchFileKey> keys_ = PatchFileKeys();
  std::set<std::string> sections_;
  std::map<std::string, const PatchFileKey*> byName_;
};

class Checker {
 public:
  Checker(TPatchFile& file, const KeyTable& keys, PatchCheck& check, bool samples)
      : file_(file), keys_(keys), check_(check), samples_(samples) {}

  void Run() {
    for (const TIniFile::TextLine& line : file_.UnreadLines()) {
      Warn(line.line, "'" + line.text + "' is neither a section, a key=value line nor a comment; the plug-in ignores it");
    }
    for (const std::string& section : file_.SectionNames()) {
      if (!keys_.HasSection(section))
        Warn(file_.SectionLine(section), "unknown section [" + section + "]; the plug-in ignores it");
    }
    std::map<std::string, int> firstLine;
    for (const TIniFile::KeyLine& line : file_.KeyLines()) {
      if (!keys_.HasSection(line.section)) continue;
      const PatchFileKey* key = keys_.Find(line.section, line.key);
      const std::string where = "[" + line.section + "] " + line.key;
      if (key == nullptr) {
        Warn(line.line, "unknown key " + where + "; the plug-in ignores it");
        continue;
      }
      const auto [first, isFirst] = firstLine.emplace(Lower(line.section) + "\n" + Lower(line.key), line.line);
      if (!isFirst) {
        Warn(line.line, where + " again; the plug-in takes the one on line " + std::to_string(first->second));
        continue;
      }
      CheckValue(*key, line);
    }
    for (int lane = 1; lane <= kLanes; ++lane) CheckFilterType(lane);
  }

 private:
  void Warn(int line, std::string text) {
    check_.Problems.push_back({PatchProblem::Severity::Warning, line, std::move(text)});
  }

  void CheckValue(const PatchFileKey& key, const TIniFile::KeyLine& line) {
    const std::string setting = "[" + line.section + "] " + line.key + "=" + line.value;
    if (key.Kind == PatchKeyKind::Text) {
      if (samples_ && key.Key == "SampleOscFile" && !line.value.empty()) CheckSample(line);
      return;
    }
    if (line.value.empty()) {
      Warn(line.line, "[" + line.section + "] " + line.key + " has no value; the plug-in reads it as 0");
      return;
    }
    if (key.Kind == PatchKeyKind::Float) {
      const std::optional<float> value = TextToFloat(line.value);
      if (!value) Warn(line.line, setting + " is not a number; the plug-in reads it as 0");
      else CheckRange(key, line, setting, *value);
      return;
    }
    const std::optional<int32_t> code = TextToInteger(line.value);
    if (!code) {
      Warn(line.line, setting + " is not a whole number; the plug-in reads it as 0");
      return;
    }
    if (key.Kind == PatchKeyKind::Integer) CheckRange(key, line, setting, *code);
    if (key.Kind == PatchKeyKind::Source && ModSourceName(*code).empty())
      Warn(line.line, setting + " names no modulation source; the slot reads 0");
    if (key.Kind == PatchKeyKind::Destination && ModDestName(*code).empty())
      Warn(line.line, setting + " names no modulation destination; the slot changes nothing");
    CheckListCode(key, line, setting, *code);
  }

  // A value beyond the range of the patch reference: the plug-in plays it, but nobody could have
  // set it in the editor, so it is most likely a slip of the hand.
  void CheckRange(const PatchFileKey& key, const TIniFile::KeyLine& line, const std::string& setting, double value) {
    const std::optional<KeyRange> range = ReferenceRange(key.Key);
    if (!range || (value >= range->Lowest && value <= range->Highest)) return;
    Warn(line.line, setting + " lies outside " + FloatToText(static_cast<float>(range->Lowest)) + " .. " +
                        FloatToText(static_cast<float>(range->Highest)) + ", the range docs/patch-reference.md gives");
  }

  // Codes beyond their list: the plug-in plays the first shape and the linear curve instead, and
  // keeps envelope steps inside the six stages.
  void CheckListCode(const PatchFileKey& key, const TIniFile::KeyLine& line, const std::string& setting, int32_t code) {
    const auto beyond = [&](const CodeList& list) {
      return key.Key.starts_with(list.Key) && (code < 0 || code >= static_cast<int32_t>(list.Names.size()));
    };
    if (beyond(LfoShapes())) Warn(line.line, setting + " names no LFO shape; the plug-in plays " + LfoShapes().Names[0]);
    if (beyond(EnvelopeCurves()))
      Warn(line.line, setting + " names no envelope curve; the plug-in uses " + EnvelopeCurves().Names[0]);
    if (key.Key.starts_with(EnvelopeStages().Key)) {
      const int stage = key.Key.back() - '0';
      const int64_t target = int64_t{stage} + code;
      if (target < 0 || target > kLastEnvStage) {
        const int64_t used = std::clamp<int64_t>(target, 0, kLastEnvStage);
        Warn(line.line, setting + " leads from stage " + std::to_string(stage) + " to stage " + std::to_string(target) +
                            ", which does not exist; the plug-in goes to " + EnvelopeStages().Names[used]);
      }
    }
  }

  void CheckSample(const TIniFile::KeyLine& line) {
    const std::string opened = SampleFileToOpen(line.value, file_.FileName());
    std::error_code error;
    if (!std::filesystem::exists(opened, error)) {
      Warn(line.line, "[" + line.section + "] the sample file '" + line.value + "' is not found (looked for at '" +
                          SampleFileMeant(line.value, file_.FileName()) + "'); the lane stays silent");
      return;
    }
    WavLaneData data = ReadWavLane(opened, false);
    if (data.memory != nullptr) {
      SampleMemoryRelease(data.memory);
      return;
    }
    Warn(line.line, "[" + line.section + "] the sample file '" + line.value +
                        "' cannot be loaded (a WAV file with a plain 44-byte header is needed); the lane stays silent");
  }

  // The filter's response is the weighted sum of its five taps; FilterType only names a set of
  // weights for the editor. A file that changes one without the other sounds otherwise than it
  // reads.
  void CheckFilterType(int lane) {
    TPatchFile& file = file_;
    file.Section = "Filter." + std::to_string(lane);
    const char* const poleKeys[] = {"FilterPole0", "FilterPole1", "FilterPole2", "FilterPole3", "FilterPole4"};
    uint32_t type = 0;
    bool typeGiven = file.ReadInteger("FilterType", -1, type);
    std::array<float, 5> expected{};
    FilterTypeWeights(type, expected[0], expected[1], expected[2], expected[3], expected[4]);
    std::array<float, 5> poles = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f};  // the default patch's LowPass4
    bool polesGiven = false;
    for (int i = 0; i < 5; ++i) polesGiven |= file.ReadFloat(poleKeys[i], -1, poles[static_cast<size_t>(i)]);
    if ((!typeGiven && !polesGiven) || poles == expected) return;
    const auto list = [](const std::array<float, 5>& weights) {
      std::string text;
      for (float w : weights) text += (text.empty() ? "" : ", ") + FloatToText(w);
      return text;
    };
    const std::string name = type < FilterTypes().Names.size() ? FilterTypes().Names[type] : FilterTypes().Names.back();
    const int line = FirstLine(file.Section, "FilterType");
    Warn(line, "[" + file.Section + "] FilterType=" + std::to_string(static_cast<int32_t>(type)) + " (" + name +
                   ") but the weights FilterPole0..4 are " + list(poles) +
                   "; the weights decide the sound (" + name + " is " + list(expected) + ")");
  }

  int FirstLine(const std::string& section, std::string_view key) const {
    for (const TIniFile::KeyLine& line : file_.KeyLines())
      if (SameName(line.section, section) && SameName(line.key, key)) return line.line;
    return file_.SectionLine(section);
  }

  TPatchFile& file_;
  const KeyTable& keys_;
  PatchCheck& check_;
  bool samples_;
};

}  // namespace

bool PatchCheck::IsPatch() const {
  return std::none_of(Problems.begin(), Problems.end(),
                      [](const PatchProblem& p) { return p.Level == PatchProblem::Severity::Error; });
}

int PatchCheck::Warnings() const {
  return static_cast<int>(std::count_if(Problems.begin(), Problems.end(), [](const PatchProblem& p) {
    return p.Level == PatchProblem::Severity::Warning;
  }));
}

PatchCheck CheckPatchFile(const std::string& path, bool samples) {
  PatchCheck check;
  const auto fail = [&](std::string text) {
    check.Problems.push_back({PatchProblem::Severity::Error, 0, std::move(text)});
    return check;
  };
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return fail("no such file");
  std::optional<TPatchFile> file;
  try {
    file.emplace(path);
  } catch (const FileError& reason) {
    return fail(std::string("cannot be read as a patch file: ") + reason.what());
  }
  const KeyTable keys;
  const std::vector<std::string> sections = file->SectionNames();
  if (std::none_of(sections.begin(), sections.end(), [&](const std::string& s) { return keys.HasSection(s); })) {
    const bool empty = std::filesystem::file_size(path, error) == 0 && !error;
    return fail(empty ? "not a patch file: it is empty"
                      : "not a patch file: it holds none of the sections of a patch ([Engine], [AuxOsc.1], ... [Delay])");
  }
  Checker(*file, keys, check, samples).Run();
  std::stable_sort(check.Problems.begin(), check.Problems.end(),
                   [](const PatchProblem& a, const PatchProblem& b) { return a.Line < b.Line; });
  return check;
}

std::string DescribeProblem(const std::string& path, const PatchProblem& problem) {
  const char* level = problem.Level == PatchProblem::Severity::Error ? "error" : "warning";
  const std::string where = problem.Line > 0 ? path + ":" + std::to_string(problem.Line) : path;
  // The name and the text quote the file's own bytes: escaped as a whole.
  return PrintableText(where + ": " + level + ": " + problem.Text);
}

}  // namespace brelix
