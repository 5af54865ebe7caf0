#include "synth/shown_values.h"

#include <algorithm>
#include <bit>

#include "modulation/mod_sources.h"

namespace brelix {

namespace {
// The first controller item, "CC0": items above the old "Constant" 47 are controllers.
constexpr uint32_t kControllerItemBase = static_cast<uint32_t>(kModSourceConstantOld);
constexpr int32_t kStepScale = 16;  // stages are kept times 16
}  // namespace

uint32_t ModSourceShown(uint32_t field) {
  const auto stored = static_cast<int32_t>(field);
  return stored < 0 ? kControllerItemBase - field : field;
}

uint32_t ModSourceStored(uint32_t item) {
  const bool controller = item > kControllerItemBase && item < static_cast<uint32_t>(kModSourceConstant);
  return controller ? kControllerItemBase - item : item;
}

uint32_t EnvStepShown(int32_t stage, int32_t field) {
  return static_cast<uint32_t>(static_cast<int64_t>(stage) + field / kStepScale);
}

int32_t EnvStepStored(int32_t stage, uint32_t item) {
  const int64_t target = std::min<uint32_t>(item, kEnvStepLastItem);
  return static_cast<int32_t>((target - stage) * kStepScale);
}

uint32_t LfoQuantizeShown(uint32_t field) { return kLfoQuantizeBits - (field & kLfoQuantizeBits); }

uint32_t LfoQuantizeStored(uint32_t n) {
  return (kLfoQuantizeBits - (n & kLfoQuantizeBits)) | (n & (kLfoQuantizeBits + 1));
}

bool DelayRoutingShown(float field) { return field != 0.0f; }

float DelayRoutingStored(bool serial) { return serial ? 1.0f : 0.0f; }

static_assert(std::bit_cast<float>(kDelayRoutingSerialBits) == 1.0f);

}  // namespace brelix
