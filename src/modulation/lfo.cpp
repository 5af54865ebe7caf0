#include "modulation/lfo.h"

#include <mutex>

#include "engine/countdown.h"
#include "engine/engine_tables.h"

namespace brelix {

uint32_t LfoShapeTable[kLfoShapeCount];
uint32_t LfoShapeSize[kLfoShapeCount];

namespace {

constexpr uint32_t kShapeSine = 0;
constexpr uint32_t kShapeFirstLog = 4;
constexpr uint32_t kShapeFirstExp = kShapeFirstLog + kCurveOrders;
constexpr uint32_t kShapeTanh = kShapeFirstExp + kCurveOrders;
static_assert(kShapeTanh + 1 == kLfoShapeCount);

// A phase inside (-1, 1) always gives an index below 8192, so this mask changes nothing there.
// It keeps the gather inside the table when a quantise mask from a file has higher bits and the
// phase has left that range (an absurd rate or rate modulation saturates the truncation).
const QWord kIndexInTable = QWord::splat(kTableSteps - 1);

// Shapes that only a file can hold play as the sine.
uint32_t ShapeInList(uint32_t shape) { return shape < kLfoShapeCount ? shape : kShapeSine; }

}  // namespace

void LfoInitTables() {
  // The offsets are the same for every instance; written once so that a new instance never
  // rewrites what another instance's audio thread is reading.
  static std::once_flag once;
  std::call_once(once, [] {
    LfoShapeTable[0] = TableOffsets.Sine;
    LfoShapeTable[1] = TableOffsets.Saw;
    LfoShapeTable[2] = TableOffsets.Square;
    LfoShapeTable[3] = TableOffsets.Triangle;
    for (int n = 0; n < kCurveOrders; ++n) {
      LfoShapeTable[kShapeFirstLog + n] = TableOffsets.Log[n];
      LfoShapeTable[kShapeFirstExp + n] = TableOffsets.Exp[n];
    }
    LfoShapeTable[kShapeTanh] = TableOffsets.Tanh;
    for (uint32_t& size : LfoShapeSize) size = kTableSteps;
  });
}

void LfoPatchRecalculate(XPatch& p) {
  for (int n = 0; n < 4; ++n) {
    const float rate = p.LfoRate.lane(n);
    const bool clocked = p.LfoClocked.lane(n) != 0;
    // Clocked: LfoRate is bars per cycle, so the time is cycles per bar.
    p.LfoTime.lanes()[n] = !clocked ? rate : rate == 0.0f ? 0.0f : static_cast<float>(1.0 / rate);

    const uint32_t shape = ShapeInList(p.LfoShape.lane(n));
    p.LfoTable.lanes()[n] = LfoShapeTable[shape];
    p.LfoTableSize.lanes()[n] = static_cast<float>(LfoShapeSize[shape]);
  }
}

QSingle LfoTickDelta(const XSynthWork& sw, const XPatch& p) {
  const QSingle speed = select(p.LfoClocked, p.LfoTime * sw.Tempo, p.LfoTime);
  return speed * p.ControlDelta1;
}

void LfoRateCalculate(const XSynthWork& sw, XPatch& p, XPatchWork& w) {
  w.LfoDeltaPhase = LfoTickDelta(sw, p);
  p.PatchLfoDeltaPhase = w.LfoDeltaPhase;
}

void LfoCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  const float* base = reinterpret_cast<const float*>(&sw);

  // The phase read this tick is the one before the advance.
  const QSingle r = select(p.VoiceLfo, w.LfoPhase, p.PatchLfoPhase);
  const QSingle phase = w.LfoPhase + w.LfoDeltaPhase + w.LfoRateMod * p.ControlDeltaMod;
  // A new cycle draws the random step; a phase pushed below zero never does.
  w.LfoSeed = select(phase < sw.S1, w.LfoSeed, sw.NoiseGenerator);
  const QSingle rnd = w.LfoSeed * p.LfoRandom;
  w.LfoPhase = frac_trunc(phase);

  const QSingle q = abs(r) * p.LfoTableSize;
  const QInteger i = trunc_to_int(q);
  const QWord index = as_word(i) & p.LfoQuantize & kIndexInTable;  // the fraction is not quantised
  const QSingle wave = table_lerp(base, p.LfoTable + index, q - to_single(i));

  QSingle v = wave * p.LfoLevel + rnd;
  v = clamp(v, p.LfoMin, p.LfoMax);
  v = v + p.LfoOffset;
  w.LfoFader = min(w.LfoFader + w.LfoFadeInc, sw.S1);
  w.LfoFilter = v + p.LfoSmooth * w.LfoFilter;
  // The (1 - s) normalisation lets the smoothed value settle at v.
  w.LfoValue = w.LfoFilter * w.LfoFader * (sw.S1 - p.LfoSmooth);
  w.LfoModwheel = w.LfoValue * QSingle::splat(p.ControlValue[kControlModWheel]);
  w.LfoPressure = w.LfoValue * QSingle::splat(p.ControlValue[kControlPressure]);
}

void LfoNoteOn(const XSynthWork&, const XPatch& p, XPatchWork& w) {
  w.LfoPhase = p.LfoStartPhase & w.LfoPhase;
  // A fade-in shorter than one control period reaches full output at the first tick.
  w.LfoFadeInc = p.ControlDelta1 / max(p.LfoFadeIn, p.ControlDelta1);
  w.LfoValue = QSingle::zero();
  w.LfoFader = QSingle::zero();
  // LfoFilter and LfoSeed carry over: smoothing continues from the previous note.
}

void PatchLfoCalculate(const XSynthWork&, XPatch& p) {
  if (CountdownDue(p.PatchControlCounter, p.ControlRate))
    p.PatchLfoPhase = frac_trunc(p.PatchLfoPhase + p.PatchLfoDeltaPhase);
}

}  // namespace brelix
