#include "base/host_call.h"

#include <pthread.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace brelix {

namespace {

// Threads inside a host's call at the same time: the user-interface thread, the audio thread
// writing automation, a host's saving thread, and room to spare.
constexpr int kSlots = 16;

struct Slot {
  std::atomic<uintptr_t> thread{0};  // the owning thread's word, 0 while free
  // Touched only by the owning thread.
  int depth = 0;
  INoticeSink* notices = nullptr;
};

std::array<Slot, kSlots> slots;
// Scopes that found no free slot: while any lives, every thread counts as inside a host's call.
std::atomic<int> overflow{0};

uintptr_t ThisThread() { return static_cast<uintptr_t>(pthread_self()); }

int FindSlot(uintptr_t thread) {
  for (int i = 0; i < kSlots; ++i)
    if (slots[i].thread.load(std::memory_order_acquire) == thread) return i;
  return -1;
}

int ClaimSlot(uintptr_t thread) {
  for (int i = 0; i < kSlots; ++i) {
    uintptr_t free = 0;
    if (slots[i].thread.compare_exchange_strong(free, thread, std::memory_order_acquire)) return i;
  }
  return -1;
}

}  // namespace

HostCallScope::HostCallScope(INoticeSink* notices) : outer_(nullptr) {
  const uintptr_t thread = ThisThread();
  slot_ = FindSlot(thread);
  if (slot_ < 0) slot_ = ClaimSlot(thread);
  if (slot_ < 0) {
    overflow.fetch_add(1);
    return;
  }
  Slot& slot = slots[slot_];
  ++slot.depth;
  outer_ = slot.notices;
  slot.notices = notices != nullptr ? notices : outer_;
}

HostCallScope::~HostCallScope() {
  if (slot_ < 0) {
    overflow.fetch_sub(1);
    return;
  }
  Slot& slot = slots[slot_];
  slot.notices = outer_;
  if (--slot.depth == 0) slot.thread.store(0, std::memory_order_release);
}

bool InHostCall() { return overflow.load() > 0 || FindSlot(ThisThread()) >= 0; }

INoticeSink* HostCallNotices() {
  const int slot = FindSlot(ThisThread());
  return slot >= 0 ? slots[slot].notices : nullptr;
}

}  // namespace brelix
