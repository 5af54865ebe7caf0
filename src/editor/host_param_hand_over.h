// The hand-over between the threads that call into the editor's controls, without a mutex.
//
// One atomic owner word says which thread may touch the controls. A thread takes it with one
// compare-exchange; the same thread may take it again inside its own work (a host that answers
// our automate call with another parameter call), as a nesting level.
//
// A host write that finds the controls taken never waits: it is posted into the mailbox slot of
// its parameter (a value, the range setting it was meant for and a pending mark in one 64-bit
// atomic: the latest write wins, the mailbox is never full and never allocates) and the caller
// returns. The owner applies the posted writes, in index order, after taking the controls and
// again before it lets go; after letting go it looks once more, so that a write posted in that
// instant is taken back and applied rather than stranded. A slot stays marked until its value has
// been applied (and the owner's copies of it updated), so a thread that wrote and then reads
// always finds its own value.
//
// The owner word and the "posted" mark are sequentially consistent: the owner's look after
// letting go must not be ordered before the letting go, nor the poster's try after its post.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace brelix {

class THostParamHandOver {
 public:
  explicit THostParamHandOver(int32_t count);

  int32_t Count() const { return count_; }

  // Takes the controls for this thread when they are free or already this thread's. Never waits.
  bool TryTake();
  // Takes them, yielding while another thread finishes its work on them.
  void Take();
  bool HeldHere() const;

  // Ends one level of Take/TryTake. The outermost level runs `lastWork` (the owner's own, before
  // the posted writes land), hands every posted write to `apply`(index, value, extRange) and lets
  // go; a write posted meanwhile makes it (or the thread that takes the controls first) repeat.
  template <typename Apply, typename LastWork>
  void Release(Apply&& apply, LastWork&& lastWork) {
    if (--depth_ > 0) return;
    do {
      lastWork();
      Drain(apply);
    } while (LetGoUnlessPosted());
  }

  // Applies the writes posted so far (the owner only).
  template <typename Apply>
  void Drain(Apply&& apply) {
    if (!posted_.exchange(false)) return;
    for (int32_t i = 0; i < count_; ++i) {
      uint64_t slot = slots_[static_cast<size_t>(i)].load(std::memory_order_acquire);
      while ((slot & kPending) != 0) {
        apply(i, ValueOf(slot), (slot & kExtRange) != 0);
        // Unmarked only if nothing newer came in while it was applied; otherwise the newer one.
        if (slots_[static_cast<size_t>(i)].compare_exchange_strong(slot, 0, std::memory_order_acq_rel)) break;
      }
    }
  }

  // Posts a write of `value` (meant for the range setting `extRange`) to slot `index`; an index
  // outside the slots or a value that is not a number posts nothing.
  void Post(int32_t index, float value, bool extRange);
  // The value posted to slot `index` and not yet applied, if any.
  std::optional<float> Pending(int32_t index) const;

 private:
  static constexpr uint64_t kPending = uint64_t{1} << 32;
  static constexpr uint64_t kExtRange = uint64_t{1} << 33;
  static float ValueOf(uint64_t slot);
  // Lets go of the controls; true when a write was posted meanwhile and this thread took the
  // controls back to apply it.
  bool LetGoUnlessPosted();

  int32_t count_;
  std::unique_ptr<std::atomic<uint64_t>[]> slots_;
  std::atomic<bool> posted_{false};
  std::atomic<uintptr_t> owner_{0};  // the owning thread's token, 0 when free
  int32_t depth_ = 0;                // nesting levels of the owner; only the owner touches it
};

}  // namespace brelix
