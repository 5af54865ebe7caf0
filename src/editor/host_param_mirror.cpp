#include "editor/host_param_mirror.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace brelix {

THostParamMirror::THostParamMirror(int32_t count)
    : count_(count > 0 ? count : 0), entries_(std::make_unique<TEntry[]>(static_cast<size_t>(count_))) {}

THostParamMirror::TEntry* THostParamMirror::Find(int32_t index) const {
  if (index < 0 || index >= count_) return nullptr;
  return &entries_[static_cast<size_t>(index)];
}

void THostParamMirror::Store(int32_t index, float normal, float extended, std::string_view text) {
  TEntry* entry = Find(index);
  if (entry == nullptr) return;
  entry->Normal.store(normal, std::memory_order_release);
  entry->Extended.store(extended, std::memory_order_release);

  char bytes[kTextCapacity] = {};
  std::memcpy(bytes, text.data(), std::min(text.size(), kTextCapacity - 1));
  uint64_t words[kWords];
  std::memcpy(words, bytes, sizeof words);
  const uint32_t sequence = entry->Sequence.load(std::memory_order_relaxed);
  entry->Sequence.store(sequence + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);  // the odd count before any word
  for (size_t w = 0; w < kWords; ++w) entry->Text[w].store(words[w], std::memory_order_relaxed);
  entry->Sequence.store(sequence + 2, std::memory_order_release);
}

float THostParamMirror::Value(int32_t index, bool extRange) const {
  const TEntry* entry = Find(index);
  if (entry == nullptr) return 0.0f;
  return (extRange ? entry->Extended : entry->Normal).load(std::memory_order_acquire);
}

void THostParamMirror::CopyText(int32_t index, char* out) const {
  const TEntry* entry = Find(index);
  if (entry == nullptr) {
    out[0] = '\0';
    return;
  }
  uint64_t words[kWords];
  for (;;) {
    const uint32_t before = entry->Sequence.load(std::memory_order_acquire);
    if ((before & 1) != 0) {
      std::this_thread::yield();
      continue;
    }
    for (size_t w = 0; w < kWords; ++w) words[w] = entry->Text[w].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);  // the words before the second look
    if (entry->Sequence.load(std::memory_order_relaxed) == before) break;
  }
  std::memcpy(out, words, kTextCapacity);
  out[kTextCapacity - 1] = '\0';
}

std::string THostParamMirror::Text(int32_t index) const {
  char bytes[kTextCapacity];
  CopyText(index, bytes);
  return std::string(bytes);
}

}  // namespace brelix
