#include "engine/global_memory.h"

#include <cstdlib>
#include <new>

namespace brelix {

XGlobalMemory::XGlobalMemory(int size_mib) {
  GlobalSize = size_mib * 1048576;
  GlobalMem = std::calloc(static_cast<size_t>(GlobalSize) + 16, 1);
  if (GlobalMem == nullptr) throw std::bad_alloc();
  auto raw = reinterpret_cast<uintptr_t>(GlobalMem);
  GlobalStart = reinterpret_cast<uint8_t*>((raw + 15) & ~uintptr_t{15});
  GlobalEnd = GlobalStart + GlobalSize;
  GlobalPtr = GlobalStart;
  SynthWork = reinterpret_cast<XSynthWork*>(GlobalStart);
}

XGlobalMemory::~XGlobalMemory() { std::free(GlobalMem); }

void* XGlobalMemory::Alloc(size_t size) {
  uint8_t* piece = GlobalPtr;
  // Compared as distances, before rounding, so a huge request cannot wrap around.
  size_t room = static_cast<size_t>(GlobalEnd - GlobalPtr);
  if (size >= room || ((size + 15) & ~size_t{15}) >= room) {
    GlobalPtr = GlobalEnd;
    throw std::runtime_error("Out of global memory!");
  }
  GlobalPtr += (size + 15) & ~size_t{15};
  return piece;
}

}  // namespace brelix
