// XSynthWork: the per-instance block of 4-lane constants, noise state and scratch values. It is
// the first record of the engine memory, so its first lane (S0 = 0.0) is what offset 0 reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/qvector.h"

namespace brelix {

struct alignas(16) XSynthWork {
  QSingle S0;  // 0.0; also the element at offset 0
  QSingle S1;  // 1.0; the "Constant" modulation source
  QWord I80000000;       // the sign mask
  QWord I4x16;           // 64: the envelopes' release stage (4) in stage-times-16 form
  QWord TablePhaseMask;  // the 19 fraction bits of an oscillator phase
  QWord PhaseDrift;      // random phase offset mask at note-on
  QSingle S0_5;
  QSingle S_1;
  QSingle S1_5;
  // The oscillator generators' output (smoothed x 2.5 + previous x -1.5) undoes most of the
  // averaging of the new table value with the previous one.
  QSingle S_1_5;  // the previous value's gain, -1.5
  QSingle S2;
  QSingle S2_5;  // the smoothed value's gain, 2.5
  // Resonance to ladder feedback: 40/9 (bits 0x408E38E4), so that a resonance of 0.9 gives 4,
  // where a four-stage ladder oscillates by itself.
  QSingle F40_9;
  QSingle InvTablePhaseMask;
  QSingle TwoPow31;
  QSingle TableSize;
  QSingle Tempo;           // host tempo in bars of four beats per second, once per block
  QSingle RealDelta1;      // 1 / SampleRate
  QSingle RealSampleRate;  // the host rate
  // RealSampleBase / SampleRate: the host-rate ratio the sample-rate call publishes beside the
  // rate itself. No engine routine reads it yet; it stays so that the call keeps its contract.
  QSingle SampleScale;
  QSingle NoiseGenerator;  // this sample's white noise per lane, [-0.5, 0.5)
  QSingle Denormal;        // this sample's anti-denormal offset
  QSingle Minormal;        // scale of that offset
  QSingle S11;     // 11: the octaves the pitch table spans on each side of 1.0
  QSingle SInv12;  // octaves a semitone, 1/12 (bits 0x3DAAAAAB)
  QSingle Pow2Size;
  QSingle TuneSize;
  // The oscillators' leak beyond which their gain compensation stops (at 1 - 0.99 = 0.01).
  QSingle S0_99;  // 0.99 (bits 0x3F7D70A4)
  // The generators' DC correction: S0_376 - S0_752 x frequency in cycles per sample.
  QSingle S0_376;  // 0.376 (bits 0x3EC08312)
  QSingle S0_752;  // 0.752 (bits 0x3F408312)
  // The self phase modulation depth: 54 x (0.5 - frequency in cycles per sample)^6 times the
  // morph, 54/64 of the morph at low frequencies.
  QSingle S54;    // 54
  QWord Noiseed;  // the four xorshift states of the noise generator
};

// Only the first field's place is fixed: every unassigned engine offset (0) must read 0.0. The
// rest is private to the engine, which finds its tables by offsets taken at creation.
static_assert(offsetof(XSynthWork, S0) == 0, "offset 0 must read the constant 0.0");
static_assert(sizeof(XSynthWork) % 16 == 0);

// Writes every constant of the block (fields without a value keep the arena's zero).
void SynthWorkFill(XSynthWork& sw);

// The single at byte offset `offset` from the engine memory base, where a resolved modulation
// source lies (the voice kernel reads a voice's amplitude source this way:
// ModSourceValue(sw, w.VolumeModSourcePtr)).
inline float ModSourceValue(const XSynthWork& sw, uint32_t offset) {
  return *reinterpret_cast<const float*>(reinterpret_cast<const uint8_t*>(&sw) + offset);
}

// One step of the noise generator: advances the four xorshift states, derives NoiseGenerator and
// Denormal. Runs once per output sample.
inline void NoiseStep(XSynthWork& sw) {
  QWord x = sw.Noiseed;
  x = x ^ (x << 13);
  x = x ^ (x >> 17);
  x = x ^ (x << 5);
  sw.Noiseed = x;
  sw.NoiseGenerator = as_single((x >> 8) | QWord::splat(0x3F800000u)) - sw.S1_5;
  sw.Denormal = sw.NoiseGenerator * sw.Minormal;
}

}  // namespace brelix
