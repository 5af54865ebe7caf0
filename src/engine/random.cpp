#include "engine/random.h"

#include <chrono>
#include <mutex>
#include <random>

namespace brelix {
namespace {
std::mutex random_lock;
std::mt19937& Generator() {
  static std::mt19937 generator{5489u};
  return generator;
}
}  // namespace

void RandomSeedFromClock() {
  std::lock_guard<std::mutex> guard(random_lock);
  auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  Generator().seed(static_cast<uint32_t>(ticks ^ (ticks >> 32)));
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
