// 2^octaves by linear interpolation in Pow2Table: the pitch and key-tracking ratio of the
// oscillators and filters.
#pragma once

#include "engine/engine_tables.h"
#include "engine/qvector.h"
#include "engine/synth_work.h"

namespace brelix {

// The table spans eleven octaves each way; the position is clamped to it (NaN to its first
// entry), so offsets beyond that hold at 2^-11 or 2^11 instead of reading outside.
inline QSingle Pow2Lookup(const XSynthWork& sw, QSingle octaves) {
  const float* const table = Pow2Table - kTableSteps;  // counted from its first entry
  QSingle x = (octaves + sw.S11) * sw.Pow2Size;
  x = clamp(x, sw.S0, QSingle::splat(2.0f * kTableSteps));
  const QInteger i = trunc_to_int(x);
  return table_lerp(table, as_word(i), x - to_single(i));
}

}  // namespace brelix
