// The engine's lookup tables: the process-wide note-frequency and 2^x tables, and the waveform
// and curve tables that every instance takes from its own arena at creation. All lookups
// interpolate linearly between entries i and i + 1, so every table of 8192 steps has two guard
// entries.
#pragma once

#include <cstdint>

namespace brelix {

class XGlobalMemory;

constexpr int kTableSteps = 8192;          // entries of one cycle or ramp
constexpr int kTableLength = kTableSteps + 2;  // plus two guard entries
constexpr int kCurveOrders = 10;          // Log1..Log10, Exp1..Exp10

// Entry n = 8.175798915644 * 2^(n/12), n = 0..128 (note 69 = 440 Hz).
extern float NoteFrequency[129];

// Pow2Table[k] = 2^(11k/8192) for k = -8192..8192, entry 8193 repeats entry 8192: eleven octaves
// on each side of 1.0, 744.7273 entries per octave. Indexed from -8192 through this pointer.
extern const float* const Pow2Table;

// Element offsets of an instance's arena tables from its engine memory base. Every instance takes
// the same allocations in the same order, so these are the same for all of them.
struct EngineTableOffsets {
  uint32_t Tanh = 0;
  uint32_t Sine = 0;
  uint32_t Ramp = 0;  // the "Linear" curve
  uint32_t Saw = 0;
  uint32_t Square = 0;
  uint32_t Triangle = 0;
  uint32_t Log[kCurveOrders] = {};  // order N at index N - 1
  uint32_t Exp[kCurveOrders] = {};
};
extern EngineTableOffsets TableOffsets;

// Builds the tables of one instance: seeds the process-wide random generator, fills the static
// tables, takes the six waveform and twenty curve tables from `memory` (waveforms first, then the
// curves as Log1, Exp1, Log2, Exp2, ...) and fills them. Call right after the constant fill.
void EngineTablesBuild(XGlobalMemory& memory);

// Table contents, exposed for the modules that fill or check them.
void FillTanhTable(float* table);
double LogCurve(int order, double x);  // rising 0..1
double ExpCurve(int order, double x);

}  // namespace brelix
