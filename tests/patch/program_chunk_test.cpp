// The program chunk: the 264-byte record and the patch after it, their layout, and what damaged
// or foreign blocks give.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "patch/program_chunk.h"

namespace brelix {
namespace {

using Block = std::array<uint8_t, kProgramChunkSize>;

Block Written(uint8_t channel, int32_t max_voice, const std::string& file) {
  Block block;
  block.fill(0xAA);
  ProgramChunkWrite(block, {channel, max_voice, file});
  return block;
}

int32_t VoiceField(const Block& block) {
  int32_t value = 0;
  std::memcpy(&value, block.data() + 4, 4);
  return value;
}

TEST(ProgramChunk, LayoutOfAWrittenChunk) {
  const Block block = Written(9, 15, "/home/me/Patches/Bass.tw");
  EXPECT_EQ(block[0], 9);  // MIDI channel 10
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(block[2], 0);
  EXPECT_EQ(block[3], 0);
  EXPECT_EQ(VoiceField(block), 15);  // 16 voices
  EXPECT_EQ(block[8], 24);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 9), 24), "/home/me/Patches/Bass.tw");
  for (size_t i = 9 + 24; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;

  const auto back = ProgramChunkRead(block.data(), kProgramChunkSize);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Channel, 9);
  EXPECT_EQ(back->MaxVoice, 15);
  EXPECT_EQ(back->PatchFile, "/home/me/Patches/Bass.tw");
}

TEST(ProgramChunk, FileNamesAtAndBeyondTheLimit) {
  const std::string longest(255, 'a');
  EXPECT_EQ(ProgramChunkRead(Written(0, 0, longest).data(), kProgramChunkSize)->PatchFile, longest);
  EXPECT_EQ(Written(0, 0, longest + "bcd")[8], 255);
  EXPECT_EQ(ProgramChunkRead(Written(0, 0, longest + "bcd").data(), kProgramChunkSize)->PatchFile, longest);
  // A cut never splits a UTF-8 character: "é" (2 bytes) at bytes 254..255 goes whole.
  const std::string accented = std::string(254, 'a') + "\xC3\xA9.tw";
  EXPECT_EQ(ProgramChunkRead(Written(0, 0, accented).data(), kProgramChunkSize)->PatchFile, std::string(254, 'a'));
  EXPECT_EQ(Written(0, -1, "")[8], 0);
  EXPECT_EQ(ProgramChunkRead(Written(0, -1, "").data(), kProgramChunkSize)->PatchFile, "");
}

TEST(ProgramChunk, DamagedFieldsGiveUsableValues) {
  struct Case {
    int32_t voice_field;
    int32_t max_voice;
  };
  const Case cases[] = {{-1, -1}, {0, 0}, {15, 15}, {16, 15}, {40, 15}, {100, 15},
                        {INT32_MAX, 15}, {-2, -1}, {-100, -1}, {INT32_MIN, -1}};
  for (const Case& c : cases) {
    Block block = Written(0, 0, "x");
    std::memcpy(block.data() + 4, &c.voice_field, 4);
    EXPECT_EQ(ProgramChunkRead(block.data(), kProgramChunkSize)->MaxVoice, c.max_voice) << c.voice_field;
  }
  Block block = Written(0x1A, 3, "/p/a.tw");
  EXPECT_EQ(ProgramChunkRead(block.data(), kProgramChunkSize)->Channel, 0x0A);
  // A length byte that counts past the name: the name ends at its first zero byte, so no file
  // of another name is opened.
  block[8] = 200;
  EXPECT_EQ(ProgramChunkRead(block.data(), kProgramChunkSize)->PatchFile, "/p/a.tw");
  block[8] = 255;
  std::memset(block.data() + 9, 'z', 255);
  EXPECT_EQ(ProgramChunkRead(block.data(), kProgramChunkSize)->PatchFile, std::string(255, 'z'));
  // The padding is ignored.
  block[1] = block[2] = block[3] = 0x55;
  EXPECT_EQ(ProgramChunkRead(block.data(), kProgramChunkSize)->MaxVoice, 3);
}

TEST(ProgramChunk, ABlockOfAnyOtherSizeIsNoChunk) {
  std::vector<uint8_t> data(1024, 0);
  for (int64_t size : std::initializer_list<int64_t>{-1, 0, 1, 100, 263, 265, 528, 1024, INT64_MAX})
    EXPECT_FALSE(ProgramChunkRead(data.data(), size)) << size;
  EXPECT_FALSE(ProgramChunkRead(nullptr, kProgramChunkSize));
}

TEST(ProgramChunk, ThePatchTravelsAfterTheRecord) {
  const std::string patch = "[Voice]\r\nVolume=0.5\r\n\r\n";
  const std::vector<uint8_t> block = ProgramChunkEncode({9, 15, "/p/Bass.tw", patch});
  ASSERT_EQ(block.size(), kProgramChunkSize + kChunkPatchHeaderSize + patch.size());
  Block record;
  std::memcpy(record.data(), block.data(), kProgramChunkSize);
  EXPECT_EQ(record, Written(9, 15, "/p/Bass.tw"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + kProgramChunkSize), 8), "BrelixPT");
  EXPECT_EQ(block[kProgramChunkSize + 8], patch.size());  // the count, little-endian
  const auto back = ProgramChunkRead(block.data(), static_cast<int64_t>(block.size()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Channel, 9);
  EXPECT_EQ(back->PatchFile, "/p/Bass.tw");
  EXPECT_EQ(back->Patch, patch);
  // A bare record carries none; fields without a patch give a bare record.
  EXPECT_FALSE(ProgramChunkRead(block.data(), kProgramChunkSize)->Patch);
  EXPECT_EQ(ProgramChunkEncode({9, 15, "/p/Bass.tw", std::nullopt}).size(), kProgramChunkSize);
}

// The mark of edits the patch file does not hold sits in the first padding byte, which earlier
// versions wrote as 0 and read past: their chunks read unmarked, and they read ours.
TEST(ProgramChunk, TheEditedMarkTravelsInTheFirstPaddingByteWithThePatch) {
  const std::string patch = "[Voice]\r\nVolume=0.5\r\n";
  ProgramChunkFields fields{9, 15, "/p/Bass.tw", patch};
  const std::vector<uint8_t> unmarked = ProgramChunkEncode(fields);
  fields.Edited = true;
  std::vector<uint8_t> marked = ProgramChunkEncode(fields);
  ASSERT_EQ(marked.size(), unmarked.size());
  EXPECT_EQ(marked[1], kChunkFlagEdited);
  marked[1] = 0;
  EXPECT_EQ(marked, unmarked);  // nothing else differs
  marked[1] = kChunkFlagEdited;

  const auto read = [](const std::vector<uint8_t>& block, size_t size) {
    const auto back = ProgramChunkRead(block.data(), static_cast<int64_t>(size));
    EXPECT_TRUE(back);
    return back ? back->Edited : false;
  };
  EXPECT_TRUE(read(marked, marked.size()));
  EXPECT_FALSE(read(unmarked, unmarked.size()));
  // A bare record carries no patch to be marked, whatever its padding holds.
  EXPECT_FALSE(read(marked, kProgramChunkSize));
  // Fields without a patch give a bare record with nothing in its padding.
  fields.Patch.reset();
  EXPECT_EQ(ProgramChunkEncode(fields)[1], 0);
}

// The bytes after the record come from a stranger's project: only the exact layout is taken.
TEST(ProgramChunk, WhatFollowsTheRecordMustBeExactlyAPatch) {
  const std::vector<uint8_t> good = ProgramChunkEncode({0, 15, "/p/a.tw", std::string("[Voice]\r\n")});
  const size_t count_at = kProgramChunkSize + 8;
  const auto with_count = [&](uint32_t count) {
    std::vector<uint8_t> block = good;
    std::memcpy(block.data() + count_at, &count, 4);
    return block;
  };
  std::vector<uint8_t> wrong_marker = good;
  wrong_marker[kProgramChunkSize + 3] ^= 0x20;
  std::vector<uint8_t> huge = with_count(kChunkPatchMaxBytes + 1);
  huge.resize(huge.size() - 9 + kChunkPatchMaxBytes + 1);
  struct Case {
    const char* name;
    std::vector<uint8_t> block;
    int64_t size;
  };
  const Case cases[] = {
      {"marker cut short", good, kProgramChunkSize + 5},
      {"count cut short", good, static_cast<int64_t>(count_at + 2)},
      {"count one byte more than follows", with_count(10), static_cast<int64_t>(good.size())},
      {"count one byte less than follows", with_count(8), static_cast<int64_t>(good.size())},
      {"count near 2^32", with_count(0xFFFFFFF7u), static_cast<int64_t>(good.size())},
      {"wrong marker", wrong_marker, static_cast<int64_t>(good.size())},
      {"patch larger than a patch file may be", huge, static_cast<int64_t>(huge.size())},
  };
  for (const Case& c : cases) EXPECT_FALSE(ProgramChunkRead(c.block.data(), c.size)) << c.name;
  EXPECT_TRUE(ProgramChunkRead(good.data(), static_cast<int64_t>(good.size())));
  std::vector<uint8_t> empty = with_count(0);
  empty.resize(count_at + 4);
  EXPECT_EQ(ProgramChunkRead(empty.data(), static_cast<int64_t>(empty.size()))->Patch, "");
}

}  // namespace
}  // namespace brelix
