// Process-wide engine rates, shared by every instance in the process (the last writer wins), and
// the small numeric helpers built on them.
#pragma once

#include <atomic>
#include <cstdint>

namespace brelix {

// Atomics only so that instances on different threads never race in the C++ sense; every access
// is a plain load or store of the whole value.
inline std::atomic<float> SampleRate{44100.0f};      // host rate; 0 from the host becomes 44100
inline std::atomic<float> RealSampleBase{44100.0f};  // reference rate of the host-rate coefficients
inline std::atomic<float> OversampleBase{44100.0f};  // reference rate of the voice-rate coefficients
inline std::atomic<int32_t> MidiPeriod{256};          // samples between MIDI matrix passes

// 1 for 0; otherwise the smallest m >= n without a divisor d in 2..trunc(sqrt(m)).
uint32_t NextPrime(uint32_t n);

// x * RealSampleBase / SampleRate (double arithmetic, rounded to single); x when the rate is 0.
float RealRateScale(float x);

// r = SampleRate * 2^(shift & 31) rounded to single; x when r is 0, else x * OversampleBase / r.
float OversampledRateScale(float x, uint32_t shift);

// n rounds of the 32-bit xorshift step on the bits of *seed_word; the final state goes to
// *state and *seed_word becomes the single with bits (s >> 8) | 0x3F800000, a value in [1, 2).
void XorshiftSeed(int n, float* seed_word, uint32_t* state);

}  // namespace brelix
