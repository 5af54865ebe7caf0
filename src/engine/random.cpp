#include "engine/random.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>

namespace brelix {
namespace {
std::mutex random_lock;
std::mt19937& Generator() {
  static std::mt19937 generator{5489u};
  return generator;
}

// BRELIX_SEED holds a decimal number 0..4294967295 that replaces the clock as the seed, so that
// renders repeat bit for bit. Anything else (empty, signs, letters, too large) is not a seed.
bool SeedFromEnvironment(uint32_t& seed) {
  const char* text = std::getenv("BRELIX_SEED");
  if (text == nullptr || *text == '\0') return false;
  uint64_t value = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(*c - '0');
    if (value > 0xFFFFFFFFull) return false;
  }
  seed = static_cast<uint32_t>(value);
  return true;
}
}  // namespace

void RandomSeedFromClock() {
  std::lock_guard<std::mutex> guard(random_lock);
  uint32_t seed = 0;
  if (!SeedFromEnvironment(seed)) {
    auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    seed = static_cast<uint32_t>(ticks ^ (ticks >> 32));
  }
  Generator().seed(seed);
}

uint32_t RandomWord() {
  std::lock_guard<std::mutex> guard(random_lock);
  return Generator()();
}

uint32_t RandomBelow(uint32_t n) {
  if (n == 0) return 0;
  std::lock_guard<std::mutex> guard(random_lock);
  return std::uniform_int_distribution<uint32_t>(0, n - 1)(Generator());
}

double RandomUnit() {
  std::lock_guard<std::mutex> guard(random_lock);
  return std::uniform_real_distribution<double>(0.0, 1.0)(Generator());
}

}  // namespace brelix
