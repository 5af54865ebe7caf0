// Sample memory: the one engine memory that lives outside the arena. It is taken, shared and given
// back only on the user-interface thread, inside the synthesizer's update bracket.
//
// A block can have several owners: lanes that play the same channel of the same file share one
// block, so a long sample named in four lanes costs one copy. Each block records where its samples
// came from, so that a later load can tell whether a block it could share holds what the file
// holds now.
#pragma once

#include <cstddef>
#include <cstdint>

struct stat;

namespace brelix {

// One channel of one version of one file: the file's identity, its size and modification time,
// and what was read from it.
struct SampleSource {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t ModifiedNs = 0;
  int32_t Channels = 0;  // of the file
  int32_t Channel = 0;   // the one in the block, from 0
  int32_t Rate = 0;
  int64_t Frames = 0;
};

// The identity, size and modification time of a file as stat() gives them; the rest zero.
SampleSource SampleFileVersion(const struct stat& info);
// True when both name the same version of the same file.
bool SameFileVersion(const SampleSource& a, const SampleSource& b);

// A zeroed block of `count` singles with one owner and no source; null when memory is short.
float* SampleMemoryAllocate(size_t count);
// One owner less; the last one gives the block back. Clears the reference; a null reference is
// left alone.
void SampleMemoryRelease(float*& block);
// One owner more; the same block.
float* SampleMemoryShare(float* block);

// Where the block's samples came from (all zero until set).
const SampleSource& SampleMemorySource(const float* block);
void SampleMemorySetSource(float* block, const SampleSource& source);

}  // namespace brelix
