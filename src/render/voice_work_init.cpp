#include "render/voice_work_init.h"

#include <cstring>

#include "engine/random.h"
#include "engine/rates.h"
#include "engine/synth_work.h"
#include "modulation/mod_matrix.h"

namespace brelix {

namespace {

// A fresh xorshift state run for 1024..4095 rounds from a random non-zero start. Returns the
// final state; `value` gets the matching single in [-0.5, 0.5).
uint32_t SeedLane(float& value) {
  uint32_t start = 0;
  while (start == 0) start = RandomWord();
  float word;
  std::memcpy(&word, &start, 4);
  uint32_t state = 0;
  XorshiftSeed(1024 + static_cast<int>(RandomBelow(3072)), &word, &state);
  value = word - 1.5f;
  return state;
}

// Uniform in [0, 1) with 24 bits: never rounds up to 1.0 as a converted double could.
float UnitSingle() { return static_cast<float>(RandomBelow(1u << 24)) / 16777216.0f; }

}  // namespace

void VoiceWorkInit(XPatch& p, XPatchWork& w) {
  std::memset(static_cast<void*>(&w), 0, sizeof(XPatchWork));
  w.Patch = &p;
  XSynthWork& sw = *p.SynthWork;
  for (int lane = 0; lane < 4; ++lane) {
    w.AuxOscPitch.set_lane(lane, 1.0f);
    w.AuxOscDeltaPhase.set_lane(lane, RandomBelow(0x7FFFFFFFu));
    w.AuxOscPhase.set_lane(lane, RandomBelow(0x7FFFFFFFu));

    float denormal = 0.0f;
    sw.Noiseed.set_lane(lane, SeedLane(denormal));
    sw.Denormal.set_lane(lane, denormal);

    float seed = 0.0f;
    SeedLane(seed);
    w.LfoSeed.set_lane(lane, seed);
    w.LfoDeltaPhase.set_lane(lane, UnitSingle());
    w.LfoPhase.set_lane(lane, UnitSingle());
  }
  w.EnvStage.set_lane(3, kStageEnd);  // idle
  VoiceModPointers(p, w);
}

}  // namespace brelix
