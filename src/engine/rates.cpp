#include "engine/rates.h"

#include <cmath>
#include <cstring>

namespace brelix {

uint32_t NextPrime(uint32_t n) {
  if (n == 0) return 1;
  for (uint64_t m = n;; ++m) {
    auto limit = static_cast<uint64_t>(std::sqrt(static_cast<double>(m)));
    bool prime = true;
    for (uint64_t d = 2; d <= limit; ++d) {
      if (m % d == 0) {
        prime = false;
        break;
      }
    }
    if (prime) return static_cast<uint32_t>(m);
  }
}

float RealRateScale(float x) {
  float rate = SampleRate;
  if (rate == 0.0f) return x;
  return static_cast<float>(static_cast<double>(x) * static_cast<double>(RealSampleBase.load()) /
                            static_cast<double>(rate));
}

float OversampledRateScale(float x, uint32_t shift) {
  auto r = static_cast<float>(static_cast<double>(SampleRate.load()) *
                              std::ldexp(1.0, static_cast<int>(shift & 31)));
  if (r == 0.0f) return x;
  return static_cast<float>(static_cast<double>(x) * static_cast<double>(OversampleBase.load()) /
                            static_cast<double>(r));
}

void XorshiftSeed(int n, float* seed_word, uint32_t* state) {
  uint32_t s;
  std::memcpy(&s, seed_word, 4);
  for (int i = 0; i < n; ++i) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
  }
  *state = s;
  uint32_t bits = (s >> 8) | 0x3F800000u;
  std::memcpy(seed_word, &bits, 4);
}

}  // namespace brelix
