#include "engine/sample_memory.h"

#include <sys/stat.h>

#include <cstdlib>
#include <new>

namespace brelix {

namespace {

// In front of the samples, a multiple of 16 bytes long so that the samples keep the alignment
// of the allocation.
struct alignas(16) BlockHeader {
  size_t Owners;
  SampleSource Source;
};
static_assert(sizeof(BlockHeader) % 16 == 0);

BlockHeader* HeaderOf(const float* block) {
  return reinterpret_cast<BlockHeader*>(reinterpret_cast<uintptr_t>(block) - sizeof(BlockHeader));
}

}  // namespace

SampleSource SampleFileVersion(const struct stat& info) {
  SampleSource source;
  source.Device = static_cast<uint64_t>(info.st_dev);
  source.Inode = static_cast<uint64_t>(info.st_ino);
  source.Size = static_cast<int64_t>(info.st_size);
  source.ModifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return source;
}

bool SameFileVersion(const SampleSource& a, const SampleSource& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size && a.ModifiedNs == b.ModifiedNs;
}

float* SampleMemoryAllocate(size_t count) {
  if (count > (SIZE_MAX - sizeof(BlockHeader)) / sizeof(float)) return nullptr;
  void* memory = std::calloc(1, sizeof(BlockHeader) + count * sizeof(float));
  if (memory == nullptr) return nullptr;
  auto* header = new (memory) BlockHeader{1, {}};
  return reinterpret_cast<float*>(header + 1);
}

void SampleMemoryRelease(float*& block) {
  if (block == nullptr) return;
  BlockHeader* header = HeaderOf(block);
  block = nullptr;
  if (--header->Owners == 0) std::free(header);
}

float* SampleMemoryShare(float* block) {
  ++HeaderOf(block)->Owners;
  return block;
}

const SampleSource& SampleMemorySource(const float* block) { return HeaderOf(block)->Source; }

void SampleMemorySetSource(float* block, const SampleSource& source) { HeaderOf(block)->Source = source; }

}  // namespace brelix
