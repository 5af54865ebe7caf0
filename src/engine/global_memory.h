// The per-instance engine memory: one zero-filled, 16-byte aligned bump arena. Every engine
// record and table lives here, so the vector code reaches any of them through a 32-bit offset
// from the arena start (the engine memory base) instead of a 64-bit pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace brelix {

struct XSynthWork;

class XGlobalMemory {
 public:
  // Takes size_mib * 1 MiB (+16 bytes for alignment) from the heap, zero-filled.
  explicit XGlobalMemory(int size_mib);
  ~XGlobalMemory();
  XGlobalMemory(const XGlobalMemory&) = delete;
  XGlobalMemory& operator=(const XGlobalMemory&) = delete;

  // A fresh 16-byte aligned piece; the size is rounded up to a multiple of 16. Throws
  // std::runtime_error("Out of global memory!") when the advanced pointer would not stay below
  // the end (so the very last 16 bytes are never handed out). The pointer stays advanced.
  void* Alloc(size_t size);

  template <typename T>
  T* AllocRecord() {
    return static_cast<T*>(Alloc(sizeof(T)));
  }
  float* AllocFloats(size_t count) { return static_cast<float*>(Alloc(count * sizeof(float))); }

  // Byte distance of `address` from the engine memory base.
  uint32_t Offset(const void* address) const {
    return static_cast<uint32_t>(static_cast<const uint8_t*>(address) - GlobalStart);
  }
  // Element (single-precision) distance of a table from the base.
  uint32_t ElementOffset(const float* table) const { return Offset(table) / 4; }

  void* GlobalMem = nullptr;   // the block as obtained from the heap, kept for freeing
  int32_t GlobalSize = 0;      // usable size in bytes
  uint8_t* GlobalStart = nullptr;  // engine memory base, 16-byte aligned
  uint8_t* GlobalEnd = nullptr;
  uint8_t* GlobalPtr = nullptr;    // next free address
  XSynthWork* SynthWork = nullptr;  // the first allocation sits at GlobalStart
};

}  // namespace brelix
