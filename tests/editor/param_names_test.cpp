// Host parameter names from captions, section numbering across the two layers, and the host list
// with its staged hidden-layer entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "editor/host_param_list.h"
#include "editor/param_names.h"
#include "support/page_param_names.h"

namespace brelix {
namespace {

TEST(ParamNames, CaptionsKeepLettersDigitsAndUnderscores) {
  EXPECT_EQ(ParamCaptionName("Osc #1"), "Osc1");
  EXPECT_EQ(ParamCaptionName("Amp/Volume"), "AmpVolume");
  EXPECT_EQ(ParamCaptionName("Time0 [A]"), "Time0A");
  EXPECT_EQ(ParamCaptionName("Env #4 Amp"), "Env4Amp");
  EXPECT_EQ(ParamCaptionName("Balance 1-2"), "Balance12");
  EXPECT_EQ(ParamCaptionName("Sub_Osc\t\xC3\xA4!"), "Sub_Osc");  // tabs and non-ASCII go
  EXPECT_EQ(ParamCaptionName(""), "");
}

TEST(ParamNames, LegacyNamesLoseTheirSection) {
  EXPECT_EQ(LegacyParamName("Osc1.FreeRun"), "FreeRun");
  EXPECT_EQ(LegacyParamName("*Osc1"), "*Osc1");
  EXPECT_EQ(LegacyParamName("A.B.C"), "B.C");
  EXPECT_EQ(LegacyParamName("Extended"), "Extended");
}

TEST(ParamNamer, ControlsTakeTheirSectionsNameAndNumber) {
  TParamNamer namer;
  EXPECT_EQ(namer.Section("Osc #1", false)->Name, "*Osc1");
  const auto freeRun = namer.Control("FreeRun", false);
  EXPECT_EQ(freeRun->Name, "Osc1.FreeRun");
  EXPECT_EQ(freeRun->SectionID, 1);
  EXPECT_EQ(namer.Control("SampleLevel", true)->Name, "Osc1.SampleLevel");
  EXPECT_EQ(namer.Control("SampleLevel", true)->SectionID, 1);

  EXPECT_EQ(namer.Section("Voice", false)->SectionID, 2);
  EXPECT_EQ(namer.Control("Amp/Volume", false)->Name, "Voice.AmpVolume");
  EXPECT_EQ(namer.Section("Env #4 Amp", false)->SectionID, 3);
  EXPECT_EQ(namer.Control("Time0 [A]", false)->Name, "Env4Amp.Time0A");
}

TEST(ParamNamer, HiddenSectionsServeOnlyTheHiddenLayer) {
  TParamNamer namer;
  namer.Section("ModMatrix #16", false);                      // section 1
  const auto midi = namer.Section("MIDI ModMatrix #1", true);  // section 2, hidden
  EXPECT_EQ(midi->Name, "*MIDIModMatrix1");
  EXPECT_EQ(midi->SectionID, 2);
  // a hidden control built after the hidden section takes its name and number
  EXPECT_EQ(namer.Control("Source", true)->Name, "MIDIModMatrix1.Source");
  EXPECT_EQ(namer.Control("Source", true)->SectionID, 2);
  // a primary control still belongs to the last primary section
  EXPECT_EQ(namer.Control("Amount", false)->Name, "ModMatrix16.Amount");
  EXPECT_EQ(namer.Control("Amount", false)->SectionID, 1);
  // a new primary section ends the hidden one's reach over numbers
  namer.Section("Delay #1", false);  // section 3
  EXPECT_EQ(namer.Control("Wet", true)->SectionID, 3);
  EXPECT_EQ(namer.Control("Wet", true)->Name, "Delay1.Wet");
}

TEST(ParamNamer, WithoutCaptionNoEntry) {
  TParamNamer namer;
  namer.Section("Osc #1", false);
  EXPECT_FALSE(namer.Section("", false));  // the patch name header
  EXPECT_FALSE(namer.Control("", false));
  // the header without caption is still the last section: its name is empty, its number unset
  EXPECT_EQ(namer.Control("Level", false)->Name, ".Level");
  EXPECT_EQ(namer.Control("Level", false)->SectionID, 1);
  EXPECT_EQ(namer.Section("Osc #2", false)->SectionID, 2);
}

struct TFakeControl {
  int id;
};

TEST(HostParamList, HiddenEntriesJoinTheEndWhenFlushed) {
  THostParamList<TFakeControl> list;
  TFakeControl freeRun{1}, sampleLoop{2}, semitone{3};
  list.Add("*Osc1", nullptr, false);
  list.Add("Osc1.FreeRun", &freeRun, false);
  list.Add("Osc1.SampleLoop", &sampleLoop, true);
  list.Add("Osc1.Semitone", &semitone, false);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.StagedCount(), 1);
  list.FlushHiddenParams();
  list.FlushHiddenParams();  // the second moves nothing
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.StagedCount(), 0);

  const std::vector<std::string> names = {"Extended", "*Osc1", "Osc1.FreeRun", "Osc1.Semitone",
                                          "Osc1.SampleLoop"};
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Name(i, true, false), names[i]) << i;
  EXPECT_EQ(list.Find(4, true)->Object, &sampleLoop);
  EXPECT_EQ(list.Find(0, true)->Object, nullptr);
  EXPECT_EQ(list.Find(1, true)->Object, nullptr);
  EXPECT_EQ(list.Name(2, true, true), "FreeRun");
  EXPECT_EQ(list.Name(1, true, true), "*Osc1");
}

TEST(HostParamList, OutOfRangeOrWithoutAutomationIsUnknown) {
  THostParamList<TFakeControl> list;
  for (int index : {-1, 1, 443, -2147483647 - 1}) {
    EXPECT_EQ(list.Find(index, true), nullptr) << index;
    EXPECT_EQ(list.Name(index, true, false), "?") << index;
  }
  EXPECT_EQ(list.Find(0, false), nullptr);
  EXPECT_EQ(list.Name(0, false, false), "?");
  EXPECT_EQ(list.Name(0, true, false), "Extended");
}

// The four pages' sections and controls in their build order, as far as names go: the list has
// its 443 entries, and the hidden layer's entries land where each flush puts them.
class PagesNaming : public ::testing::Test {
 protected:
  testing::PageParamNames pages;
  const THostParamList<testing::PageParamNames::Control>& list = pages.list;
};

TEST_F(PagesNaming, EntriesLandInHostOrder) {
  EXPECT_EQ(list.Count(), 443);
  EXPECT_EQ(list.StagedCount(), 0);
  const std::pair<int, const char*> names[] = {
      {0, "Extended"},        {1, "*Osc1"},           {2, "Osc1.FreeRun"},
      {15, "Osc1.Balance12"}, {19, "Osc1.SampleLevel"}, {77, "*Sound"},
      {81, "*Voice"},         {86, "Sound.SampleFilter"}, {89, "Voice.Velocity"},
      {90, "*Filter1"},       {150, "*LFO1"},         {190, "*Env1"},
      {215, "*Env2"},         {289, "Env4Amp.Declick"}, {290, "*ModMatrix1"},
      {293, "ModMatrix1.Amount"}, {353, "ModMatrix16.Amount"}, {354, "*MIDIModMatrix1"},
      {355, "MIDIModMatrix1.Source"}, {417, "MIDIModMatrix16.Amount"}, {418, "*Delay1"},
      {430, "*Delay2"},       {442, "Delay2.Mix"},
  };
  for (const auto& [index, name] : names) EXPECT_EQ(list.Name(index, true, false), name) << index;
  EXPECT_EQ(list.Name(2, true, true), "FreeRun");
  EXPECT_EQ(list.Name(1, true, true), "*Osc1");
  EXPECT_EQ(list.Name(443, true, false), "?");
  size_t longest = 0;
  for (int i = 0; i < list.Count(); ++i) longest = std::max(longest, list.Name(i, true, false).size());
  EXPECT_EQ(longest, 27u);
}

}  // namespace
}  // namespace brelix
