// The stereo WAV writer: what libsndfile reads back, rounding, dither and clipping of PCM output,
// shortening, and that a file appears only when it is complete.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "wav_output.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

class WavOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("brelix_wav_test_" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  size_t FilesInFolder() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {})); }

  fs::path folder_;
};

struct ReadBack {
  SF_INFO info{};
  std::vector<float> samples;  // interleaved
};

ReadBack Read(const std::string& path) {
  ReadBack result;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &result.info);
  if (file == nullptr) {
    ADD_FAILURE() << "cannot read back " << path << ": " << sf_strerror(nullptr);
    return result;
  }
  result.samples.resize(static_cast<size_t>(result.info.frames * result.info.channels));
  sf_readf_float(file, result.samples.data(), result.info.frames);
  sf_close(file);
  return result;
}

TEST_F(WavOutputTest, WritesStereoInTheAskedFormatAndRate) {
  struct Case {
    WavSampleFormat format;
    int subtype;
    double tolerance;
  };
  const float left[] = {0.0f, 0.5f, -0.25f, 0.125f, 0.75f};
  const float right[] = {-0.5f, 0.25f, 0.0625f, -1.0f, 0.3f};
  for (const Case& c : {Case{WavSampleFormat::Float32, SF_FORMAT_FLOAT, 0.0},
                        Case{WavSampleFormat::Pcm16, SF_FORMAT_PCM_16, 1.0 / 32768},
                        Case{WavSampleFormat::Pcm24, SF_FORMAT_PCM_24, 1.0 / 8388608}}) {
    SCOPED_TRACE(c.subtype);
    const std::string path = PathOf("out.wav");
    WavWriter writer(path, 48000, c.format);
    writer.Write(left, right, 2);  // in two blocks: the interleaving must continue seamlessly
    writer.Write(left + 2, right + 2, 3);
    writer.Close();

    const ReadBack back = Read(path);
    EXPECT_EQ(back.info.format, SF_FORMAT_WAV | c.subtype);
    EXPECT_EQ(back.info.channels, 2);
    EXPECT_EQ(back.info.samplerate, 48000);
    ASSERT_EQ(back.info.frames, 5);
    for (int i = 0; i < 5; ++i) {
      EXPECT_NEAR(back.samples[2 * i], left[i], c.tolerance) << "left " << i;
      EXPECT_NEAR(back.samples[2 * i + 1], right[i], c.tolerance) << "right " << i;
    }
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left";
  }
}

TEST_F(WavOutputTest, PcmClipsAtFullScaleInsteadOfWrappingAndFloatKeepsTheValue) {
  const float left[] = {1.5f, -3.0f};
  const float right[] = {1.0f, -1.0f};
  for (const WavSampleFormat format : {WavSampleFormat::Pcm16, WavSampleFormat::Pcm24}) {
    const std::string path = PathOf("loud.wav");
    WavWriter writer(path, 44100, format);
    writer.Write(left, right, 2);
    writer.Close();
    const ReadBack back = Read(path);
    ASSERT_EQ(back.samples.size(), 4u);
    EXPECT_GT(back.samples[0], 0.999f);
    EXPECT_LT(back.samples[2], -0.999f);
    EXPECT_GT(back.samples[1], 0.999f);
    EXPECT_EQ(writer.ClippedSamples(), 3) << "1.5, -3 and 1.0 (one step above the largest); -1.0 fits";
  }
  const std::string path = PathOf("float.wav");
  WavWriter writer(path, 44100, WavSampleFormat::Float32);
  writer.Write(left, right, 2);
  writer.Close();
  const ReadBack back = Read(path);
  ASSERT_EQ(back.samples.size(), 4u);
  EXPECT_EQ(back.samples[0], 1.5f);
  EXPECT_EQ(back.samples[2], -3.0f);
}

// The PCM steps as libsndfile reads them back (full scale 2^15 or 2^23).
std::vector<int32_t> ReadSteps(const std::string& path, WavSampleFormat format) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  std::vector<int32_t> words(static_cast<size_t>(info.frames * info.channels));
  sf_readf_int(file, words.data(), info.frames);
  sf_close(file);
  for (int32_t& word : words) word >>= format == WavSampleFormat::Pcm16 ? 16 : 8;
  return words;
}

TEST_F(WavOutputTest, PcmRoundsToTheNearestStep) {
  for (const WavSampleFormat format : {WavSampleFormat::Pcm16, WavSampleFormat::Pcm24}) {
    const float step = format == WavSampleFormat::Pcm16 ? 1.0f / 32768 : 1.0f / 8388608;
    const float left[] = {5.4f * step, 5.6f * step, -5.4f * step, -5.6f * step, 0.4f * step};
    const float right[] = {1000.49f * step, -1000.51f * step, 0.5f * step, 1.5f * step, -0.6f * step};
    WavWriter writer(PathOf("round.wav"), 44100, format);
    writer.Write(left, right, 5);
    writer.Close();
    EXPECT_EQ(ReadSteps(PathOf("round.wav"), format),
              (std::vector<int32_t>{5, 1000, 6, -1001, -5, 0, -6, 2, 0, -1}));  // halves go to the even step
    EXPECT_EQ(writer.ClippedSamples(), 0);
  }
}

TEST_F(WavOutputTest, DitherIsTriangularUnbiasedAndRepeatsWithItsSeed) {
  // A quarter of a step, steady: without dither it rounds to 0 and is lost; with dither the steps
  // -1, 0 and 1 average to it.
  const std::vector<float> quarter(100000, 0.25f / 32768);
  const auto render = [&](const char* name, std::optional<uint32_t> seed) {
    WavWriter writer(PathOf(name), 44100, WavSampleFormat::Pcm16);
    if (seed) writer.EnableDither(*seed);
    writer.Write(quarter.data(), quarter.data(), quarter.size());
    writer.Close();
    return ReadSteps(PathOf(name), WavSampleFormat::Pcm16);
  };
  const std::vector<int32_t> plain = render("plain.wav", std::nullopt);
  EXPECT_TRUE(std::all_of(plain.begin(), plain.end(), [](int32_t s) { return s == 0; }));
  const std::vector<int32_t> dithered = render("dither.wav", 7);
  double sum = 0.0;
  for (int32_t s : dithered) {
    ASSERT_GE(s, -1);
    ASSERT_LE(s, 1);
    sum += s;
  }
  EXPECT_NEAR(sum / static_cast<double>(dithered.size()), 0.25, 0.01);
  EXPECT_EQ(render("again.wav", 7), dithered);
  EXPECT_NE(render("other.wav", 8), dithered);
  EXPECT_THROW(WavWriter(PathOf("f.wav"), 44100, WavSampleFormat::Float32).EnableDither(1), std::logic_error);
}

TEST_F(WavOutputTest, AFileCanBeCutBackBeforeItIsClosed) {
  const std::vector<float> ramp = [] {
    std::vector<float> r(100);
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<float>(i) / 128.0f;
    return r;
  }();
  for (const WavSampleFormat format : {WavSampleFormat::Float32, WavSampleFormat::Pcm24}) {
    WavWriter writer(PathOf("cut.wav"), 44100, format);
    writer.Write(ramp.data(), ramp.data(), 60);
    writer.Write(ramp.data() + 60, ramp.data() + 60, 40);
    writer.Truncate(130);  // beyond the end: nothing happens
    EXPECT_EQ(writer.Frames(), 100);
    writer.Truncate(41);
    EXPECT_EQ(writer.Frames(), 41);
    writer.Close();
    const ReadBack back = Read(PathOf("cut.wav"));
    ASSERT_EQ(back.info.frames, 41);
    EXPECT_FLOAT_EQ(back.samples[80], 40.0f / 128.0f);
  }
}

TEST_F(WavOutputTest, ARenderPlannedBeyondFourGibIsWrittenAsRf64) {
  const float sample[] = {0.5f};
  const int64_t beyondWav = int64_t{1} << 29;  // 4 GiB of 32-bit stereo frames
  WavWriter rf64(PathOf("long.wav"), 44100, WavSampleFormat::Float32, beyondWav);
  rf64.Write(sample, sample, 1);
  rf64.Close();
  EXPECT_EQ(Read(PathOf("long.wav")).info.format, SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
  WavWriter wav(PathOf("fits.wav"), 44100, WavSampleFormat::Pcm16, beyondWav);  // 2 GiB
  wav.Write(sample, sample, 1);
  wav.Close();
  EXPECT_EQ(Read(PathOf("fits.wav")).info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

TEST_F(WavOutputTest, AWriterLeftWithoutCloseLeavesAnOlderFileAsItWas) {
  const std::string path = PathOf("keep.wav");
  std::ofstream(path) << "older contents";
  {
    WavWriter writer(path, 44100, WavSampleFormat::Float32);
    const float silence[64] = {};
    writer.Write(silence, silence, 64);
  }  // a render that failed midway: no Close
  std::ifstream kept(path);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "older contents");
  EXPECT_EQ(FilesInFolder(), 1u);

  {
    WavWriter writer(PathOf("new.wav"), 44100, WavSampleFormat::Float32);
  }
  EXPECT_FALSE(fs::exists(PathOf("new.wav")));
}

TEST_F(WavOutputTest, AFileThatCannotBeCreatedIsNamedWithTheReason) {
  struct Case {
    std::string path;
    const char* reason;
  };
  for (const Case& c : {Case{PathOf("missing/out.wav"), "No such file or directory"},
                        Case{folder_.string(), "it is a folder"}}) {
    try {
      WavWriter writer(c.path, 44100, WavSampleFormat::Float32);
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const WavOutputError& error) {
      const std::string text = error.what();
      EXPECT_NE(text.find("'" + c.path + "'"), std::string::npos) << text;
      EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
  }
  EXPECT_THROW(WavWriter(PathOf("x.wav"), 0, WavSampleFormat::Float32), std::invalid_argument);
}

}  // namespace
}  // namespace brelix
