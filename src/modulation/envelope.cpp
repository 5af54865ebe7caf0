#include "modulation/envelope.h"

#include <algorithm>

#include "engine/engine_tables.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

uint32_t EnvCurveTable[kEnvCurveCount];

namespace {

constexpr int32_t kStageScale = 16;  // stage values are stage numbers times 16
constexpr int kAttack = 0;
constexpr int kRelease = kStageRelease / kStageScale;
constexpr int kEnd = kStageEnd / kStageScale;
constexpr float kMinStageTime = 0.0001f;  // the shortest stage: 10000 stages per second

// A stage value as an index of the six per-stage arrays. A value outside 0..80 (a damaged work
// record) reads as the nearest stage instead of indexing beyond the arrays.
int StageIndex(int32_t stage) { return std::clamp(stage, int32_t{0}, kStageEnd) / kStageScale; }

// Stages per second; 0 for the end stage and for a negative time (the stage never ends by itself).
// A NaN time counts as negative.
float StageRate(int stage, float time) {
  if (stage == kEnd || !(time >= 0.0f)) return 0.0f;
  return static_cast<float>(1.0 / static_cast<double>(std::max(time, kMinStageTime)));
}

// The prepared (times 16) step of `stage`, clamped so that its target stays within stages 0..5.
int32_t ClampedStep(int stage, int32_t step) {
  const int64_t from = int64_t{stage} * kStageScale;
  const int64_t target = std::clamp<int64_t>(from + step, 0, kStageEnd);
  return static_cast<int32_t>(target - from);
}

// All ones in the lanes where x is non-zero.
QWord IsSet(QWord x) { return and_not(x == QWord::zero(), QWord::ones()); }

// Restarts the lanes that are not held by a legato note at stage 0, from `start`.
void EnvRestart(const XPatch& p, XPatchWork& w, QSingle start) {
  const QWord legato = IsSet(p.EnvRetrigger & QWord::splat(w.Retrigger));
  w.EnvRate = select(legato, w.EnvRate, p.EnvRate[kAttack]);
  w.EnvTable = select(legato, w.EnvTable, p.EnvCurves[kAttack]);
  w.EnvGain = select(legato, w.EnvGain, p.EnvLevel[kAttack] - start);
  w.EnvOffset = select(legato, w.EnvOffset, start);
  w.EnvValue = select(legato, w.EnvValue, start);
  w.EnvPhase = select(legato, w.EnvPhase, QSingle::zero());
  w.EnvStage = select(legato, w.EnvStage, QInteger::zero());
}

// Moves the lanes of `lanes` (bit n = lane n + 1) on to the stage their step leads to. The new
// stage starts at the value just computed, so it begins where the old one left off.
void EnvStageChange(const XPatch& p, XPatchWork& w, int lanes) {
  for (int n = 0; n < 4; ++n) {
    if ((lanes & (1 << n)) == 0) continue;
    int32_t& stage = w.EnvStage.lanes()[n];
    const int from = StageIndex(stage);
    stage = from * kStageScale + p.EnvStep[from].lanes()[n];
    const int to = StageIndex(stage);
    const float value = w.EnvValue.lanes()[n];
    w.EnvTable.lanes()[n] = p.EnvCurves[to].lanes()[n];
    w.EnvOffset.lanes()[n] = value;
    w.EnvGain.lanes()[n] = p.EnvLevel[to].lanes()[n] - value;
    w.EnvRate.lanes()[n] = p.EnvRate[to].lanes()[n];
  }
}

}  // namespace

void EnvInitTables() {
  uint32_t curves[kEnvCurveCount];
  curves[0] = TableOffsets.Ramp;
  for (int n = 0; n < kCurveOrders; ++n) {
    curves[1 + n] = TableOffsets.Log[n];
    curves[1 + kCurveOrders + n] = TableOffsets.Exp[n];
  }
  curves[kEnvCurveCount - 1] = TableOffsets.Tanh;
  // Every instance finds the same offsets: only the first creation in a process writes, later
  // ones leave alone the table that running instances read.
  for (int c = 0; c < kEnvCurveCount; ++c)
    if (EnvCurveTable[c] != curves[c]) EnvCurveTable[c] = curves[c];
}

void EnvPatchRecalculate(XPatch& p) {
  for (int s = 0; s < kEnvStages; ++s) {
    for (int n = 0; n < 4; ++n) {
      uint32_t curve = p.EnvCurve[s].lanes()[n];
      if (curve >= kEnvCurveCount) curve = kEnvCurveLinear;
      p.EnvCurves[s].lanes()[n] = EnvCurveTable[curve];
      p.EnvRate[s].lanes()[n] = StageRate(s, p.EnvTime[s].lanes()[n]);
      int32_t& step = p.EnvStep[s].lanes()[n];
      step = ClampedStep(s, step);
    }
  }
}

void EnvRateCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  w.EnvDeltaPhase = min(w.EnvRate * p.ControlDelta1, sw.S1);
}

void EnvCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const float* base = reinterpret_cast<const float*>(&sw);
  const QSingle position = w.EnvPhase * sw.TableSize;
  const QInteger i = trunc_to_int(position);
  const QSingle v = table_lerp(base, w.EnvTable + as_word(i), position - to_single(i));
  w.EnvValue = v * w.EnvGain + w.EnvOffset;
  w.EnvModwheel = w.EnvValue * QSingle::splat(p.ControlValue[kControlModWheel]);
  w.EnvPressure = w.EnvValue * QSingle::splat(p.ControlValue[kControlPressure]);
  // A negative sum is mirrored; any overshoot past 1 is dropped with the stage change. A NaN
  // (from a non-finite rate modulation) also ends the stage, so the phase always stays in 0..1.
  const QSingle q = abs(w.EnvPhase + w.EnvDeltaPhase + w.EnvRateMod * p.ControlDeltaMod);
  const QWord stays = q <= sw.S1;
  w.EnvPhase = stays & q;
  const int passed = movemask(stays) ^ 0xF;
  if (passed != 0) EnvStageChange(p, w, passed);
}

void EnvNoteOn(const XSynthWork& /*sw*/, const XPatch& p, XPatchWork& w) { EnvRestart(p, w, QSingle::zero()); }

void EnvNoteOnClick(const XSynthWork& /*sw*/, const XPatch& p, XPatchWork& w) {
  EnvRestart(p, w, IsSet(p.EnvDeclick) & w.EnvValue);
}

void EnvNoteOff(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  w.EnvTable = p.EnvCurves[kRelease];
  w.EnvRate = p.EnvRate[kRelease];
  w.EnvOffset = w.EnvValue;
  w.EnvGain = p.EnvLevel[kRelease] - w.EnvValue;
  w.EnvPhase = sw.S0;
  w.EnvStage = as_integer(sw.I4x16);
}

}  // namespace brelix
