#include "engine/sample_memory.h"

#include <cstdlib>

namespace brelix {

float* SampleMemoryAllocate(size_t count) {
  return static_cast<float*>(std::calloc(count, sizeof(float)));
}

void SampleMemoryRelease(float*& block) {
  std::free(block);
  block = nullptr;
}

}  // namespace brelix
