// The patch check: the mistakes of a hand-edited patch file as the plug-in would take them, each
// with its line; files that are no patch at all are told apart from patches with faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/patch.h"
#include "patch/patch_file.h"
#include "patch_check.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/shipped_patches.h"
#include "support/synth_instance.h"

namespace brelix {
namespace {

using testing::WriteBytes;

std::vector<std::string> Described(const std::string& path) {
  std::vector<std::string> lines;
  for (const PatchProblem& problem : CheckPatchFile(path).Problems) lines.push_back(DescribeProblem(path, problem));
  return lines;
}

// Each value here is one the plug-in reads as 0: the check warns about exactly that line, and the
// patch the plug-in loads holds 0 there (the default would be another value).
TEST(PatchCheck, ValuesThatAreNoNumbersAreReportedAsThePlugInReadsThem) {
  testing::PluginFolder folder;
  testing::RecordedMessages messages;
  testing::Synth synth = testing::MakeSynth();
  XPatch& patch = *synth->Multi->EditBuffer;
  struct Case {
    const char* section;
    const char* line;
    std::function<float(const XPatch&)> field;
    const char* complaint;
  };
  const Case cases[] = {
      {"Filter.1", "FilterCutoff=2200 Hz", [](const XPatch& p) { return p.FilterCutoff.lanes()[0]; }, "is not a number"},
      {"Filter.2", "FilterCutoff=banana", [](const XPatch& p) { return p.FilterCutoff.lanes()[1]; }, "is not a number"},
      {"AuxOsc.1", "AuxOscCenter=60 ; low", [](const XPatch& p) { return p.AuxOscCenter.lanes()[0]; }, "is not a number"},
      {"Voice", "Volume=", [](const XPatch& p) { return p.Volume; }, "has no value"},
      {"Lfo.3", "LfoQuantize=8191.0", [](const XPatch& p) { return float(p.LfoQuantize.lanes()[2]); }, "is not a whole number"},
      {"Lfo.1", "VoiceLfo=yes", [](const XPatch& p) { return float(p.VoiceLfo.lanes()[0]); }, "is not a whole number"},
      {"Voice", "VolumeModSource=Env4", [](const XPatch& p) { return float(p.VolumeModSource); }, "is not a whole number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string file = folder.file("hand.tw");
    WriteBytes(file, "; by hand\r\n[" + std::string(c.section) + "]\r\n" + c.line + "\r\n");
    const std::vector<std::string> problems = Described(file);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].starts_with(file + ":3: warning: [" + c.section + "] ")) << problems[0];
    EXPECT_NE(problems[0].find(c.complaint), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("the plug-in reads it as 0"), std::string::npos) << problems[0];
    ASSERT_TRUE(PatchLoad(patch, file));
    EXPECT_EQ(c.field(patch), 0.0f);
  }
  // What reads as a number draws no warning, in either notation and with a hexadecimal integer.
  WriteBytes(folder.file("fine.tw"), "[Filter.1]\nFilterCutoff=2.2E3\nFilterType=$3\nFilterPole1=1\nFilterPole4=0\n");
  EXPECT_EQ(Described(folder.file("fine.tw")), std::vector<std::string>{});
}

TEST(PatchCheck, FilesThatAreNoPatchesAreErrors) {
  testing::TempFolder folder;
  WriteBytes(folder.file("empty.tw"), "");
  WriteBytes(folder.file("letter.txt"), "Dear reader,\nthis = a letter\n");
  WriteBytes(folder.file("song.mid"), std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk", 18));
  WriteBytes(folder.file("other.ini"), "[Engine]\nRealSampleBase=48000\n[Editor]\nAutomation=1\n");
  std::filesystem::create_directory(folder.file("folder.tw"));
  const std::pair<std::string, std::string> cases[] = {
      {"missing.tw", "no such file"},
      {"empty.tw", "not a patch file: it is empty"},
      {"letter.txt", "not a patch file: it holds none of the sections of a patch"},
      {"song.mid", "cannot be read as a patch file: it is not a text file"},
      {"folder.tw", "cannot be read as a patch file"},
  };
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    const PatchCheck check = CheckPatchFile(folder.file(name));
    EXPECT_FALSE(check.IsPatch());
    ASSERT_EQ(check.Problems.size(), 1u);
    EXPECT_TRUE(DescribeProblem(folder.file(name), check.Problems[0]).starts_with(folder.file(name) + ": error: " + reason))
        << check.Problems[0].Text;
  }
  // A settings file shares the [Engine] section with a patch: it is taken for one, and its key
  // is reported as unknown.
  EXPECT_TRUE(CheckPatchFile(folder.file("other.ini")).IsPatch());
}

TEST(PatchCheck, WhatThePlugInIgnoresOrTakesOtherwiseIsReportedWithItsLine) {
  testing::TempFolder folder;
  const std::string file = folder.file("faults.tw");
  WriteBytes(file,
             "[Engine]\n"               // 1
             "Version=1.0.0\n"          // 2
             "[Filtre.1]\n"             // 3
             "FilterCutoff=500\n"       // 4
             "[Filter.1]\n"             // 5
             "FilterCutof=500\n"        // 6
             "FilterReso=0.2\n"         // 7
             "filterreso=0.9\n"         // 8
             "[Filter.2]\n"             // 9
             "FilterType=4\n"           // 10
             "[Env.1]\n"                // 11
             "EnvTime.5=1\n"            // 12
             "EnvCurve.1=22\n"          // 13
             "EnvStep.3=-5\n"           // 14
             "[Lfo.2]\n"                // 15
             "LfoShape=25\n"            // 16
             "[ModMatrix.3]\n"          // 17
             "ModSource=-131\n"         // 18
             "ModDest=80\n"             // 19
             "[MidiModMatrix.1]\n"      // 20
             "MidiModSource=47\n"       // 21
             "MidiModDest=79\n"         // 22
             "[SampleOsc.2]\n"          // 23
             "SampleOscFile=" + folder.file("gone.wav") + "\n"  // 24
             "[Filter.3]\n"             // 25
             "FilterReso 0.95\n"        // 26
             "; FilterReso 0.95\n"      // 27
             "FilterReso=3\n"           // 28
             "FilterGain=-8\n"          // 29: the typed range's end
             "[Voice]\n"                // 30
             "Volume=9\n"               // 31
             "PlayNote=128\n"           // 32
             "SustainPedal=-1\n"        // 33: a switch, but not a mask
             "[Env.4]\n"                // 34
             "EnvLevel.1=-8.5\n"        // 35
             "[Delay]\n"                // 36
             "AuxDelayFeedbackL=1.5\n"  // 37
             "DelayStereoWidth=-1\n");  // 38: beyond the editor's, within the file's range
  const std::vector<std::pair<int, std::string>> expected = {
      {3, "unknown section [Filtre.1]; the plug-in ignores it"},
      {6, "unknown key [Filter.1] FilterCutof; the plug-in ignores it"},
      {8, "[Filter.1] filterreso again; the plug-in takes the one on line 7"},
      {10, "[Filter.2] FilterType=4 (HighPass4) but the weights FilterPole0..4 are 0, 0, 0, 0, 1; the weights "
           "decide the sound (HighPass4 is 1, -4, 6, -4, 1)"},
      {12, "unknown key [Env.1] EnvTime.5"},
      {13, "[Env.1] EnvCurve.1=22 names no envelope curve; the plug-in uses Linear"},
      {14, "[Env.1] EnvStep.3=-5 leads from stage 3 to stage -2, which does not exist; the plug-in goes to Stage0 [A]"},
      {16, "[Lfo.2] LfoShape=25 names no LFO shape; the plug-in plays Sine"},
      {18, "[ModMatrix.3] ModSource=-131 names no modulation source"},
      {19, "[ModMatrix.3] ModDest=80 names no modulation destination"},
      {24, "[SampleOsc.2] the sample file '" + folder.file("gone.wav") + "' is not found (looked for at '" +
               folder.file("gone.wav") + "')"},
      {26, "'FilterReso 0.95' is neither a section, a key=value line nor a comment; the plug-in ignores it"},
      {28, "[Filter.3] FilterReso=3 lies outside 0 .. 1, the range docs/patch-reference.md gives"},
      {31, "[Voice] Volume=9 lies outside -8 .. 8"},
      {32, "[Voice] PlayNote=128 lies outside -1 .. 127"},
      {33, "[Voice] SustainPedal=-1 lies outside 0 .. 1"},
      {35, "[Env.4] EnvLevel.1=-8.5 lies outside -8 .. 8"},
      {37, "[Delay] AuxDelayFeedbackL=1.5 lies outside 0 .. 0.99"},
  };
  const PatchCheck check = CheckPatchFile(file);
  EXPECT_TRUE(check.IsPatch());
  ASSERT_EQ(check.Problems.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(check.Problems[i].Level, PatchProblem::Severity::Warning);
    EXPECT_EQ(check.Problems[i].Line, expected[i].first);
    EXPECT_TRUE(check.Problems[i].Text.starts_with(expected[i].second)) << check.Problems[i].Text;
  }
}

TEST(PatchCheck, TheShippedPatchesAreClean) {
  for (const std::filesystem::path& patch : testing::ShippedPatches())
    EXPECT_EQ(Described(patch.string()), std::vector<std::string>{});
}

}  // namespace
}  // namespace brelix
