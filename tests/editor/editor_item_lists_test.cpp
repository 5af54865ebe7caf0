// The editor's option lists: each item carries the number the engine reads for it, and the lists
// that name engine tables have one item per table entry.
#include <gtest/gtest.h>

#include <utility>

#include "editor/editor_item_lists.h"
#include "toolkit/list_items.h"
#include "synth/shown_values.h"
#include "engine/filter.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_sources.h"

namespace brelix {
namespace {

uint32_t ValueOf(const TListItems& items, const std::string& text) {
  for (const TListItem& item : items)
    if (item.Text == text) return item.Value;
  ADD_FAILURE() << "no item " << text;
  return 0;
}

TEST(EditorItemLists, SourcesCarryTheEngineNumbers) {
  const TListItems items = BuildListItems(BuildEditorItemLists().ModSources, false, false);
  const std::pair<const char*, uint32_t> cases[] = {
      {"None", 0},           {"LFO1", 1},          {"Env4 [AmpEG]", 8},    {"LFO4*Pressure", 16},
      {"Env4*Pressure", 24}, {"PitchFollow", 27},  {"Velocity", 29},       {"ReleaseVel", 30},
      {"ModMatrix1", 31},    {"ModMatrix16", 46},  {"Constant", 65535},    {"CC0", 48},
      {"CC1 ModWheel", 49},  {"CC2", 50},          {"CC127", 175},         {"PitchBend", 176},
      {"Aftertouch/Pressure", 177},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ValueOf(items, text), value) << text;
  EXPECT_EQ(FindListValue(items, 28), -1);  // the reserved source has no item
  EXPECT_EQ(FindListValue(items, 47), -1);  // nor the old files' constant
  EXPECT_EQ(items.size(), 177u);

  // Every item, stored as the patch stores it, is a source the engine resolves, and shows as
  // the same item again.
  for (const TListItem& item : items) {
    const int32_t stored = static_cast<int32_t>(ModSourceStored(item.Value));
    EXPECT_TRUE(stored == kModSourceConstant ||
                (stored >= kModSourceLowest && stored < kModSourceTableSize - 1))
        << item.Text << " stored as " << stored;
    EXPECT_EQ(ModSourceShown(static_cast<uint32_t>(stored)), item.Value) << item.Text;
  }
  EXPECT_EQ(static_cast<int32_t>(ModSourceStored(ValueOf(items, "Aftertouch/Pressure"))),
            kModSourceLowest);
}

TEST(EditorItemLists, DestinationsNumberTheirLinesAndEndWithVoid) {
  const TListItems items = BuildListItems(BuildEditorItemLists().ModDestinations, false, false);
  ASSERT_EQ(items.size(), static_cast<size_t>(kModDestTableSize));
  for (size_t i = 0; i + 1 < items.size(); ++i) EXPECT_EQ(items[i].Value, i) << items[i].Text;
  const std::pair<const char*, uint32_t> cases[] = {
      {"None", 0},           {"Osc4Pitch", 4},      {"Osc3Mix34", 11},     {"Filter1Cutoff", 13},
      {"Filter4Qompensate", 28}, {"Noise4Mix", 40}, {"Env4Rate", 48},      {"Osc1PW", 49},
      {"Osc4SawSigma2", 72}, {"Pitch", 73},         {"Volume", 74},        {"SampleOsc4Level", 78},
      {"Void", static_cast<uint32_t>(kModDestVoid)},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ValueOf(items, text), value) << text;
}

TEST(EditorItemLists, EngineTableListsHaveOneItemPerEntry) {
  const TEditorItemLists lists = BuildEditorItemLists();
  struct Case {
    const char* what;
    const std::string& text;
    size_t count;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"filter types", lists.FilterTypes, kFilterTypeCount, "LowPass4", "Bypass"},
      {"LFO shapes", lists.LfoShapes, kLfoShapeCount, "Sine", "Tanh"},
      {"envelope curves", lists.EnvCurves, kEnvCurveCount, "Linear", "Tanh"},
      {"envelope stages", lists.EnvStages, kEnvStepLastItem + 1, "Stage0 [A]", "Stop/End"},
      {"curve names", lists.CurveNames, 20, "Log1", "Exp10"},
  };
  for (const Case& c : cases) {
    const TListItems items = BuildListItems(c.text, false, false);
    ASSERT_EQ(items.size(), c.count) << c.what;
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].Value, i) << c.what;
    EXPECT_EQ(items.front().Text, c.first) << c.what;
    EXPECT_EQ(items.back().Text, c.last) << c.what;
  }
  // the curves sit at the same places in both lists that use them
  EXPECT_EQ(ValueOf(BuildListItems(lists.LfoShapes, false, false), "Exp10"), 23u);
  EXPECT_EQ(ValueOf(BuildListItems(lists.EnvCurves, false, false), "Log1"), 1u);
}

}  // namespace
}  // namespace brelix
