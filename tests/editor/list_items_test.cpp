// Option list items from their text: reserved lines, audio-only entries, explicit and running
// value numbers, sorting, and looking an item up by its number.
#include <gtest/gtest.h>

#include "toolkit/list_items.h"

namespace brelix {
namespace {

TEST(ListItems, NumberingRules) {
  struct Case {
    const char* what;
    const char* text;
    bool audioOnly;
    TListItems items;
  };
  const Case cases[] = {
      {"plain lines take their positions", "Lowpass\nHighpass\nBandpass", false,
       {{"Lowpass", 0}, {"Highpass", 1}, {"Bandpass", 2}}},
      {"a reserved line keeps its position", "A\n_B\nC", false, {{"A", 0}, {"C", 2}}},
      {"running numbers after a #", "X#5\nY\nZ#9\nW", false,
       {{"X", 5}, {"Y", 6}, {"Z", 9}, {"W", 10}}},
      {"a reserved # line changes no number", "PitchFollow#27\n_Reserved#28\nVelocity#29", false,
       {{"PitchFollow", 27}, {"Velocity", 29}}},
      {"a reserved line after a # does not advance", "X#5\n_R\nY", false, {{"X", 5}, {"Y", 6}}},
      {"lines before the first # keep their positions", "A\nB\nC#20\nD", false,
       {{"A", 0}, {"B", 1}, {"C", 20}, {"D", 21}}},
      {"numbers may go down", "A#10\nB#3\nC", false, {{"A", 10}, {"B", 3}, {"C", 4}}},
      {"- lines stay, without the -", "Off\n-Sample\nNoise", false,
       {{"Off", 0}, {"Sample", 1}, {"Noise", 2}}},
      {"- lines leave audio-only lists", "Off\n-Sample\nNoise", true, {{"Off", 0}, {"Noise", 2}}},
      {"a - line with a number sets the running number", "A\n-B#7\nC", false,
       {{"A", 0}, {"B", 7}, {"C", 8}}},
      {"an audio-only list skips its number too", "A#1\n-B#7\nC", true, {{"A", 1}, {"C", 2}}},
      {"the text ends at the first #", "Key#3\nMod#Wheel#4\nNext", false,
       {{"Key", 3}, {"Mod", 4}, {"Next", 5}}},
      {"a # without a number numbers the line as plain", "A\nB#x\nC#\nD#4#5\nE#+6\nF# 7", false,
       {{"A", 0}, {"B", 1}, {"C", 2}, {"D", 3}, {"E", 4}, {"F", 5}}},
      {"negative and oversized numbers are not numbers", "A#-3\nB#4294967296\nC#4294967295", false,
       {{"A", 0}, {"B", 1}, {"C", 4294967295u}}},
      {"CR LF and CR end lines; a final break adds none", "A\r\nB\rC\n", false,
       {{"A", 0}, {"B", 1}, {"C", 2}}},
      {"empty lines are items", "A\n\nC", false, {{"A", 0}, {"", 1}, {"C", 2}}},
      {"an empty text has no items", "", false, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildListItems(c.text, c.audioOnly, false), c.items) << c.what;
}

TEST(ListItems, SortingKeepsEachNumberWithItsItem) {
  const TListItems sorted = BuildListItems("saw\nPulse\nSine#7\nnoise\nsaw", false, true);
  const TListItems expected = {{"noise", 8}, {"Pulse", 1}, {"saw", 0}, {"saw", 9}, {"Sine", 7}};
  EXPECT_EQ(sorted, expected);
}

TEST(ListItems, FindsTheFirstItemCarryingANumber) {
  const TListItems items = BuildListItems("X#5\nY\nZ#5\nW", false, false);
  EXPECT_EQ(FindListValue(items, 5), 0);
  EXPECT_EQ(FindListValue(items, 6), 1);
  EXPECT_EQ(FindListValue(items, 3), -1);
  EXPECT_EQ(FindListValue({}, 0), -1);
}

}  // namespace
}  // namespace brelix
