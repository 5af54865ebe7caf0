// The fields that the controls show in another form than the patch stores: source numbers with
// their negative controllers, envelope steps as target stages, LFO quantisation masks and the
// delay routing switch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "synth/shown_values.h"

namespace brelix {
namespace {

uint32_t Word(int32_t v) { return static_cast<uint32_t>(v); }

TEST(ShownValues, SourceItemsAndStoredSourcesMapBothWays) {
  struct Case {
    const char* item_name;
    uint32_t item;
    uint32_t stored;
  };
  const Case cases[] = {
      {"None", 0, 0},
      {"LFO1", 1, 1},
      {"ModMatrix16", 46, 46},
      {"CC0", 48, Word(-1)},
      {"CC1 ModWheel", 49, Word(-2)},
      {"CC127", 175, Word(-128)},
      {"PitchBend", 176, Word(-129)},
      {"Aftertouch/Pressure", 177, Word(-130)},
      {"Constant", 65535, 65535},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModSourceStored(c.item), c.stored) << c.item_name;
    EXPECT_EQ(ModSourceShown(c.stored), c.item) << c.item_name;
  }
  // The old "Constant" of earlier files is shown as it is; so is a number no list item carries,
  // and storing it changes nothing (the list shows it as unknown).
  EXPECT_EQ(ModSourceShown(47), 47u);
  EXPECT_EQ(ModSourceStored(47), 47u);
  EXPECT_EQ(ModSourceShown(70000), 70000u);
  EXPECT_EQ(ModSourceStored(70000), 70000u);
  // A stored source below the controllers shows as a number beyond the list.
  EXPECT_EQ(ModSourceShown(Word(-200)), 247u);
}

TEST(ShownValues, StepListsShowTheTargetStageAndStoreTheDistance) {
  struct Case {
    int32_t stage;
    int32_t field;
    uint32_t shown;
  };
  const Case cases[] = {
      {0, 16, 1},   // the default: on to the next stage
      {2, 0, 2},    // a held sustain
      {2, -32, 0},  // back to the attack
      {2, 48, 5},   // "Stop/End"
      {4, 16, 5},
      {1, -7, 1},   // a field that is no multiple of 16 divides toward zero
  };
  for (const Case& c : cases) EXPECT_EQ(EnvStepShown(c.stage, c.field), c.shown) << c.stage << " " << c.field;

  EXPECT_EQ(EnvStepStored(2, 5), 48);   // "Stop/End" chosen in stage 2
  EXPECT_EQ(EnvStepStored(2, 0), -32);
  EXPECT_EQ(EnvStepStored(4, 4), 0);
  // A number beyond the list leads to "Stop/End" and never overflows.
  EXPECT_EQ(EnvStepStored(1, 9), 64);
  EXPECT_EQ(EnvStepStored(0, 0xFFFFFFFFu), 80);
}

TEST(ShownValues, QuantizeShowsTheStepsTakenAway) {
  EXPECT_EQ(LfoQuantizeStored(0), 8191u);  // no quantisation
  EXPECT_EQ(LfoQuantizeShown(8191), 0u);
  EXPECT_EQ(LfoQuantizeStored(4095), 4096u);
  EXPECT_EQ(LfoQuantizeShown(4096), 4095u);
  EXPECT_EQ(LfoQuantizeStored(8191), 0u);
  // The bit above the mask passes through; the shown value ignores it.
  EXPECT_EQ(LfoQuantizeStored(8192), 8191u | 8192u);
  EXPECT_EQ(LfoQuantizeShown(8191u | 8192u), 0u);
}

TEST(ShownValues, SerialIsOnForAnyRoutingButZero) {
  EXPECT_FALSE(DelayRoutingShown(0.0f));
  EXPECT_FALSE(DelayRoutingShown(-0.0f));
  EXPECT_TRUE(DelayRoutingShown(1.0f));
  EXPECT_TRUE(DelayRoutingShown(0.5f));
  EXPECT_EQ(DelayRoutingStored(true), 1.0f);
  EXPECT_EQ(DelayRoutingStored(false), 0.0f);
}

}  // namespace
}  // namespace brelix
