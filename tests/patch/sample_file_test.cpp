// Loading WAV files into the sample oscillator lanes: conversions, channels, guard frames, the
// routine slots, and every malformed file ending in the message and an empty lane.
#include "patch/sample_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/rates.h"
#include "patch/patch_defaults.h"
#include "patch/patch_derived.h"
#include "patch/wav_reader.h"
#include "base/messages.h"
#include "support/engine_fixture.h"
#include "support/scripted_ui.h"
#include "support/wav_bytes.h"

namespace {

using brelix::XPatch;

using brelix::testing::Int16Data;
using brelix::testing::kSizeOfData;
using brelix::testing::Put32;
using brelix::testing::WavBytes;
using brelix::testing::WavHeader;

template <typename T>
std::vector<uint8_t> RawData(std::initializer_list<T> values) {
  std::vector<uint8_t> d(values.size() * sizeof(T));
  std::memcpy(d.data(), std::data(values), d.size());
  return d;
}

using RecordingBoxes = brelix::testing::RecordedMessages;

class SampleLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brelix::SetMessageBoxes(&boxes_);
    brelix::SampleRate = 44100.0f;
    dir_ = std::filesystem::temp_directory_path() /
           ("brelix_samples_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    brelix::PatchDefaults(patch());
    brelix::PatchPrepare(patch());
    brelix::PatchSampleRate(patch());
  }
  void TearDown() override {
    brelix::PatchDefaults(patch());  // gives the lanes' memory back
    brelix::SetMessageBoxes(nullptr);
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir_, ignored);
  }

  XPatch& patch() { return *engine.patch; }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  void SetFile(int lane, const std::string& name) {
    std::snprintf(patch().SampleOscFile[lane - 1], brelix::kSampleFileNameSize, "%s", name.c_str());
  }
  void Load(int lane, const std::string& name) {
    SetFile(lane, name);
    brelix::SampleLoad(patch(), lane);
  }
  const float* Frames(int lane) { return patch().SampleOscPtr.p[lane - 1]; }
  double Size(int lane) { return patch().SampleOscSize.lane(lane - 1); }
  bool RoutinesOn() {
    const bool process = patch().SampleProcess == &brelix::SampleOscProcess;
    const bool calculate = patch().SampleCalculate == &brelix::SampleOscCalculate;
    EXPECT_EQ(process, calculate);
    return process;
  }
  void ExpectEmptyLane(int lane) {
    EXPECT_EQ(patch().SampleOscMemory.p[lane - 1], nullptr);
    EXPECT_EQ(Frames(lane), brelix::SilentSample());
    EXPECT_EQ(Size(lane), 0.0);
    EXPECT_EQ(patch()._SampleOscLoop.lane(lane - 1), 0.0);
  }

  brelix::testing::EngineFixture engine;
  RecordingBoxes boxes_;
  std::filesystem::path dir_;
};

TEST_F(SampleLoadTest, ConvertsEachSampleFormat) {
  struct Case {
    const char* name;
    WavHeader header;
    std::vector<uint8_t> data;
    std::vector<float> frames;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"u8", {.bits = 8}, {255, 128, 0, 129}, {1.0f, 0.0f, static_cast<float>(-128 / 127.0), static_cast<float>(1 / 127.0)}},
      {"s16", {.bits = 16}, Int16Data({32767, -32768, 0, 1}),
       {1.0f, static_cast<float>(-32768 / 32767.0), 0.0f, static_cast<float>(1 / 32767.0)}},
      {"s24", {.bits = 24}, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x40},
       {-1.0000001f, 1.0f, static_cast<float>(-1 / 8388607.0), static_cast<float>(4194304 / 8388607.0)}},
      {"s32", {.bits = 32}, RawData<int32_t>({INT32_MAX, INT32_MIN, 0, 1 << 30}),
       {1.0f, static_cast<float>(INT32_MIN / 2147483647.0), 0.0f, static_cast<float>((1 << 30) / 2147483647.0)}},
      {"f32", {.tag = 3, .bits = 32}, RawData<float>({0.25f, -1.5f, INFINITY, 3e-8f}), {0.25f, -1.5f, 0.0f, 3e-8f}},
      {"f64", {.tag = 3, .bits = 64}, RawData<double>({0.1, -2.0, nan, 1e300}),
       {0.1f, -2.0f, 0.0f, 0.0f}},
      // Wider float samples: their first four bytes as a single.
      {"f48", {.tag = 3, .bits = 48}, {0, 0, 0x80, 0x3F, 9, 9, 0, 0, 0x80, 0xBF, 9, 9}, {1.0f, -1.0f}},
      // Encodings without a conversion load as silence of the file's length.
      {"mpeg", {.tag = 0x0055, .bits = 16}, Int16Data({100, 200, 300}), {0.0f, 0.0f, 0.0f}},
      {"pcm40", {.bits = 40}, std::vector<uint8_t>(10, 0x11), {0.0f, 0.0f}},
      {"f16", {.tag = 3, .bits = 16}, Int16Data({0x3C00, 0x3C00}), {0.0f, 0.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(1, Write(std::string(c.name) + ".wav", WavBytes(c.header, c.data)));
    ASSERT_NE(patch().SampleOscMemory.p[0], nullptr);
    ASSERT_EQ(Size(1), static_cast<double>(c.frames.size()));
    for (size_t i = 0; i < c.frames.size(); ++i) EXPECT_EQ(Frames(1)[i], c.frames[i]) << "frame " << i;
    EXPECT_TRUE(RoutinesOn());
  }
  EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(SampleLoadTest, OddLanesTakeTheFirstChannelEvenLanesTheSecond) {
  const std::string stereo =
      Write("stereo.wav", WavBytes({.channels = 2, .rate = 22050}, Int16Data({100, -100, 200, -200, 300, -300})));
  for (int lane = 1; lane <= 4; ++lane) Load(lane, stereo);
  for (int lane = 1; lane <= 4; ++lane) {
    const float sign = lane % 2 == 1 ? 1.0f : -1.0f;
    ASSERT_EQ(Size(lane), 3.0);
    EXPECT_EQ(patch().SampleOscRate.lane(lane - 1), 22050.0f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Frames(lane)[i], static_cast<float>(sign * 100 * (i + 1) / 32767.0));
  }
  const std::string mono = Write("mono.wav", WavBytes({}, Int16Data({7, 8})));
  for (int lane = 1; lane <= 4; ++lane) Load(lane, mono);
  for (int lane = 1; lane <= 4; ++lane) EXPECT_EQ(Frames(lane)[1], static_cast<float>(8 / 32767.0));

  // Frames wider than a read block: the second channel of 20000 is read sample by sample.
  std::vector<int32_t> wide(3 * 20000, 0);
  for (int f = 0; f < 3; ++f) wide[f * 20000 + 1] = (f + 1) << 24;
  std::vector<uint8_t> data(wide.size() * 4);
  std::memcpy(data.data(), wide.data(), data.size());
  Load(2, Write("wide.wav", WavBytes({.channels = 20000, .bits = 32}, data)));
  ASSERT_EQ(Size(2), 3.0);
  for (int f = 0; f < 3; ++f) EXPECT_EQ(Frames(2)[f], static_cast<float>(((f + 1) << 24) / 2147483647.0));
  EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(SampleLoadTest, GuardFramesRepeatTheEndsAroundTheSample) {
  Load(1, Write("five.wav", WavBytes({.bits = 8}, {128 + 10, 128 + 20, 128 + 30, 128 + 40, 128 + 50})));
  const float* p = Frames(1);
  ASSERT_EQ(Size(1), 5.0);
  EXPECT_EQ(p, patch().SampleOscMemory.p[0] + 2);
  EXPECT_EQ(p[-2], p[3]);
  EXPECT_EQ(p[-1], p[4]);
  EXPECT_EQ(p[5], p[0]);
  EXPECT_EQ(p[6], p[1]);
  EXPECT_EQ(p[7], p[2]);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(patch().SampleOscMemory.p[0]) % 16, 0u);

  // A one-frame sample: every guard holds that frame; two frames wrap the same way.
  Load(2, Write("one.wav", WavBytes({}, Int16Data({1234}))));
  ASSERT_EQ(Size(2), 1.0);
  const float one = static_cast<float>(1234 / 32767.0);
  for (int i = -2; i <= 3; ++i) EXPECT_EQ(Frames(2)[i], one) << i;
  Load(3, Write("two.wav", WavBytes({}, Int16Data({1, 2}))));
  const float* q = Frames(3);
  EXPECT_EQ(q[-2], q[0]);
  EXPECT_EQ(q[-1], q[1]);
  EXPECT_EQ(q[2], q[0]);
  EXPECT_EQ(q[3], q[1]);
  EXPECT_EQ(q[4], q[0]);
}

TEST_F(SampleLoadTest, PlaybackValuesFollowTheFileRateAndTheLoopSwitch) {
  patch().SampleOscLoop = brelix::QWord::of(0xFFFFFFFFu, 0, 0, 0);
  const std::string file = Write("rate.wav", WavBytes({.rate = 32000}, Int16Data({1, 2, 3, 4, 5, 6, 7})));
  Load(1, file);
  Load(2, file);
  EXPECT_EQ(patch()._SampleOscLoop.lane(0), 7.0);
  EXPECT_EQ(patch()._SampleOscLoop.lane(1), 0.0);
  // 32000 / (44100 x 2^1 x base pitch x 8), in double precision.
  const double expected = 32000.0 / (44100.0 * 2.0 * static_cast<double>(patch().AuxOscBasePitch.lane(0)) * 8.0);
  EXPECT_EQ(patch().SampleDelta1.lane(0), expected);
  EXPECT_EQ(patch().SampleDelta1.lane(1), expected);

  brelix::SampleRate = 0.0f;
  brelix::SampleRateUpdate(patch(), 1);
  EXPECT_EQ(patch().SampleDelta1.lane(0), 1.0);
  brelix::SampleRate = 44100.0f;
}

TEST_F(SampleLoadTest, RoutinesRunWhileAnyLaneHoldsASample) {
  const std::string file = Write("s.wav", WavBytes({}, Int16Data({1, 2, 3})));
  EXPECT_FALSE(RoutinesOn());
  Load(1, file);
  Load(3, file);
  EXPECT_TRUE(RoutinesOn());
  Load(1, "");
  ExpectEmptyLane(1);
  EXPECT_TRUE(RoutinesOn());
  Load(3, "");
  ExpectEmptyLane(3);
  EXPECT_FALSE(RoutinesOn());
  EXPECT_TRUE(boxes_.messages.empty());  // an empty name is no error

  // A failed load releases the lane's previous sample and leaves it empty.
  Load(2, file);
  Load(2, (dir_ / "missing.wav").string());
  ExpectEmptyLane(2);
  EXPECT_FALSE(RoutinesOn());
  EXPECT_EQ(boxes_.messages.size(), 1u);

  // The patch defaults give every lane's block back.
  Load(4, file);
  brelix::PatchDefaults(patch());
  ExpectEmptyLane(4);
}

TEST_F(SampleLoadTest, MalformedFilesShowTheMessageAndLeaveTheLaneEmpty) {
  const std::vector<uint8_t> good_data = Int16Data({1, 2, 3, 4});
  const std::vector<uint8_t> good = WavBytes({}, good_data);
  auto with = [&](size_t at, const char* text) {
    std::vector<uint8_t> b = good;
    for (size_t i = 0; text[i] != 0; ++i) b.at(at + i) = static_cast<uint8_t>(text[i]);
    return b;
  };
  // A "LIST" chunk between "fmt " and "data", as many editors write it.
  std::vector<uint8_t> list = good;
  const uint8_t list_chunk[] = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  list.insert(list.begin() + 36, std::begin(list_chunk), std::end(list_chunk));
  std::vector<uint8_t> truncated = good;
  truncated.resize(good.size() - 1);
  std::vector<uint8_t> minus1 = good;
  Put32(minus1, 40, 0xFFFFFFFFu);

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"header_short", std::vector<uint8_t>(good.begin(), good.begin() + 43)},
      {"riff", with(0, "RIFX")},
      {"wave", with(8, "AVI ")},
      {"fmt", with(12, "JUNK")},
      {"list", list},
      {"extensible", WavBytes({.tag = 0xFFFE}, good_data)},
      {"adpcm_even", WavBytes({.tag = 2}, good_data)},
      {"channels0", WavBytes({.channels = 0}, good_data)},
      {"channels_negative", WavBytes({.channels = -2}, good_data)},
      {"rate0", WavBytes({.rate = 0}, good_data)},
      {"rate_negative", WavBytes({.rate = -44100}, good_data)},
      {"bits7", WavBytes({.bits = 7}, good_data)},
      {"bits_negative", WavBytes({.bits = -16}, good_data)},
      {"size0", WavBytes({.data_size = 0}, good_data)},
      {"size_negative", WavBytes({.data_size = 0x80000000u}, good_data)},
      {"size_minus1", minus1},
      {"size_below_a_frame", WavBytes({.channels = 2, .data_size = 3}, good_data)},
      {"data_truncated", truncated},
      {"size_absurd", WavBytes({.data_size = 0x7FFFFFFF}, good_data)},
      {"frames_absurd", WavBytes({.channels = 32767, .bits = 32760, .data_size = 0x7FFFFFFF}, good_data)},
  };
  patch().SampleOscLoop = brelix::QWord::ones();
  const std::string sample = Write("good.wav", good);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(1, sample);
    ASSERT_TRUE(RoutinesOn());
    boxes_.messages.clear();
    const std::string path = Write(std::string(c.name) + ".wav", c.bytes);
    Load(1, path);
    EXPECT_EQ(boxes_.messages, std::vector<std::string>{"Invalid sample file:\r\r" + path});
    ExpectEmptyLane(1);
    EXPECT_FALSE(RoutinesOn());
  }
}

TEST_F(SampleLoadTest, NamesThatAreNoReadableFileShowTheMessage) {
  std::vector<std::string> names = {dir_.string(), "/dev/zero", "/dev/null"};
  const std::string fifo = (dir_ / "fifo.wav").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  names.push_back(fifo);  // opening it must not wait for a writer
  const std::string locked = Write("locked.wav", WavBytes({}, Int16Data({1, 2})));
  if (::geteuid() != 0) {
    ::chmod(locked.c_str(), 0);
    names.push_back(locked);
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    boxes_.messages.clear();
    Load(1, name);
    EXPECT_EQ(boxes_.messages, std::vector<std::string>{"Invalid sample file:\r\r" + name});
    ExpectEmptyLane(1);
  }
  // A file that is not there at all says so, and where it was looked for.
  const std::string missing = (dir_ / "missing.wav").string();
  boxes_.messages.clear();
  Load(1, missing);
  EXPECT_EQ(boxes_.messages, std::vector<std::string>{"Sample file not found: " + missing});
  ExpectEmptyLane(1);
}

TEST_F(SampleLoadTest, TheRateIsTakenAsSoonAsItsCheckPasses) {
  patch().SampleOscRate = brelix::QSingle::splat(1.0f);
  Load(1, Write("bits.wav", WavBytes({.rate = 12345, .bits = 4}, Int16Data({1}))));
  EXPECT_EQ(patch().SampleOscRate.lane(0), 12345.0f);
  Load(2, Write("rate.wav", WavBytes({.rate = 0}, Int16Data({1}))));
  EXPECT_EQ(patch().SampleOscRate.lane(1), 1.0f);
  EXPECT_EQ(boxes_.messages.size(), 2u);
}

// Sparse files: long on paper, nothing on disk. One frame more than a lane takes is refused
// before its memory is taken; the lanes together take at most twice a lane's longest (a block
// shared by lanes counts once), and a lane that lets go of its sample makes room again.
TEST_F(SampleLoadTest, LongSamplesAreBoundedPerLaneAndPerPatch) {
  const auto sparse = [&](const std::string& name, int64_t frames) {
    const std::string path = Write(name, WavBytes({.bits = 8, .data_size = static_cast<int32_t>(frames)}, {}));
    EXPECT_EQ(::truncate(path.c_str(), 44 + frames), 0);
    return path;
  };
  const std::string tooLong = "It is longer than " + std::to_string(brelix::kMaxSampleFrames) + " frames";
  const std::string over = sparse("over.wav", brelix::kMaxSampleFrames + 1);
  Load(1, over);
  ASSERT_EQ(boxes_.messages.size(), 1u);
  EXPECT_EQ(boxes_.messages[0].find("Invalid sample file:\r\r" + over + "\r\r" + tooLong), 0u) << boxes_.messages[0];
  ExpectEmptyLane(1);

  boxes_.messages.clear();
  static_assert(brelix::kMaxPatchSampleFrames == 2 * brelix::kMaxSampleFrames);
  const std::string longest = sparse("longest.wav", brelix::kMaxSampleFrames);
  Load(1, longest);
  Load(3, longest);  // the same channel: shared
  Load(2, sparse("longest2.wav", brelix::kMaxSampleFrames));
  EXPECT_EQ(boxes_.messages, std::vector<std::string>{});
  const std::string one = Write("one.wav", WavBytes({}, Int16Data({5})));
  Load(4, one);
  ASSERT_EQ(boxes_.messages.size(), 1u);
  EXPECT_NE(boxes_.messages[0].find(one + "\r\r" + tooLong + ", or the patch's samples together"), std::string::npos);
  ExpectEmptyLane(4);
  Load(2, "");
  Load(4, one);
  EXPECT_EQ(Size(4), 1.0);
  EXPECT_EQ(boxes_.messages.size(), 1u);
}

// Lanes that play the same channel of the same file share one copy; a lane that lets go of it
// leaves the others playing, and a file changed on disk since is read again.
TEST_F(SampleLoadTest, LanesNamingTheSameFileShareOneCopy) {
  const std::string stereo = Write("pair.wav", WavBytes({.channels = 2}, Int16Data({100, -100, 200, -200})));
  for (int lane = 1; lane <= 4; ++lane) Load(lane, stereo);
  EXPECT_EQ(Frames(1), Frames(3));  // the first channel
  EXPECT_EQ(Frames(2), Frames(4));  // the second
  EXPECT_NE(Frames(1), Frames(2));
  EXPECT_EQ(Frames(4)[1], static_cast<float>(-200 / 32767.0));

  const std::string mono = Write("mono.wav", WavBytes({.rate = 22050}, Int16Data({7, 8, 9})));
  for (int lane = 1; lane <= 4; ++lane) Load(lane, mono);
  for (int lane = 2; lane <= 4; ++lane) {
    EXPECT_EQ(Frames(lane), Frames(1)) << lane;
    EXPECT_EQ(Size(lane), 3.0);
    EXPECT_EQ(patch().SampleOscRate.lane(lane - 1), 22050.0f);
  }

  const float* shared = Frames(1);
  Load(1, "");
  Load(2, "");
  EXPECT_EQ(Frames(3), shared);
  EXPECT_EQ(Frames(3)[2], static_cast<float>(9 / 32767.0));
  EXPECT_TRUE(RoutinesOn());
  Load(1, mono);
  EXPECT_EQ(Frames(1), shared);

  // The same name with new content: a new copy for the lane that loads it now.
  Write("mono.wav", WavBytes({.rate = 22050}, Int16Data({70, 80, 90, 100})));
  Load(2, mono);
  EXPECT_NE(Frames(2), shared);
  EXPECT_EQ(Size(2), 4.0);
  EXPECT_EQ(Frames(2)[0], static_cast<float>(70 / 32767.0));
  EXPECT_EQ(Frames(3)[0], static_cast<float>(7 / 32767.0));
  EXPECT_TRUE(boxes_.messages.empty());
}

}  // namespace
