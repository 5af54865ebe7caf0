#include "patch/patch_file.h"
#include "base/printable_text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "modulation/delay.h"
#include "patch/file_io.h"
#include "patch/number_text.h"
#include "patch/patch_defaults.h"
#include "patch/patch_derived.h"
#include "patch/patch_ini_file.h"
#include "patch/sample_file.h"
#include "base/messages.h"

namespace brelix {

namespace {

constexpr const char* kEngineSection = "Engine";
constexpr const char* kVersionKey = "Version";
constexpr const char* kWrittenVersion = "1.0.0";
constexpr const char* kVersionReadDefault = "0.0.0";  // the version is not used
constexpr const char* kTestSection = "Test";
constexpr const char* kDoNotSaveKey = "DoNotSave";
constexpr int kLanes = 4;
constexpr int kStoredEnvStages = 5;  // stage 5 ("Stop/End") has no keys: always the defaults
constexpr int32_t kEnvStepScale = 16;

// The sample of each lane named by its "SampleOscFile", once the keys are read (an empty name
// loads nothing; a relative one is looked for beside the patch file first).
void LoadPatchSamples(XPatch& p, const std::string& fileName) {
  for (int lane = 1; lane <= kLanes; ++lane) SampleLoad(p, lane, fileName);
}

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

// The two modulation matrices: the same keys and sections, prefixed "Midi" for the MIDI matrix,
// each bound to the matrix's own rows of fields.
struct MatrixKeys {
  const char* section;  // the prefix of the slot's section name
  const char* source;
  const char* destination;
  const char* amount;
  QWord (XPatch::*sources)[kMatrixRows];
  QWord (XPatch::*destinations)[kMatrixRows];
  QSingle (XPatch::*amounts)[kMatrixRows];
};
constexpr MatrixKeys kMatrixKeys[] = {
    {"ModMatrix.", "ModSource", "ModDest", "ModAmount", &XPatch::ModSource, &XPatch::ModDest, &XPatch::ModAmount},
    {"MidiModMatrix.", "MidiModSource", "MidiModDest", "MidiModAmount", &XPatch::MidiModSource, &XPatch::MidiModDest,
     &XPatch::MidiModAmount},
};

// The two delays share the section [Delay]: first every key of Delay #1, then the same keys
// prefixed "Aux" for Delay #2. Each row names one setting's key and field for either delay.
constexpr int kDelays = 2;
struct DelayKey {
  const char* names[kDelays];
  float XPatch::*fields[kDelays];
};
constexpr DelayKey kDelayKeys[] = {
    {{"DelayWet", "AuxDelayWet"}, {&XPatch::DelayWet, &XPatch::AuxDelayWet}},
    {{"DelayDry", "AuxDelayDry"}, {&XPatch::DelayDry, &XPatch::AuxDelayDry}},
    {{"DelayTimeL", "AuxDelayTimeL"}, {&XPatch::DelayTimeL, &XPatch::AuxDelayTimeL}},
    {{"DelayTimeR", "AuxDelayTimeR"}, {&XPatch::DelayTimeR, &XPatch::AuxDelayTimeR}},
    {{"DelayFeedbackL", "AuxDelayFeedbackL"}, {&XPatch::DelayFeedbackL, &XPatch::AuxDelayFeedbackL}},
    {{"DelayFeedbackR", "AuxDelayFeedbackR"}, {&XPatch::DelayFeedbackR, &XPatch::AuxDelayFeedbackR}},
    {{"DelayDamp", "AuxDelayDamp"}, {&XPatch::DelayDamp, &XPatch::AuxDelayDamp}},
    {{"DelayStereoWidth", "AuxDelayStereoWidth"}, {&XPatch::DelayStereoWidth, &XPatch::AuxDelayStereoWidth}},
    {{"DelayInput", "AuxDelayInput"}, {&XPatch::DelayInput, &XPatch::AuxDelayInput}},
    {{"DelayMix", "AuxDelayMix"}, {&XPatch::DelayMix, &XPatch::AuxDelayMix}},
    {{"DelayRouting", nullptr}, {&XPatch::DelayRouting, nullptr}},  // Delay #1 into Delay #2
};
// Clocking is one lane mask for both delays: lanes 1 and 2 for Delay #1, 3 and 4 for Delay #2.
constexpr const char* kDelayClockedKeys[kDelays] = {"DelayClocked", "AuxDelayClocked"};
constexpr int kDelayClockedLanes[kDelays] = {0, 2};

// Every key of a patch file bound to its field, section by section in the order the writer emits
// them; lane n (from 0) of a per-lane field lives in section n + 1. `Keys` reads the fields from
// the file or writes them into it; `Patch` is XPatch or const XPatch.
template <class Patch, class Keys>
void VisitPatchKeys(Patch& p, Keys& k) {
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("AuxOsc.", n + 1));
    k.Float("AuxOscSemitone", p.AuxOscSemitone.lanes()[n]);
    k.Float("AuxOscDetune", p.AuxOscDetune.lanes()[n]);
    k.Float("AuxOscFixedFreq", p.AuxOscFixedFreq.lanes()[n]);
    k.Float("AuxOscRange", p.AuxOscRange.lanes()[n]);
    k.Float("AuxOscCenter", p.AuxOscCenter.lanes()[n]);
    k.Float("AuxOscTracking", p.AuxOscTracking.lanes()[n]);
    k.Mask("AuxOscStartPhase", p.AuxOscStartPhase.lanes()[n]);
    k.Float("AuxOscPW", p.AuxOscPW.lanes()[n]);
    k.Float("AuxOscSync", p.AuxOscSync.lanes()[n]);
    k.Float("AuxOscLevel", p.AuxOscLevel.lanes()[n]);
    k.Float("AuxOscSawShape", p.AuxOscSawShape.lanes()[n]);
    k.Float("AuxOscSawSigma1", p.AuxOscSawSigma1.lanes()[n]);
    k.Float("AuxOscSawSigma2", p.AuxOscSawSigma2.lanes()[n]);
    k.Float("AuxOscMorph", p.AuxOscMorph.lanes()[n]);
    k.Float("AuxOscDCFilter", p.AuxOscDCFilter.lanes()[n]);
    k.Float("AuxOscMix", p.AuxOscMix.lanes()[n]);
  }
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("SampleOsc.", n + 1));
    k.FileName("SampleOscFile", p.SampleOscFile[n]);
    k.Mask("SampleOscLoop", p.SampleOscLoop.lanes()[n]);
    k.Float("SampleOscLevel", p.SampleOscLevel.lanes()[n]);
  }
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("Noise.", n + 1));
    k.Float("NoiseMix", p.NoiseMix.lanes()[n]);
  }
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("Filter.", n + 1));
    k.Integer("FilterType", p.FilterType.lanes()[n]);
    k.Float("FilterCutoff", p.FilterCutoff.lanes()[n]);
    k.Float("FilterVelocity", p.FilterVelocity.lanes()[n]);
    k.Float("FilterRange", p.FilterRange.lanes()[n]);
    k.Float("FilterCenter", p.FilterCenter.lanes()[n]);
    k.Float("FilterTracking", p.FilterTracking.lanes()[n]);
    k.Float("FilterReso", p.FilterReso.lanes()[n]);
    k.Float("FilterGain", p.FilterGain.lanes()[n]);
    k.Float("FilterQompensate", p.FilterQompensate.lanes()[n]);
    k.ReadOnlyFloat("FilterFeedback", p.FilterFeedback.lanes()[n]);  // no control changes it
    k.Mask("FilterPostFeed", p.FilterPostFeed.lanes()[n]);
    k.Mask("FilterDeclick", p.FilterDeclick.lanes()[n]);
    k.Float("FilterPole0", p.FilterPole0.lanes()[n]);
    k.Float("FilterPole1", p.FilterPole1.lanes()[n]);
    k.Float("FilterPole2", p.FilterPole2.lanes()[n]);
    k.Float("FilterPole3", p.FilterPole3.lanes()[n]);
    k.Float("FilterPole4", p.FilterPole4.lanes()[n]);
    k.Float("FilterLevel", p.FilterLevel.lanes()[n]);
    k.Float("FilterPan", p.FilterPan.lanes()[n]);
  }
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("Lfo.", n + 1));
    k.Integer("LfoShape", p.LfoShape.lanes()[n]);
    k.Float("LfoRate", p.LfoRate.lanes()[n]);
    k.Mask("LfoStartPhase", p.LfoStartPhase.lanes()[n]);
    k.Float("LfoLevel", p.LfoLevel.lanes()[n]);
    k.Float("LfoRandom", p.LfoRandom.lanes()[n]);
    k.Float("LfoOffset", p.LfoOffset.lanes()[n]);
    k.Float("LfoSmooth", p.LfoSmooth.lanes()[n]);
    k.Float("LfoFadeIn", p.LfoFadeIn.lanes()[n]);
    k.Mask("LfoClocked", p.LfoClocked.lanes()[n]);
    k.Integer("LfoQuantize", p.LfoQuantize.lanes()[n]);  // an index mask, not a lane mask
    k.Mask("VoiceLfo", p.VoiceLfo.lanes()[n]);
  }
  for (int n = 0; n < kLanes; ++n) {
    k.Section(Numbered("Env.", n + 1));
    for (int s = 0; s < kStoredEnvStages; ++s) {
      k.Float("EnvTime", s, p.EnvTime[s].lanes()[n]);
      k.Float("EnvLevel", s, p.EnvLevel[s].lanes()[n]);
      k.Integer("EnvCurve", s, p.EnvCurve[s].lanes()[n]);
      k.EnvStep("EnvStep", s, p.EnvStep[s].lanes()[n]);
    }
    k.Mask("EnvRetrigger", p.EnvRetrigger.lanes()[n]);
    k.Mask("EnvDeclick", p.EnvDeclick.lanes()[n]);
  }
  // Slot k is row (k - 1) div 4, lane (k - 1) mod 4.
  for (const MatrixKeys& matrix : kMatrixKeys) {
    for (int slot = 0; slot < kMatrixRows * kLanes; ++slot) {
      const int row = slot / kLanes, n = slot % kLanes;
      k.Section(Numbered(matrix.section, slot + 1));
      k.Source(matrix.source, (p.*matrix.sources)[row].lanes()[n]);
      k.Destination(matrix.destination, (p.*matrix.destinations)[row].lanes()[n]);
      k.Float(matrix.amount, (p.*matrix.amounts)[row].lanes()[n]);
    }
  }
  k.Section("Voice");
  k.Integer("Oversample", p.Oversample);
  k.Integer("Upsample", p.Upsample);
  k.Integer("SampleFilter", p.SampleFilter);
  k.Float("Volume", p.Volume);
  k.Source("VolumeModSource", p.VolumeModSource);
  k.Float("VolumeModAmount", p.VolumeModAmount);
  k.Float("VolumeVelocity", p.VolumeVelocity);
  k.Integer("Declicker", p.Declicker);
  k.Integer("PlayNote", p.PlayNote);
  k.Integer("SustainPedal", p.SustainPedal);

  k.Section("Delay");
  for (int delay = 0; delay < kDelays; ++delay) {
    for (const DelayKey& key : kDelayKeys)
      if (key.fields[delay] != nullptr) k.Float(key.names[delay], p.*key.fields[delay]);
    // The first lane of the delay's pair; the second follows it (PatchLoad).
    k.Mask(kDelayClockedKeys[delay], p.DelayClocked.lanes()[kDelayClockedLanes[delay]]);
  }
}

// Reads each key that the file holds into its field; a missing key leaves the field alone.
class PatchKeyReader {
 public:
  explicit PatchKeyReader(TPatchFile& file) : file_(file) {}

  void Section(std::string name) { file_.Section = std::move(name); }
  template <class T>
  void Float(const char* key, T& field) { Float(key, -1, field); }
  template <class T>
  void Float(const char* key, int index, T& field) {
    float value = 0.0f;
    if (file_.ReadFloat(key, index, value)) field = value;
  }
  template <class T>
  void ReadOnlyFloat(const char* key, T& field) { Float(key, -1, field); }
  template <class T>
  void Integer(const char* key, T& field) { Integer(key, -1, field); }
  template <class T>
  void Integer(const char* key, int index, T& field) {
    int32_t value = 0;
    if (file_.ReadInteger(key, index, value)) field = static_cast<T>(value);
  }
  // The file holds the signed stage count; PatchPrepare scales it to the engine's form.
  template <class T>
  void EnvStep(const char* key, int index, T& field) { Integer(key, index, field); }
  template <class T>
  void Mask(const char* key, T& field) {
    uint32_t value = 0;
    if (file_.ReadMask(key, -1, value)) field = static_cast<T>(value);
  }
  template <class T>
  void Source(const char* key, T& field) {
    uint32_t value = 0;
    if (file_.ReadSource(key, -1, value)) field = static_cast<T>(value);
  }
  template <class T>
  void Destination(const char* key, T& field) {
    uint32_t value = 0;
    if (file_.ReadDestination(key, -1, value)) field = static_cast<T>(value);
  }
  // The name up to its first zero character; a name longer than the field holds is no file name
  // this system can open, and leaves the lane without one.
  void FileName(const char* key, char (&field)[kSampleFileNameSize]) {
    std::string value;
    if (!file_.ReadString(key, -1, value)) return;
    value.resize(std::strlen(value.c_str()));
    if (value.size() >= kSampleFileNameSize) value.clear();
    std::memcpy(field, value.c_str(), value.size() + 1);
  }

 private:
  TPatchFile& file_;
};

// Writes every field as its key.
class PatchKeyWriter {
 public:
  PatchKeyWriter(TPatchFile& file, const SampleNameWriter& sample_name) : file_(file), sample_name_(sample_name) {}

  void Section(std::string name) { file_.Section = std::move(name); }
  void Float(const char* key, float field) { file_.WriteFloat(key, -1, field); }
  void Float(const char* key, int index, float field) { file_.WriteFloat(key, index, field); }
  void ReadOnlyFloat(const char*, float) {}
  void Integer(const char* key, int32_t field) { file_.WriteInteger(key, -1, field); }
  void Integer(const char* key, uint32_t field) { file_.WriteInteger(key, -1, field); }
  void Integer(const char* key, int index, uint32_t field) { file_.WriteInteger(key, index, field); }
  void EnvStep(const char* key, int index, int32_t field) { file_.WriteInteger(key, index, field / kEnvStepScale); }
  void Mask(const char* key, uint32_t field) { file_.WriteInteger(key, -1, field); }
  void Source(const char* key, uint32_t field) { file_.WriteInteger(key, -1, field); }
  void Source(const char* key, int32_t field) { file_.WriteInteger(key, -1, field); }
  void Destination(const char* key, uint32_t field) { file_.WriteInteger(key, -1, field); }
  void FileName(const char* key, const char (&field)[kSampleFileNameSize]) {
    const std::string name(field, strnlen(field, kSampleFileNameSize));
    file_.WriteString(key, -1, sample_name_ ? sample_name_(name) : name);
  }

 private:
  TPatchFile& file_;
  const SampleNameWriter& sample_name_;
};

// Lists every key with the file text of the field it visits (a default patch's, for the defaults).
class PatchKeyLister {
 public:
  explicit PatchKeyLister(std::vector<PatchFileKey>& keys) : keys_(keys) {}

  void Section(std::string name) { section_ = std::move(name); }
  void Float(const char* key, float field) { Float(key, -1, field); }
  void Float(const char* key, int index, float field) { Add(key, index, PatchKeyKind::Float, FloatToText(field)); }
  void ReadOnlyFloat(const char* key, float field) {
    Add(key, -1, PatchKeyKind::Float, FloatToText(field), false);
  }
  void Integer(const char* key, uint32_t field) { Integer(key, -1, field); }
  void Integer(const char* key, int index, uint32_t field) {
    Add(key, index, PatchKeyKind::Integer, IntegerToText(static_cast<int32_t>(field)));
  }
  // A default patch holds the stage counts as the file does (PatchPrepare scales them).
  void EnvStep(const char* key, int index, int32_t field) {
    Add(key, index, PatchKeyKind::Integer, IntegerToText(field));
  }
  void Mask(const char* key, uint32_t field) { Add(key, -1, PatchKeyKind::Mask, IntegerToText(static_cast<int32_t>(field))); }
  void Source(const char* key, uint32_t field) { Add(key, -1, PatchKeyKind::Source, IntegerToText(static_cast<int32_t>(field))); }
  void Destination(const char* key, uint32_t field) {
    Add(key, -1, PatchKeyKind::Destination, IntegerToText(static_cast<int32_t>(field)));
  }
  void FileName(const char* key, const char (&field)[kSampleFileNameSize]) {
    Add(key, -1, PatchKeyKind::Text, std::string(field, strnlen(field, kSampleFileNameSize)));
  }

 private:
  void Add(const char* key, int index, PatchKeyKind kind, std::string value, bool written = true) {
    keys_.push_back(PatchFileKey{section_, TPatchFile::KeyName(key, index), kind, std::move(value), written});
  }

  std::vector<PatchFileKey>& keys_;
  std::string section_;
};

// Every key the file holds over the defaults of a file, then the derived values, the samples, the
// rate-dependent values and a new delay. [Engine]'s "Version" is not used.
void ReadStoredValues(XPatch& p, TPatchFile& file) {
  PatchFileDefaults(p);
  PatchKeyReader reader(file);
  VisitPatchKeys(p, reader);
  for (const int lane : kDelayClockedLanes) p.DelayClocked.lanes()[lane + 1] = p.DelayClocked.lanes()[lane];
}

void LoadFromFile(XPatch& p, std::optional<TPatchFile>& file, const std::string& fileName) {
  ReadStoredValues(p, *file);
  file.reset();
  PatchPrepare(p);
  LoadPatchSamples(p, fileName);
  PatchSampleRate(p);
  PatchDCFilters(p);
  DelayRebuild(p, true);
}

void WritePatchKeys(const XPatch& p, TPatchFile& file, const SampleNameWriter& sample_name = {}) {
  file.Section = kEngineSection;
  file.WriteString(kVersionKey, -1, kWrittenVersion);
  PatchKeyWriter writer(file, sample_name);
  VisitPatchKeys(p, writer);
}

}  // namespace

bool PatchLoad(XPatch& p, const std::string& fileName) {
  // The file is read before anything changes, so one that cannot be read leaves the patch.
  std::optional<TPatchFile> file;
  try {
    file.emplace(fileName);
  } catch (const FileError& error) {
    ShowLibraryMessage("Cannot read patch file:\r\r" + PrintableText(fileName) + "\r\r" + error.what());
    return false;
  }
  LoadFromFile(p, file, fileName);
  return true;
}

bool PatchLoadText(XPatch& p, std::string_view text, const std::string& fileName) {
  std::optional<TPatchFile> file;
  try {
    file.emplace().LoadFromBytes(text);
  } catch (const FileError&) {
    return false;
  }
  LoadFromFile(p, file, fileName);
  return true;
}

bool PatchReadText(XPatch& p, std::string_view text) {
  TPatchFile file;
  try {
    file.LoadFromBytes(text);
  } catch (const FileError&) {
    return false;
  }
  ReadStoredValues(p, file);
  PatchPrepare(p);
  return true;
}

bool PatchLoadIfPatchFile(XPatch& p, const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  std::optional<TPatchFile> file;
  try {
    file.emplace(fileName);
  } catch (const FileError&) {
    return false;
  }
  if (!ReadsAsPatch(*file)) return false;
  LoadFromFile(p, file, fileName);
  return true;
}

bool IsPatchFile(const std::string& fileName) {
  try {
    return FileExists(fileName) && ReadsAsPatch(TIniFile(fileName));
  } catch (const FileError&) {
    return false;
  }
}

std::string PatchText(const XPatch& p) {
  TPatchFile file;
  WritePatchKeys(p, file);
  return file.SaveToBytes();
}

bool PatchWriteInto(const XPatch& p, TPatchFile& file, const SampleNameWriter& sample_name) {
  // A file that asks not to be written is left alone, without a word.
  file.Section = kTestSection;
  int32_t do_not_save = 0;
  if (file.ReadInteger(kDoNotSaveKey, -1, do_not_save) && do_not_save != 0) return false;
  WritePatchKeys(p, file, sample_name);
  return true;
}

void PatchSave(const XPatch& p, const std::string& fileName) {
  try {
    // The file as it is, so that the keys and sections this writer does not produce are kept.
    TPatchFile file(fileName);
    if (PatchWriteInto(p, file)) file.UpdateFile();
  } catch (const FileError& error) {
    throw FileError(PatchSaveFailure(fileName, error.what()));
  }
}

std::string PatchSaveFailure(const std::string& fileName, const std::string& reason) {
  return "Cannot save patch file:\r\r" + PrintableText(fileName) + "\r\r" + reason;
}

bool PatchSaveOrReport(const XPatch& p, const std::string& fileName) {
  try {
    PatchSave(p, fileName);
    return true;
  } catch (const FileError& error) {
    ShowLibraryMessage(error.what());
  } catch (const std::exception& error) {  // out of memory while building the text
    ShowLibraryMessage(PatchSaveFailure(fileName, error.what()));
  }
  return false;
}

bool ReadsAsPatch(const TIniFile& file) {
  static const std::vector<std::string> sections = [] {
    std::vector<std::string> names;
    for (const PatchFileKey& key : PatchFileKeys())
      if (names.empty() || names.back() != key.Section) names.push_back(key.Section);
    return names;
  }();
  return std::any_of(sections.begin(), sections.end(), [&](const std::string& name) { return file.SectionExists(name); });
}

bool ReadsWhollyAsPatch(const TIniFile& file) {
  // "Section\nKey" of every key the format defines, found in any letter case.
  static const NameIndex defined = [] {
    NameIndex keys;
    for (const PatchFileKey& key : PatchFileKeys()) keys.emplace(key.Section + "\n" + key.Key, 0);
    return keys;
  }();
  if (!file.HoldsOnlyIniLines()) return false;
  const std::vector<TIniFile::KeyLine> keys = file.KeyLines();
  return std::any_of(keys.begin(), keys.end(),
                     [](const TIniFile::KeyLine& key) { return defined.contains(key.section + "\n" + key.key); });
}

std::vector<PatchFileKey> PatchFileKeys() {
  std::vector<PatchFileKey> keys;
  keys.push_back({kEngineSection, kVersionKey, PatchKeyKind::Text, kVersionReadDefault, true});
  const auto defaults = std::make_unique<XPatch>();
  PatchFileDefaults(*defaults);
  PatchKeyLister lister(keys);
  VisitPatchKeys(std::as_const(*defaults), lister);
  keys.push_back({kTestSection, kDoNotSaveKey, PatchKeyKind::Integer, "0", false});
  return keys;
}

}  // namespace brelix
