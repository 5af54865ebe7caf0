// Patch files: the text the writer produces, what the reader makes of files written by the
// program, by hand and by accident, and that a save never costs the user a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/patch.h"
#include "patch/file_io.h"
#include "patch/ini_file.h"
#include "patch/number_text.h"
#include "patch/patch_file.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"

namespace brelix {
namespace {

using testing::PluginFolder;
using testing::ReadBytes;
using testing::RecordedMessages;
using testing::WriteBytes;

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

class PatchFileTest : public ::testing::Test {
 protected:
  void SetUp() override { synth_ = testing::MakeSynth(); }
  void TearDown() override { synth_.reset(); }

  XPatch& patch() { return *synth_->Multi->EditBuffer; }
  std::string file(const char* name) const { return folder_.file(name); }
  // Loads `text` as a patch file.
  void LoadText(const std::string& text) {
    WriteBytes(file("in.tw"), text);
    ASSERT_TRUE(PatchLoad(patch(), file("in.tw")));
  }
  std::string SavedText() {
    const std::string name = file("out.tw");
    std::filesystem::remove(name);
    PatchSave(patch(), name);
    return ReadBytes(name);
  }
  // The bytes of the record before the engine-owned tail.
  std::vector<uint8_t> RecordBytes() {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&patch());
    return std::vector<uint8_t>(bytes, bytes + kPatchEngineTail);
  }

  PluginFolder folder_;  // no Brelix.Ini or Brelix.tw: the instance starts with the defaults
  RecordedMessages messages_;
  testing::Synth synth_;
};

TEST_F(PatchFileTest, TheWriterEmitsEverySectionAndKeyInItsOrderAndForm) {
  const std::string text = SavedText();
  // The first sections in full: the number forms of the defaults.
  EXPECT_TRUE(text.starts_with(
      "[Engine]\r\nVersion=1.0.0\r\n\r\n"
      "[AuxOsc.1]\r\nAuxOscSemitone=0\r\nAuxOscDetune=0\r\nAuxOscFixedFreq=0\r\nAuxOscRange=0\r\n"
      "AuxOscCenter=60\r\nAuxOscTracking=1\r\nAuxOscStartPhase=0\r\nAuxOscPW=1\r\nAuxOscSync=0\r\n"
      "AuxOscLevel=0.25\r\nAuxOscSawShape=0\r\nAuxOscSawSigma1=1\r\nAuxOscSawSigma2=0\r\n"
      "AuxOscMorph=0.800000011920929\r\nAuxOscDCFilter=9.99999974737875E-5\r\nAuxOscMix=-1\r\n\r\n"
      "[AuxOsc.2]\r\n"))
      << text.substr(0, 600);
  EXPECT_NE(text.find("[Env.1]\r\nEnvTime.0=0\r\nEnvLevel.0=1\r\nEnvCurve.0=5\r\nEnvStep.0=1\r\nEnvTime.1=0\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("EnvStep.2=0\r\n"), std::string::npos);
  EXPECT_NE(text.find("EnvStep.4=1\r\nEnvRetrigger=0\r\nEnvDeclick=0\r\n\r\n[Env.2]"), std::string::npos);
  EXPECT_NE(text.find("[Lfo.1]\r\nLfoShape=0\r\nLfoRate=0.100000001490116\r\n"), std::string::npos);
  EXPECT_NE(text.find("LfoQuantize=8191\r\nVoiceLfo=-1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Filter.1]\r\nFilterType=0\r\nFilterCutoff=12543.853515625\r\n"), std::string::npos);
  EXPECT_NE(text.find("FilterQompensate=0\r\nFilterPostFeed=0\r\n"), std::string::npos);  // no FilterFeedback
  EXPECT_NE(text.find("[Voice]\r\nOversample=1\r\nUpsample=8\r\nSampleFilter=0\r\nVolume=1\r\n"
                      "VolumeModSource=8\r\nVolumeModAmount=1\r\nVolumeVelocity=0\r\nDeclicker=0\r\nPlayNote=-1\r\n"
                      "SustainPedal=1\r\n\r\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("AuxDelayInput=1\r\nAuxDelayMix=1\r\nAuxDelayClocked=0\r\n\r\n"));

  std::vector<std::string> sections;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("[")) sections.push_back(line.substr(1, line.find(']') - 1));
  std::vector<std::string> expected = {"Engine"};
  for (const char* prefix : {"AuxOsc.", "SampleOsc.", "Noise.", "Filter.", "Lfo.", "Env."})
    for (int n = 1; n <= 4; ++n) expected.push_back(prefix + std::to_string(n));
  for (const char* prefix : {"ModMatrix.", "MidiModMatrix."})
    for (int n = 1; n <= 16; ++n) expected.push_back(prefix + std::to_string(n));
  expected.push_back("Voice");
  expected.push_back("Delay");
  EXPECT_EQ(sections, expected);
}

// The key list that tools and the patch reference take is the writer's: a default patch saved
// holds exactly the written keys, in that order, with the listed defaults (but for the sustain
// pedal switch, which a new patch has on and a file without the key has off); the keys the writer
// leaves alone are read all the same.
TEST_F(PatchFileTest, TheKeyListIsWhatTheWriterWritesForTheDefaultPatch) {
  WriteBytes(file("out.tw"), "");
  PatchSave(patch(), file("out.tw"));
  TIniFile saved(file("out.tw"));
  std::vector<std::string> written, listed;
  for (const TIniFile::KeyLine& key : saved.KeyLines())
    written.push_back(key.section + "/" + key.key + "=" + key.value);
  std::vector<PatchFileKey> unwritten;
  for (const PatchFileKey& key : PatchFileKeys()) {
    if (key.Written) listed.push_back(key.Section + "/" + key.Key + "=" + key.Default);
    else unwritten.push_back(key);
  }
  listed[0] = "Engine/Version=1.0.0";  // written as the current version, read as "0.0.0" when missing
  const auto pedal = std::find(listed.begin(), listed.end(), "Voice/SustainPedal=0");
  ASSERT_NE(pedal, listed.end());
  *pedal = "Voice/SustainPedal=1";
  EXPECT_EQ(written, listed);
  ASSERT_EQ(unwritten.size(), 5u);
  EXPECT_EQ(unwritten[0].Key, "FilterFeedback");
  EXPECT_EQ(unwritten[0].Default, "1.20000004768372");
  EXPECT_EQ(unwritten[4].Section + "/" + unwritten[4].Key, "Test/DoNotSave");

  LoadText("[Filter.3]\r\nFilterFeedback=0.5\r\n");
  EXPECT_EQ(patch().FilterFeedback.lanes()[2], 0.5f);
}

TEST_F(PatchFileTest, AnEmptyFileLoadsTheDefaultPatchAndResetsTheControllers) {
  // The default patch, but for the sustain pedal switch: a file without its key was written before
  // the pedal could hold notes, and plays as it did then.
  patch().SustainPedal = 0;
  const std::vector<uint8_t> fresh = RecordBytes();
  patch().ControlValue[1] = 1.0f;  // the mod wheel is held
  patch().Volume = 0.5f;
  patch().SustainPedal = 1;
  LoadText("");
  EXPECT_EQ(RecordBytes(), fresh);
  EXPECT_EQ(patch().ControlValue[1], 0.0f);
  EXPECT_EQ(patch().ControlValue[7], 1.0f);
  // A missing file does the same, without a message.
  patch().Volume = 0.5f;
  patch().SustainPedal = 1;
  EXPECT_TRUE(PatchLoad(patch(), file("missing.tw")));
  EXPECT_EQ(RecordBytes(), fresh);
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(PatchFileTest, ASingleKeyChangesItsLaneOnly) {
  LoadText("[Filter.2]\r\nFilterCutoff=1000\r\n");
  EXPECT_EQ(patch().FilterCutoff.lane(0), 12543.853515625f);
  EXPECT_EQ(patch().FilterCutoff.lane(1), 1000.0f);
  EXPECT_EQ(patch().FilterCutoff.lane(2), 12543.853515625f);
  EXPECT_EQ(patch().FilterCutoff.lane(3), 12543.853515625f);
}

TEST_F(PatchFileTest, OldMatrixEncodingsReadAsConstantAndVoid) {
  LoadText(
      "[ModMatrix.6]\r\nModSource=47\r\nModDest=79\r\n"
      "[MidiModMatrix.16]\r\nMidiModSource=47\r\nMidiModDest=79\r\n"
      "[ModMatrix.1]\r\nModSource=-130\r\nModDest=78\r\n"
      "[Voice]\r\nVolumeModSource=47\r\n");
  EXPECT_EQ(patch().ModSource[1].lane(1), 65535u);  // slot 6: row 1, lane 2
  EXPECT_EQ(patch().ModDest[1].lane(1), 65535u);
  EXPECT_EQ(patch().MidiModSource[3].lane(3), 65535u);
  EXPECT_EQ(patch().MidiModDest[3].lane(3), 65535u);
  EXPECT_EQ(static_cast<int32_t>(patch().ModSource[0].lane(0)), -130);
  EXPECT_EQ(patch().ModDest[0].lane(0), 78u);
  EXPECT_EQ(patch().VolumeModSource, 65535);
  const std::string text = SavedText();
  EXPECT_NE(text.find("[ModMatrix.1]\r\nModSource=-130\r\nModDest=78\r\n"), std::string::npos);
  EXPECT_NE(text.find("[ModMatrix.6]\r\nModSource=65535\r\nModDest=65535\r\n"), std::string::npos);
}

TEST_F(PatchFileTest, AnEnvelopeLoopIsStoredAsTheSignedStageCount) {
  // Stage 3 back to stage 1, in the engine's scaled form.
  patch().EnvStep[3].set_lane(0, -2 * 16);
  const std::string text = SavedText();
  EXPECT_NE(text.find("[Env.1]"), std::string::npos);
  EXPECT_NE(text.find("EnvStep.3=-2\r\n"), std::string::npos);
  ASSERT_TRUE(PatchLoad(patch(), file("out.tw")));
  EXPECT_EQ(patch().EnvStep[3].lane(0), -32);
  EXPECT_EQ(patch().EnvStep[3].lane(1), 16);
  // The count is scaled modulo 2^32: this large count is the same loop.
  LoadText("[Env.1]\r\nEnvStep.3=268435454\r\n");
  EXPECT_EQ(patch().EnvStep[3].lane(0), -32);
}

TEST_F(PatchFileTest, StageFiveHasNoKeys) {
  LoadText("[Env.1]\r\nEnvCurve.5=0\r\nEnvTime.5=3\r\nEnvStep.5=-5\r\nEnvTime.4=2\r\n");
  EXPECT_EQ(patch().EnvCurve[5].lane(0), 5u);
  EXPECT_EQ(patch().EnvTime[5].lane(0), 0.0f);
  EXPECT_EQ(patch().EnvStep[5].lane(0), 0);
  EXPECT_EQ(patch().EnvTime[4].lane(0), 2.0f);
}

TEST_F(PatchFileTest, DelayClockedFollowsIntoTheSecondLaneOfEachDelay) {
  LoadText("[Delay]\r\nDelayClocked=-1\r\nAuxDelayClocked=0\r\n");
  EXPECT_EQ(patch().DelayClocked.lane(0), kAllOnes);
  EXPECT_EQ(patch().DelayClocked.lane(1), kAllOnes);
  EXPECT_EQ(patch().DelayClocked.lane(2), 0u);
  EXPECT_EQ(patch().DelayClocked.lane(3), 0u);
  LoadText("[Delay]\r\nAuxDelayClocked=-1\r\n");
  EXPECT_EQ(patch().DelayClocked.lane(0), 0u);
  EXPECT_EQ(patch().DelayClocked.lane(3), kAllOnes);
}

TEST_F(PatchFileTest, AFileWrittenByHandWithOddSpacingCaseAndMissingKeys) {
  LoadText(
      "; my bass\n"
      "[auxosc.1]\n"
      "  auxoscsemitone =  -12\n"
      "AUXOSCLEVEL=.5\n"
      "[ FILTER.1 ]\n"
      "filtertype = $3\n"
      "FilterCutoff=4.4e2\n"
      "[voice]\n"
      "volume = 0.75\n"
      "PlayNote=0x3C\n"
      "[Lfo.3]\n"
      "lfoclocked = 1\n"
      "[env.4]\n"
      "EnvTime.0 = 0.01\n"
      "envstep.2= 0\n");
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), -12.0f);
  EXPECT_EQ(patch().AuxOscLevel.lane(0), 0.5f);
  EXPECT_EQ(patch().AuxOscLevel.lane(1), 0.25f);  // missing: the default
  EXPECT_EQ(patch().FilterType.lane(0), 3u);
  EXPECT_EQ(patch().FilterCutoff.lane(0), 440.0f);
  EXPECT_EQ(patch().Volume, 0.75f);
  EXPECT_EQ(patch().PlayNote, 60);
  EXPECT_EQ(patch().LfoClocked.lane(2), kAllOnes);
  EXPECT_EQ(patch().EnvTime[0].lane(3), 0.01f);
  EXPECT_EQ(patch().EnvStep[2].lane(3), 0);
  EXPECT_EQ(patch().EnvStep[0].lane(3), 16);
  EXPECT_EQ(patch().Oversample, 1u);
}

TEST_F(PatchFileTest, ValuesThatAreNoNumbersOrOutOfRangeForTheirField) {
  LoadText(
      "[AuxOsc.1]\r\nAuxOscLevel=nan\r\nAuxOscPW=inf\r\nAuxOscCenter=1e39\r\nAuxOscTracking=\r\n"
      "AuxOscDetune=0.5abc\r\nAuxOscStartPhase=5\r\n"
      "[Filter.1]\r\nFilterPostFeed=1\r\nFilterDeclick=$80000000\r\nFilterType=1.5\r\n"
      "[Lfo.1]\r\nVoiceLfo=0\r\nLfoStartPhase=-7\r\n"
      "[SampleOsc.1]\r\nSampleOscLoop=2\r\n"
      "[Env.1]\r\nEnvRetrigger=12\r\nEnvStep.4=9\r\n"
      "[Voice]\r\nUpsample=0\r\nOversample=3\r\nSampleFilter=-1\r\n");
  EXPECT_EQ(patch().AuxOscLevel.lane(0), 0.0f);
  EXPECT_EQ(patch().AuxOscPW.lane(0), 0.0f);
  EXPECT_EQ(patch().AuxOscCenter.lane(0), 0.0f);
  EXPECT_EQ(patch().AuxOscTracking.lane(0), 0.0f);
  EXPECT_EQ(patch().AuxOscDetune.lane(0), 0.0f);
  EXPECT_EQ(patch().FilterType.lane(0), 0u);
  // Masks hold all ones or nothing, whatever the file says.
  EXPECT_EQ(patch().AuxOscStartPhase.lane(0), kAllOnes);
  EXPECT_EQ(patch().FilterPostFeed.lane(0), kAllOnes);
  EXPECT_EQ(patch().FilterDeclick.lane(0), kAllOnes);
  EXPECT_EQ(patch().VoiceLfo.lane(0), 0u);
  EXPECT_EQ(patch().LfoStartPhase.lane(0), kAllOnes);
  EXPECT_EQ(patch().SampleOscLoop.lane(0), kAllOnes);
  EXPECT_EQ(patch().EnvRetrigger.lane(0), kAllOnes);
  // Values the engine cannot run are kept in range.
  EXPECT_EQ(patch().EnvStep[4].lane(0), 16);  // stage 4 can go no further than the end
  EXPECT_EQ(patch().Upsample, 1u);
  EXPECT_EQ(patch().Oversample, 1u);
  EXPECT_EQ(patch().SampleFilter, 3u);
}

TEST_F(PatchFileTest, SampleFileNamesAreKeptAndWrittenBack) {
  const std::string name = "/home/user/Samples/caf\xC3\xA9 piano.wav";
  LoadText("[SampleOsc.2]\r\nSampleOscFile=" + name + "\r\n[SampleOsc.3]\r\nSampleOscFile=" +
           std::string(kSampleFileNameSize, 'x') + "\r\n");
  EXPECT_STREQ(patch().SampleOscFile[1], name.c_str());
  EXPECT_STREQ(patch().SampleOscFile[2], "");  // longer than any path the system can open
  EXPECT_NE(SavedText().find("[SampleOsc.2]\r\nSampleOscFile=" + name + "\r\nSampleOscLoop=0\r\n"), std::string::npos);
}

// A file that sets every key the writer produces to a value of its kind, in the writer's form.
std::string EveryKeyFile(const std::string& defaults_text, uint32_t seed) {
  std::mt19937 random(seed);
  const auto pick = [&](int lowest, int highest) { return std::uniform_int_distribution<int>(lowest, highest)(random); };
  const auto any_float = [&] {
    const float mantissa = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
    return FloatToText(std::ldexp(mantissa, pick(-30, 30)));
  };
  const std::set<std::string> masks = {"AuxOscStartPhase", "SampleOscLoop", "FilterPostFeed", "FilterDeclick",
                                       "LfoStartPhase",    "LfoClocked",    "VoiceLfo",       "EnvRetrigger",
                                       "EnvDeclick",       "DelayClocked",  "AuxDelayClocked"};
  std::string text, section, out;
  std::istringstream lines(defaults_text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    if (line.starts_with("[")) section = line;
    if (equals == std::string::npos || section == "[Engine]") {
      out += line + "\r\n";
      continue;
    }
    const std::string key = line.substr(0, equals);
    const std::string base = key.substr(0, key.find('.'));
    const int stage = key.find('.') == std::string::npos ? 0 : std::stoi(key.substr(key.find('.') + 1));
    std::string value;
    if (masks.count(base)) value = pick(0, 1) ? "-1" : "0";
    else if (base == "FilterType") value = std::to_string(pick(0, 8));
    else if (base == "LfoShape") value = std::to_string(pick(0, 24));
    else if (base == "LfoQuantize") value = std::to_string(pick(0, 8191));
    else if (base == "EnvCurve") value = std::to_string(pick(0, 21));
    else if (base == "EnvStep") value = std::to_string(pick(-stage, 5 - stage));
    else if (base.ends_with("Source")) value = std::to_string(pick(0, 2) == 0 ? 65535 : pick(0, 1) ? pick(0, 46) : -pick(1, 130));
    else if (base.ends_with("Dest")) value = std::to_string(pick(0, 4) == 0 ? 65535 : pick(0, 78));
    else if (base == "Oversample" || base == "SustainPedal") value = std::to_string(pick(0, 1));
    else if (base == "Upsample") value = std::to_string(pick(1, 32));
    else if (base == "SampleFilter") value = std::to_string(pick(0, 3));
    else if (base == "Declicker") value = std::to_string(pick(0, 4));
    else if (base == "PlayNote") value = std::to_string(pick(-1, 127));
    else if (base == "SampleOscFile") value = pick(0, 1) ? "" : "/nowhere/sample" + std::to_string(pick(0, 99)) + ".wav";
    else value = any_float();
    out += key + "=" + value + "\r\n";
  }
  return out;
}

TEST_F(PatchFileTest, LoadThenSaveReproducesEveryKeyWithTheSameText) {
  const std::string defaults_text = SavedText();
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    const std::string written = EveryKeyFile(defaults_text, seed);
    ASSERT_NE(written, defaults_text);
    LoadText(written);
    EXPECT_EQ(SavedText(), written) << "seed " << seed;
  }
}

TEST_F(PatchFileTest, SavingKeepsWhatTheFileHeldBesideThePatch) {
  const std::string name = file("mine.tw");
  WriteBytes(name,
             "[MyNotes]\r\nAuthor=me\r\n\r\n"
             "[Filter.1]\r\nFilterFeedback=1.5\r\nFilterCutoff=100\r\nFilterExtra=7\r\n\r\n"
             "[Test]\r\nDoNotSave=0\r\n\r\n");
  patch().FilterCutoff.set_lane(0, 200.0f);
  PatchSave(patch(), name);
  const std::string text = ReadBytes(name);
  EXPECT_TRUE(text.starts_with("[MyNotes]\r\nAuthor=me\r\n\r\n[Filter.1]\r\nFilterFeedback=1.5\r\nFilterCutoff=200\r\n"
                               "FilterExtra=7\r\nFilterType=0\r\n"));
  EXPECT_NE(text.find("[Test]\r\nDoNotSave=0\r\n\r\n[Engine]\r\nVersion=1.0.0\r\n"), std::string::npos);
  // The feedback the file holds is read though no control writes it.
  ASSERT_TRUE(PatchLoad(patch(), name));
  EXPECT_EQ(patch().FilterFeedback.lane(0), 1.5f);
  EXPECT_EQ(patch().FilterFeedback.lane(1), 1.2f);
}

TEST_F(PatchFileTest, DoNotSaveLeavesTheFileByteForByte) {
  const std::string name = file("protected.tw");
  const std::string content = "\xEF\xBB\xBF[Test]\nDoNotSave=1\n[Voice]\nVolume = 0.5\n";
  WriteBytes(name, content);
  patch().Volume = 0.25f;
  PatchSave(patch(), name);
  EXPECT_EQ(ReadBytes(name), content);
  // A value that is not a non-zero integer does not protect the file.
  WriteBytes(name, "[Test]\r\nDoNotSave=yes\r\n");
  PatchSave(patch(), name);
  EXPECT_NE(ReadBytes(name).find("Volume=0.25"), std::string::npos);
}

TEST_F(PatchFileTest, AFileThatIsNoPatchFileIsReportedAndChangesNothing) {
  const std::string name = file("image.tw");
  const std::string binary("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
  WriteBytes(name, binary);
  patch().Volume = 0.5f;
  const std::vector<uint8_t> before = RecordBytes();

  EXPECT_FALSE(PatchLoad(patch(), name));
  EXPECT_EQ(RecordBytes(), before);
  ASSERT_EQ(messages_.messages.size(), 1u);
  EXPECT_EQ(messages_.messages[0], ModuleFileName + "\r\rCannot read patch file:\r\r" + name + "\r\rit is not a text file");

  // Saving over it is refused too: its content could not be kept.
  try {
    PatchSave(patch(), name);
    ADD_FAILURE() << "saved over a binary file";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot save patch file:\r\r" + name + "\r\rit is not a text file");
  }
  EXPECT_EQ(ReadBytes(name), binary);
}

TEST_F(PatchFileTest, AFailedSaveIsReportedAndLeavesTheOldFile) {
  const std::string name = folder_.file("no/such/folder/x.tw");
  EXPECT_FALSE(PatchSaveOrReport(patch(), name));
  ASSERT_EQ(messages_.messages.size(), 1u);
  EXPECT_TRUE(messages_.messages[0].starts_with(ModuleFileName + "\r\rCannot save patch file:\r\r" + name + "\r\r"));
  EXPECT_FALSE(std::filesystem::exists(name));
}

}  // namespace
}  // namespace brelix
