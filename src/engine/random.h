// The process-wide pseudo-random generator of the engine: seeded from the clock (or from the
// environment variable BRELIX_SEED, for repeatable renders) when an instance builds its tables,
// drawn from when voice work records are seeded (never on the audio path).
#pragma once

#include <cstdint>

namespace brelix {

void RandomSeedFromClock();
uint32_t RandomWord();                 // uniform 32-bit
uint32_t RandomBelow(uint32_t n);      // uniform in [0, n); 0 when n is 0
double RandomUnit();                   // uniform in [0, 1)

}  // namespace brelix
