#include "modulation/mod_matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstring>
#include <vector>

#include "modulation/mod_sources.h"
#include "support/engine_fixture.h"

namespace brelix {
namespace {

using testing::EngineFixture;

constexpr int32_t kLfo1 = 1, kLfo2 = 2, kEnv1 = 5;
constexpr int32_t kFilter1Cutoff = 13, kFilter2Cutoff = 14, kNoise3Mix = 39, kPitch = 73, kVolume = 74;
constexpr int32_t CC(int controller) { return -controller - 1; }
constexpr int32_t kPitchBend = -129, kPressure = -130;

class ModMatrixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ModTablesInit();
    p.VolumeModSource = kModSourceEnv4;
    p.VolumeModAmount = 1.0f;
  }

  // Slot 1..16 of matrix m.
  void Route(TModMatrix m, int slot, int32_t source, int32_t dest, float amount) {
    const int row = (slot - 1) / 4, lane = (slot - 1) % 4;
    QWord* src = m == TModMatrix::Patch ? p.ModSource : p.MidiModSource;
    QWord* dst = m == TModMatrix::Patch ? p.ModDest : p.MidiModDest;
    QSingle* amt = m == TModMatrix::Patch ? p.ModAmount : p.MidiModAmount;
    src[row].lanes()[lane] = static_cast<uint32_t>(source);
    dst[row].lanes()[lane] = static_cast<uint32_t>(dest);
    amt[row].lanes()[lane] = amount;
  }
  void Route(int slot, int32_t source, int32_t dest, float amount) { Route(TModMatrix::Patch, slot, source, dest, amount); }

  // What a patch load does: derived flags, then every voice's pointers.
  void Prepare(XPatchWork& voice) {
    ModMatrixPatchRecalculate(p);
    VoiceModPointers(p, voice);
  }
  void Prepare() { Prepare(w); }

  void Tick() { ModMatrixCalculate(*engine.sw, p, w); }
  void MidiTick() { MidiModMatrixCalculate(*engine.sw, p, w); }

  const uint8_t* Base() const { return engine.memory.GlobalStart; }
  const uint8_t* Addressed(uint32_t offset) const { return Base() + offset; }
  static const uint8_t* Bytes(const void* field) { return static_cast<const uint8_t*>(field); }

  EngineFixture engine;
  XPatch& p = *engine.patch;
  XPatchWork& w = *engine.work;
};

// ---- encodings --------------------------------------------------------------------------------------

TEST_F(ModMatrixTest, SourceIndicesAddressTheirFields) {
  struct Case {
    int32_t index;
    const float* field;
  };
  const float* zero = engine.sw->S0.lanes();
  const float* one = engine.sw->S1.lanes();
  const std::vector<Case> cases = {
      {0, zero},                              // "None"
      {1, &w.LfoValue.lanes()[0]},            // "LFO1"
      {4, &w.LfoValue.lanes()[3]},            // "LFO4"
      {5, &w.EnvValue.lanes()[0]},            // "Env1"
      {8, &w.EnvValue.lanes()[3]},            // "Env4 [AmpEG]"
      {9, &w.LfoModwheel.lanes()[0]},         // "LFO1*MW"
      {12, &w.LfoModwheel.lanes()[3]},
      {13, &w.LfoPressure.lanes()[0]},        // "LFO1*Pressure"
      {16, &w.LfoPressure.lanes()[3]},
      {17, &w.EnvModwheel.lanes()[0]},        // "Env1*MW"
      {20, &w.EnvModwheel.lanes()[3]},
      {21, &w.EnvPressure.lanes()[0]},        // "Env1*Pressure"
      {24, &w.EnvPressure.lanes()[3]},
      {25, &w.KeyFollow},
      {26, &w.KeyTrack},
      {27, &w.PitchFollow},
      {28, zero},                             // "_Reserved"
      {29, &w.Velocity},
      {30, &w.Relocity},                      // "ReleaseVel"
      {31, &w.ModValue[0].lanes()[0]},        // "ModMatrix1"
      {34, &w.ModValue[0].lanes()[3]},        // "ModMatrix4"
      {35, &w.ModValue[1].lanes()[0]},        // "ModMatrix5"
      {46, &w.ModValue[3].lanes()[3]},        // "ModMatrix16"
      {65535, one},                           // "Constant"
      {47, one},                              // "Constant" as older files hold it
      {CC(0), &p.ControlValue[0]},
      {CC(1), &p.ControlValue[1]},           // "CC1 ModWheel"
      {CC(127), &p.ControlValue[127]},
      {kPitchBend, &p.ControlValue[128]},
      {kPressure, &p.ControlValue[129]},
      // Indices no list offers, possible only from a file: all read the constant 0.0.
      {-131, zero},
      {INT32_MIN, zero},
      {48, zero},
      {65534, zero},
      {65536, zero},
      {INT32_MAX, zero},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(Addressed(ResolveModSource(p, w, c.index)), Bytes(c.field));
  }
  EXPECT_EQ(ResolveModSource(p, w, 0), 0u);  // offset 0 is the zero of the constant block
  EXPECT_EQ(ModSourceValue(*engine.sw, ResolveModSource(p, w, 65535)), 1.0f);
}

TEST_F(ModMatrixTest, DestinationIndicesAddressTheirFieldLanes) {
  struct Group {
    int32_t first;
    const QSingle* field;  // destinations first..first+3 are its lanes 1..4
  };
  const std::vector<Group> groups = {
      {1, &w.AuxOscPitchMod},       {5, &w.AuxOscLevelMod},      {9, &w.AuxOscMixMod},
      {13, &w.FilterCutoffMod},     {17, &w.FilterResoMod},      {21, &w.FilterGainMod},
      {25, &w.FilterQompensateMod}, {29, &w.FilterLevelMod},     {33, &w.FilterPanMod},
      {37, &w.NoiseMixMod},         {41, &w.LfoRateMod},         {45, &w.EnvRateMod},
      {49, &w.AuxOscPWMod},         {53, &w.AuxOscSyncMod},      {57, &w.AuxOscMorphMod},
      {61, &w.AuxOscSawShapeMod},   {65, &w.AuxOscSawSigma1Mod}, {69, &w.AuxOscSawSigma2Mod},
      {75, &w.SampleOscLevelMod},
  };
  for (const Group& g : groups)
    for (int lane = 0; lane < 4; ++lane) {
      SCOPED_TRACE(g.first + lane);
      EXPECT_EQ(Addressed(ResolveModDest(p, w, g.first + lane)), Bytes(&g.field->lanes()[lane]));
    }
  EXPECT_EQ(Addressed(ResolveModDest(p, w, kNoise3Mix)), Bytes(&w.NoiseMixMod.lanes()[2]));
  EXPECT_EQ(Addressed(ResolveModDest(p, w, kPitch)), Bytes(&w.PitchMod));
  EXPECT_EQ(Addressed(ResolveModDest(p, w, kVolume)), Bytes(&w.VolumeMod));

  // "None", "Void" (both encodings) and every index outside 1..78 land on Void.
  for (int32_t d : {0, 79, 65535, -1, INT32_MIN, 80, 65534, 65536, INT32_MAX}) {
    SCOPED_TRACE(d);
    EXPECT_EQ(Addressed(ResolveModDest(p, w, d)), Bytes(&w.Void));
  }
}

TEST_F(ModMatrixTest, EachVoiceIsRoutedInsideItsOwnRecord) {
  XPatchWork& w2 = *engine.memory.AllocRecord<XPatchWork>();
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Prepare(w);
  Prepare(w2);
  w.LfoValue = QSingle::splat(0.25f);
  w2.LfoValue = QSingle::splat(0.75f);
  ModMatrixCalculate(*engine.sw, p, w);
  ModMatrixCalculate(*engine.sw, p, w2);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.25f);
  EXPECT_EQ(w2.FilterCutoffMod.lanes()[0], 0.75f);
}

// ---- row flags and counts -------------------------------------------------------------------------

TEST_F(ModMatrixTest, RowFlagsAndCountFollowTheDestinations) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int32_t>> dests;  // slot, destination
    uint32_t rows[4];
    int32_t count;
  };
  const std::vector<Case> cases = {
      {"nothing routed", {}, {0, 0, 0, 0}, 0},
      {"row 0 only", {{1, kFilter1Cutoff}}, {1, 0, 0, 0}, 0},
      {"Void sets its row", {{6, kModDestVoid}}, {0, 1, 0, 0}, 4},
      {"slot 16", {{16, 1}}, {0, 0, 0, 1}, 12},
      {"rows 0 and 2", {{3, 1}, {10, 1}}, {1, 0, 1, 0}, 8},
      {"stray file index", {{9, -5}}, {0, 0, 1, 0}, 8},
  };
  for (TModMatrix m : {TModMatrix::Patch, TModMatrix::Midi}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      EngineFixture fresh;
      XPatch& q = *fresh.patch;
      for (auto [slot, dest] : c.dests) {
        const int row = (slot - 1) / 4, lane = (slot - 1) % 4;
        (m == TModMatrix::Patch ? q.ModDest : q.MidiModDest)[row].lanes()[lane] = static_cast<uint32_t>(dest);
      }
      ModMatrixPatchRecalculate(q);
      const uint32_t* on = m == TModMatrix::Patch ? q.ModSlotOn : q.MidiModSlotOn;
      const uint32_t* other = m == TModMatrix::Patch ? q.MidiModSlotOn : q.ModSlotOn;
      for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(on[row] != 0, c.rows[row] != 0) << "row " << row;
        EXPECT_EQ(other[row], 0u);
      }
      EXPECT_EQ(m == TModMatrix::Patch ? q.ModMatrixCount : q.MidiModMatrixCount, c.count);
      EXPECT_EQ(m == TModMatrix::Patch ? q.MidiModMatrixCount : q.ModMatrixCount, 0);
    }
  }
}

TEST_F(ModMatrixTest, EditorRowRecalculationSetsAndClearsOneRow) {
  Route(6, kLfo1, kFilter1Cutoff, 1.0f);
  ModMatrixPatchRecalculate(p);
  ASSERT_EQ(p.ModMatrixCount, 4);

  Route(16, kLfo1, kPitch, 1.0f);
  ModMatrixRowRecalculate(p, TModMatrix::Patch, 3);
  EXPECT_NE(p.ModSlotOn[3], 0u);
  EXPECT_EQ(p.ModMatrixCount, 12);

  Route(16, kLfo1, kModDestNone, 1.0f);
  ModMatrixRowRecalculate(p, TModMatrix::Patch, 3);
  EXPECT_EQ(p.ModSlotOn[3], 0u);
  EXPECT_EQ(p.ModMatrixCount, 4);
  EXPECT_EQ(p.MidiModMatrixCount, 0);
}

// ---- evaluation -----------------------------------------------------------------------------------

TEST_F(ModMatrixTest, VoidSlotRunsButChangesOnlyVoid_NoneRowNeverRuns) {
  Route(1, kLfo1, kModDestVoid, 2.0f);
  for (int slot = 5; slot <= 8; ++slot) Route(slot, kLfo1, kModDestNone, 1.0f);  // row 1: all "None"
  Route(9, kModSourceNone, kModDestVoid, 1.0f);  // row 2 keeps row 1 inside the visited range
  Prepare();
  ASSERT_EQ(p.ModSlotOn[1], 0u);
  ASSERT_EQ(p.ModMatrixCount, 8);
  w.LfoValue = QSingle::splat(0.375f);

  XPatchWork before;
  std::memcpy(&before, &w, sizeof before);
  Tick();

  EXPECT_EQ(w.Void, 0.75f);
  EXPECT_EQ(w.ModValue[0].lanes()[0], 0.75f);
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(w.ModValue[1].lanes()[lane], 0.0f);
  // Nothing else in the voice moved.
  XPatchWork after;
  std::memcpy(&after, &w, sizeof after);
  after.Void = before.Void;
  after.ModValue[0] = before.ModValue[0];
  EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

TEST_F(ModMatrixTest, RowsBeyondTheCountAreNotVisited) {
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Route(9, kLfo1, kFilter2Cutoff, 1.0f);
  Prepare();
  p.ModMatrixCount = 4;  // as if row 2 were unused: only rows 0 and 1 are visited
  w.LfoValue = QSingle::splat(0.5f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.5f);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);
  EXPECT_EQ(w.ModValue[2].lanes()[0], 0.0f);
}

// Slots sharing one destination, evaluated tick after tick against a scalar replay of the same
// single-precision steps (x = source * amount, d = x - previous x, destination += d, slots in row
// and lane order).
TEST_F(ModMatrixTest, SlotsSharingADestinationSumTheirCurrentContributions) {
  Route(1, kLfo1, kFilter1Cutoff, 0.5f);
  Route(2, kLfo1, kFilter1Cutoff, 0.5f);  // same row as slot 1
  Route(11, kLfo2, kFilter1Cutoff, -0.3f);
  Route(TModMatrix::Midi, 4, CC(1), kFilter1Cutoff, 0.7f);
  Prepare();

  float dest = 0.0f, x1 = 0.0f, x2 = 0.0f, x11 = 0.0f, xm = 0.0f;
  auto add = [&dest](float& prev, float source, float amount) {
    const float x = source * amount;
    const float d = x - prev;
    prev = x;
    dest = dest + d;
  };
  const float lfo1[] = {0.1f, 0.93f, -0.41f, 0.77f, -1.0f, 0.333f};
  const float lfo2[] = {0.6f, -0.2f, 0.45f, 0.05f, 0.9f, -0.8f};
  const float wheel[] = {0.0f, 0.5f, 0.5f, 1.0f, 0.125f, 0.0f};
  for (int t = 0; t < 6; ++t) {
    SCOPED_TRACE(t);
    w.LfoValue = QSingle::of(lfo1[t], lfo2[t], 0.0f, 0.0f);
    p.ControlValue[1] = wheel[t];
    MidiTick();
    add(xm, wheel[t], 0.7f);
    Tick();
    add(x1, lfo1[t], 0.5f);
    add(x2, lfo1[t], 0.5f);
    add(x11, lfo2[t], -0.3f);
    EXPECT_EQ(w.FilterCutoffMod.lanes()[0], dest);
    EXPECT_NEAR(w.FilterCutoffMod.lanes()[0], lfo1[t] * 1.0 + lfo2[t] * -0.3 + wheel[t] * 0.7, 1e-6);
    EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);
  }
}

TEST_F(ModMatrixTest, ReaimingAPlayingSlotMovesItsShareAtOnce) {
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Route(2, kLfo1, kFilter1Cutoff, 0.5f);
  Prepare();
  w.LfoValue = QSingle::splat(0.625f);
  Tick();
  ASSERT_EQ(w.FilterCutoffMod.lanes()[0], 0.9375f);

  // The editor's destination edit, bracketed: release, re-resolve, row flag and count.
  Route(1, kLfo1, kFilter2Cutoff, 1.0f);
  VoiceModSlotDest(p, w, TModMatrix::Patch, 0);
  ModMatrixRowRecalculate(p, TModMatrix::Patch, 0);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.3125f);  // slot 2's share stays
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);     // not before the next tick
  EXPECT_EQ(w.ModValue[0].lanes()[0], 0.0f);

  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.3125f);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.625f);  // the full contribution

  // A source edit needs no release: the next tick adds the difference where the slot points.
  w.EnvValue = QSingle::splat(0.25f);
  Route(1, kEnv1, kFilter2Cutoff, 1.0f);
  VoiceModSlotSource(p, w, TModMatrix::Patch, 0);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.625f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.25f);

  // Aimed at "None": the share leaves, the row stays on for slot 2.
  Route(1, kEnv1, kModDestNone, 1.0f);
  VoiceModSlotDest(p, w, TModMatrix::Patch, 0);
  ModMatrixRowRecalculate(p, TModMatrix::Patch, 0);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.3125f);
}

TEST_F(ModMatrixTest, ReaimingAMidiSlotReleasesItsShare) {
  Route(TModMatrix::Midi, 1, CC(1), kFilter1Cutoff, 1.0f);
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Prepare();
  p.ControlValue[1] = 0.5f;
  w.LfoValue = QSingle::splat(0.25f);
  MidiTick();
  Tick();
  ASSERT_EQ(w.FilterCutoffMod.lanes()[0], 0.75f);

  Route(TModMatrix::Midi, 1, CC(1), kPitch, 1.0f);
  VoiceModSlotDest(p, w, TModMatrix::Midi, 0);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.25f);
  EXPECT_EQ(w.PitchMod, 0.0f);
  MidiTick();
  EXPECT_EQ(w.PitchMod, 0.5f);
}

TEST_F(ModMatrixTest, PatchLoadReinitialisationReleasesOldDestinations) {
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Prepare();
  w.LfoValue = QSingle::splat(0.5f);
  Tick();
  Route(1, kLfo1, kFilter2Cutoff, 1.0f);
  Prepare();  // without clearing the record first
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.0f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.5f);
}

// Slot 5 (row 1) reads slot 1 (row 0): this tick's value. Slot 2 (row 0) reads slot 5: the
// previous tick's.
TEST_F(ModMatrixTest, EarlierRowsAreSeenThisTickLaterRowsLastTick) {
  Route(1, kLfo1, kModDestVoid, 1.0f);
  Route(5, kModSourceModMatrix1, kFilter1Cutoff, 1.0f);   // "ModMatrix1"
  Route(2, kModSourceModMatrix1 + 4, kFilter2Cutoff, 1.0f);  // "ModMatrix5"
  Prepare();

  w.LfoValue = QSingle::splat(0.25f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.25f);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.0f);

  w.LfoValue = QSingle::splat(0.5f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.5f);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.25f);

  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[1], 0.5f);
}

TEST_F(ModMatrixTest, ConstantAndVoidInBothEncodings) {
  Route(1, kModSourceConstant, kPitch, 0.5f);
  Route(2, kModSourceConstantOld, kVolume, 0.25f);  // a file's 47
  Route(3, kModSourceConstant, kModDestVoidOld, 1.0f);  // a file's 79
  Route(4, kModSourceConstant, kModDestVoid, 2.0f);
  Prepare();
  Tick();
  EXPECT_EQ(w.PitchMod, 0.5f);
  EXPECT_EQ(w.VolumeMod, 0.25f);
  EXPECT_EQ(w.Void, 3.0f);
}

TEST_F(ModMatrixTest, StrayFileIndicesReadZeroAndWriteVoid) {
  Route(1, INT32_MIN, kFilter1Cutoff, 1.0f);
  Route(2, -131, kFilter1Cutoff, 1.0f);
  Route(3, kModSourceConstant, 80, 1.0f);
  Route(4, kModSourceConstant, INT32_MIN, 1.0f);
  Prepare();
  std::fill(std::begin(p.ControlValue), std::end(p.ControlValue), 1.0f);
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.0f);
  EXPECT_EQ(w.Void, 2.0f);
}

// "Noise3Mix" is lane 3 of the noise mix modulation, and nothing else.
TEST_F(ModMatrixTest, Noise3MixModulatesLaneThreeOnly) {
  Route(1, kModSourceConstant, kNoise3Mix, 0.5f);
  Prepare();
  Tick();
  EXPECT_EQ(w.NoiseMixMod.lanes()[0], 0.0f);
  EXPECT_EQ(w.NoiseMixMod.lanes()[1], 0.0f);
  EXPECT_EQ(w.NoiseMixMod.lanes()[2], 0.5f);
  EXPECT_EQ(w.NoiseMixMod.lanes()[3], 0.0f);
}

TEST_F(ModMatrixTest, MidiMatrixReadsThePatchControllers) {
  Route(TModMatrix::Midi, 1, CC(1), kFilter1Cutoff, 1.0f);
  Route(TModMatrix::Midi, 2, kPitchBend, kPitch, 2.0f);
  Route(TModMatrix::Midi, 7, kPressure, kVolume, -1.0f);  // row 1
  Prepare();
  EXPECT_EQ(p.MidiModMatrixCount, 4);
  p.ControlValue[1] = 0.5f;
  p.ControlValue[128] = -0.25f;
  p.ControlValue[129] = 0.75f;

  Tick();  // the patch matrix leaves MIDI slots alone
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.0f);

  MidiTick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.5f);
  EXPECT_EQ(w.PitchMod, -0.5f);
  EXPECT_EQ(w.VolumeMod, -0.75f);

  p.ControlValue[1] = 0.125f;  // a mod-wheel move shows at the next pass
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.5f);
  MidiTick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.125f);
}

TEST_F(ModMatrixTest, NoteOnClearsEveryDestinationAndContribution) {
  Route(1, kLfo1, kFilter1Cutoff, 1.0f);
  Route(16, kModSourceConstant, kPitch, 1.0f);
  Route(TModMatrix::Midi, 5, CC(1), kFilter1Cutoff, 1.0f);
  Route(TModMatrix::Midi, 6, kModSourceConstant, kVolume, 0.5f);
  Prepare();
  p.ControlValue[1] = 1.0f;
  w.LfoValue = QSingle::splat(0.5f);
  MidiTick();
  Tick();
  ASSERT_EQ(w.FilterCutoffMod.lanes()[0], 1.5f);
  w.FilterVelocityMod = QSingle::splat(0.8f);  // note-on values that are not destinations
  w.VolumeVelocityMod = 0.6f;

  ModMatrixNoteOn(*engine.sw, p, w);
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.0f);
  EXPECT_EQ(w.PitchMod, 0.0f);
  EXPECT_EQ(w.VolumeMod, 0.0f);
  EXPECT_EQ(w.Void, 0.0f);
  for (int row = 0; row < 4; ++row)
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(w.ModValue[row].lanes()[lane], 0.0f);
      EXPECT_EQ(w.MidiModValue[row].lanes()[lane], 0.0f);
    }
  EXPECT_EQ(w.FilterVelocityMod.lanes()[0], 0.8f);
  EXPECT_EQ(w.VolumeVelocityMod, 0.6f);

  // The patch matrix refills at the next tick; the MIDI share waits for its next pass.
  Tick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 0.5f);
  EXPECT_EQ(w.PitchMod, 1.0f);
  EXPECT_EQ(w.VolumeMod, 0.0f);
  MidiTick();
  EXPECT_EQ(w.FilterCutoffMod.lanes()[0], 1.5f);
  EXPECT_EQ(w.VolumeMod, 0.5f);
}

// ---- amplitude source -------------------------------------------------------------------------------

TEST_F(ModMatrixTest, AmplitudeSourceFollowsVolumeModSource) {
  struct Case {
    int32_t source;
    const float* field;
  };
  const std::vector<Case> cases = {
      {kModSourceEnv4, &w.EnvValue.lanes()[3]},  // the default: envelope 4's value
      {kEnv1, &w.EnvValue.lanes()[0]},
      {kModSourceConstant, engine.sw->S1.lanes()},
      {kModSourceConstantOld, engine.sw->S1.lanes()},
      {CC(7), &p.ControlValue[7]},
      {kModSourceNone, engine.sw->S0.lanes()},
      {-131, engine.sw->S0.lanes()},
  };
  w.EnvValue = QSingle::of(0.1f, 0.2f, 0.3f, 0.4f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    p.VolumeModSource = c.source;
    VoiceModPointers(p, w);
    EXPECT_EQ(Addressed(w.VolumeModSourcePtr), Bytes(c.field));
    EXPECT_EQ(ModSourceValue(*engine.sw, w.VolumeModSourcePtr), *c.field);
  }
}

}  // namespace
}  // namespace brelix
