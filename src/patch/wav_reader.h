// Reads one channel of a WAV file into a sample oscillator lane's memory block.
//
// Only the canonical 44-byte header is accepted ("RIFF", "WAVEfmt " with a 16-byte format chunk,
// "data" right after it); the fields are read at their fixed positions, not by walking chunks.
// The block holds frames + 5 singles: two guard copies before the frames (frames n-2 and n-1)
// and three after them (frames 0, 1, 2), so that interpolation across both ends and the loop
// point needs no bounds test. Guards of samples shorter than that wrap around the sample.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brelix {

// The longest sample a lane takes: 2^26 frames (25 minutes at 44.1 kHz, 256 MiB of singles).
constexpr int64_t kMaxSampleFrames = int64_t{1} << 26;
// The most frames a patch's four lanes hold together (a block shared by lanes counts once):
// 2^27 frames, 512 MiB of singles, far more than a real patch needs, so that a patch naming
// several huge files (sparse ones cost nothing on disk) cannot take gigabytes.
constexpr int64_t kMaxPatchSampleFrames = int64_t{1} << 27;

struct WavLaneData {
  float* memory = nullptr;  // the lane's block (SampleMemoryAllocate), the caller's from now on;
                            // null when the file was rejected
  int64_t frames = 0;
  // The file's rate once its header check has passed, even when a later check rejects the file.
  std::optional<int32_t> rate;
  // Rejected because its header declares more frames than the lane may take.
  bool too_long = false;
};

// Reads the first channel, or the second when `second_channel` is set and the file has one.
// Integer PCM of 1 to 4 bytes is scaled to about [-1, 1] (8-bit unsigned around 128; 16, 24 and
// 32-bit signed by 2^(bits-1) - 1); float files keep their 32-bit values (64-bit ones are
// converted, values that are not finite become 0); other odd format tags, integer samples
// wider than 4 bytes and float samples narrower than 4 bytes load as silence of the file's
// length.
//
// Rejected (memory null): a name that is not a readable regular file, a header shorter than 44
// bytes or with a wrong mark, an even format tag, fewer than 1 channel, a rate below 1, fewer
// than 8 bits per sample, a data size below one frame, a file shorter than the data its header
// claims, or memory that cannot be had; and, with too_long set, more than kMaxSampleFrames
// frames or more than `frames_left`. Sizes are checked against the header and the file's size
// before any memory is taken. Never throws.
WavLaneData ReadWavLane(const std::string& file_name, bool second_channel, int64_t frames_left = kMaxSampleFrames);

}  // namespace brelix
