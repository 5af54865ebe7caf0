// What a host parameter call on a thread that does not hold the editor's controls is answered
// from: a copy of each entry's host value (for the normal and the extended range) and of its
// display text, kept by the thread that holds the controls whenever a value changes.
//
// Readers take no lock and never see a torn copy: the values are atomics, and each text sits
// under a sequence counter that its writer makes odd while it writes; a reader that met an odd
// counter, or a counter that moved while it copied, copies again. Only the holder of the controls
// writes, one writer at a time, and it never waits.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace brelix {

class THostParamMirror {
 public:
  // A text keeps at most 31 characters, the cut a host's buffer gets anyway.
  static constexpr size_t kTextCapacity = 32;

  explicit THostParamMirror(int32_t count);

  // The holder of the controls only. An index outside the entries is ignored.
  void Store(int32_t index, float normal, float extended, std::string_view text);

  // 0.0 and an empty text for an index outside the entries.
  float Value(int32_t index, bool extRange) const;
  std::string Text(int32_t index) const;
  // The text into `out` (kTextCapacity bytes, zero-terminated); empty for an index outside.
  void CopyText(int32_t index, char* out) const;

 private:
  static constexpr size_t kWords = kTextCapacity / sizeof(uint64_t);
  struct TEntry {
    std::atomic<float> Normal{0.0f};
    std::atomic<float> Extended{0.0f};
    std::atomic<uint32_t> Sequence{0};
    std::array<std::atomic<uint64_t>, kWords> Text{};
  };
  TEntry* Find(int32_t index) const;

  int32_t count_;
  std::unique_ptr<TEntry[]> entries_;
};

}  // namespace brelix
