// The 264-byte program chunk: its layout, and what damaged or foreign blocks give.
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

}  // namespace
}  // namespace brelix
