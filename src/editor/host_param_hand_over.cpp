#include "editor/host_param_hand_over.h"

#include <bit>
#include <cmath>
#include <thread>

#include <pthread.h>

namespace brelix {

namespace {
// A word that tells the living threads apart, never 0. Not the address of a thread_local: in a
// library the host loads at run time, a thread's first touch of such a variable allocates its
// block (on the audio thread too), and a host that unloads the library leaves the threads' TLS
// vectors pointing at it.
uintptr_t ThisThreadToken() { return static_cast<uintptr_t>(pthread_self()); }
}  // namespace

THostParamHandOver::THostParamHandOver(int32_t count)
    : count_(count > 0 ? count : 0), slots_(std::make_unique<std::atomic<uint64_t>[]>(static_cast<size_t>(count_))) {
  for (int32_t i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)].store(0, std::memory_order_relaxed);
}

bool THostParamHandOver::TryTake() {
  const uintptr_t me = ThisThreadToken();
  uintptr_t free = 0;
  if (owner_.compare_exchange_strong(free, me)) {
    depth_ = 1;
    return true;
  }
  if (free != me) return false;
  ++depth_;
  return true;
}

void THostParamHandOver::Take() {
  while (!TryTake()) std::this_thread::yield();
}

bool THostParamHandOver::HeldHere() const { return owner_.load() == ThisThreadToken(); }

bool THostParamHandOver::LetGoUnlessPosted() {
  depth_ = 0;
  owner_.store(0);
  // A poster that failed to take the controls before the line above relies on this look.
  if (!posted_.load()) return false;
  uintptr_t free = 0;
  if (!owner_.compare_exchange_strong(free, ThisThreadToken())) return false;  // the new owner applies it
  depth_ = 1;
  return true;
}

void THostParamHandOver::Post(int32_t index, float value, bool extRange) {
  if (index < 0 || index >= count_ || std::isnan(value)) return;
  const uint64_t slot = std::bit_cast<uint32_t>(value) | kPending | (extRange ? kExtRange : 0);
  slots_[static_cast<size_t>(index)].store(slot, std::memory_order_release);
  posted_.store(true);
}

std::optional<float> THostParamHandOver::Pending(int32_t index) const {
  if (index < 0 || index >= count_) return std::nullopt;
  const uint64_t slot = slots_[static_cast<size_t>(index)].load(std::memory_order_acquire);
  if ((slot & kPending) == 0) return std::nullopt;
  return ValueOf(slot);
}

float THostParamHandOver::ValueOf(uint64_t slot) { return std::bit_cast<float>(static_cast<uint32_t>(slot)); }

}  // namespace brelix
