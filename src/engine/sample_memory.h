// Sample memory: the one engine memory that lives outside the arena. It is taken and given back
// only on the user-interface thread, inside the synthesizer's update bracket.
#pragma once

#include <cstddef>

namespace brelix {

// A zeroed block of `count` singles; null when memory is short.
float* SampleMemoryAllocate(size_t count);
// Gives a block back and clears the reference; a null reference is left alone.
void SampleMemoryRelease(float*& block);

}  // namespace brelix
