#include "modulation/mod_sources.h"

#include <cstddef>
#include <mutex>

namespace brelix {

uint32_t ModSourceTable[kModSourceTableSize];
uint32_t ModDestTable[kModDestTableSize];

namespace {

constexpr uint32_t kLane = sizeof(float);

// Entries first .. first + count - 1 address lanes 1..count of the field at byte position `field`.
void FillLanes(uint32_t* table, int first, int count, size_t field) {
  for (int lane = 0; lane < count; ++lane) table[first + lane] = static_cast<uint32_t>(field) + lane * kLane;
}

void BuildSourceTable() {
  uint32_t* t = ModSourceTable;
  t[0] = 0;  // "None"
  FillLanes(t, 1, 4, offsetof(XPatchWork, LfoValue));
  FillLanes(t, 5, 4, offsetof(XPatchWork, EnvValue));
  FillLanes(t, 9, 4, offsetof(XPatchWork, LfoModwheel));
  FillLanes(t, 13, 4, offsetof(XPatchWork, LfoPressure));
  FillLanes(t, 17, 4, offsetof(XPatchWork, EnvModwheel));
  FillLanes(t, 21, 4, offsetof(XPatchWork, EnvPressure));
  t[25] = offsetof(XPatchWork, KeyFollow);
  t[26] = offsetof(XPatchWork, KeyTrack);
  t[27] = offsetof(XPatchWork, PitchFollow);
  t[28] = 0;  // "_Reserved"
  t[29] = offsetof(XPatchWork, Velocity);
  t[30] = offsetof(XPatchWork, Relocity);
  // Slot n of the patch matrix is row (n - 1) / 4, lane (n - 1) % 4: ModValue read as 16 singles.
  FillLanes(t, kModSourceModMatrix1, 16, offsetof(XPatchWork, ModValue));
  // XSynthWork is the first record of the engine memory, so this is already an absolute offset.
  t[kModSourceConstantOld] = offsetof(XSynthWork, S1);
}

void BuildDestTable() {
  uint32_t* t = ModDestTable;
  t[0] = 0;  // "None"
  FillLanes(t, 1, 4, offsetof(XPatchWork, AuxOscPitchMod));
  FillLanes(t, 5, 4, offsetof(XPatchWork, AuxOscLevelMod));
  FillLanes(t, 9, 4, offsetof(XPatchWork, AuxOscMixMod));
  FillLanes(t, 13, 4, offsetof(XPatchWork, FilterCutoffMod));
  FillLanes(t, 17, 4, offsetof(XPatchWork, FilterResoMod));
  FillLanes(t, 21, 4, offsetof(XPatchWork, FilterGainMod));
  FillLanes(t, 25, 4, offsetof(XPatchWork, FilterQompensateMod));
  FillLanes(t, 29, 4, offsetof(XPatchWork, FilterLevelMod));
  FillLanes(t, 33, 4, offsetof(XPatchWork, FilterPanMod));
  FillLanes(t, 37, 4, offsetof(XPatchWork, NoiseMixMod));
  FillLanes(t, 41, 4, offsetof(XPatchWork, LfoRateMod));
  FillLanes(t, 45, 4, offsetof(XPatchWork, EnvRateMod));
  FillLanes(t, 49, 4, offsetof(XPatchWork, AuxOscPWMod));
  FillLanes(t, 53, 4, offsetof(XPatchWork, AuxOscSyncMod));
  FillLanes(t, 57, 4, offsetof(XPatchWork, AuxOscMorphMod));
  FillLanes(t, 61, 4, offsetof(XPatchWork, AuxOscSawShapeMod));
  FillLanes(t, 65, 4, offsetof(XPatchWork, AuxOscSawSigma1Mod));
  FillLanes(t, 69, 4, offsetof(XPatchWork, AuxOscSawSigma2Mod));
  t[73] = offsetof(XPatchWork, PitchMod);
  t[74] = offsetof(XPatchWork, VolumeMod);
  FillLanes(t, 75, 4, offsetof(XPatchWork, SampleOscLevelMod));
  t[kModDestVoidOld] = offsetof(XPatchWork, Void);
}

// Byte distance of `address` from the engine memory base (the patch's constant block).
uint32_t EngineOffset(const XPatch& p, const void* address) {
  return static_cast<uint32_t>(static_cast<const uint8_t*>(address) - reinterpret_cast<const uint8_t*>(p.SynthWork));
}

}  // namespace

void ModTablesInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    BuildSourceTable();
    BuildDestTable();
  });
}

uint32_t ResolveModSource(const XPatch& p, const XPatchWork& w, int32_t s) {
  if (s == kModSourceConstant) return ModSourceTable[kModSourceConstantOld];
  // Below -130 would read past the controller table (only a file can hold such a value).
  if (s < kModSourceLowest) return 0;
  if (s < 0) return EngineOffset(p, &p.ControlValue[-s - 1]);
  if (s == kModSourceNone || s >= kModSourceTableSize) return 0;
  if (ModSourceTable[s] == 0) return 0;
  if (s == kModSourceConstantOld) return ModSourceTable[s];
  return EngineOffset(p, &w) + ModSourceTable[s];
}

uint32_t ResolveModDest(const XPatch& p, const XPatchWork& w, int32_t d) {
  if (d <= kModDestNone || d >= kModDestVoidOld || ModDestTable[d] == 0) return EngineOffset(p, &w.Void);
  return EngineOffset(p, &w) + ModDestTable[d];
}

}  // namespace brelix
