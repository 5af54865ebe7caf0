// The engine's generator takes its seed from BRELIX_SEED when that holds a plain decimal number,
// so that two renders of the same song repeat bit for bit; anything else leaves the clock seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/random.h"

namespace {

using namespace brelix;

std::vector<uint32_t> DrawAfterSeeding(const char* seed_text) {
  if (seed_text) setenv("BRELIX_SEED", seed_text, 1);
  else unsetenv("BRELIX_SEED");
  RandomSeedFromClock();
  std::vector<uint32_t> words;
  for (int i = 0; i < 8; ++i) words.push_back(RandomWord());
  unsetenv("BRELIX_SEED");
  return words;
}

TEST(RandomSeed, TheSameSeedGivesTheSameSequence) {
  EXPECT_EQ(DrawAfterSeeding("7"), DrawAfterSeeding("7"));
  EXPECT_EQ(DrawAfterSeeding("4294967295"), DrawAfterSeeding("4294967295"));
  EXPECT_NE(DrawAfterSeeding("7"), DrawAfterSeeding("8"));
}

TEST(RandomSeed, TextThatIsNotASeedLeavesTheClock) {
  const std::vector<uint32_t> zero = DrawAfterSeeding("0");
  // Each of these would seed with 0 (or wrap to it) if it were read loosely.
  for (const char* text : {"", "-0", "+0", "0x0", " 0", "0 ", "4294967296", "abc"}) {
    SCOPED_TRACE(text);
    EXPECT_NE(DrawAfterSeeding(text), zero);
  }
}

}  // namespace
