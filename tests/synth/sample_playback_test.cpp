// A sample loaded into the playing patch sounds through the render loop, and stops sounding
// once its lane is emptied again.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/sample_osc.h"
#include "patch/sample_file.h"
#include "support/audio_measures.h"
#include "synth_fixture.h"

namespace {

// A mono 16-bit sine of 441 Hz at 44.1 kHz, one second.
std::string WriteSine(const std::filesystem::path& path) {
  const int frames = 44100;
  std::vector<int16_t> data(frames);
  for (int i = 0; i < frames; ++i) data[i] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 441 * i / 44100.0));
  const uint32_t bytes = frames * 2;
  uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
  const uint32_t rate = 44100, byte_rate = 88200, data_size = bytes, riff = 36 + bytes;
  std::memcpy(header + 4, &riff, 4);
  std::memcpy(header + 24, &rate, 4);
  std::memcpy(header + 28, &byte_rate, 4);
  header[32] = 2;
  header[34] = 16;
  std::memcpy(header + 36, "data", 4);
  std::memcpy(header + 40, &data_size, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), 44);
  out.write(reinterpret_cast<const char*>(data.data()), bytes);
  return path.string();
}

using brelix::testing::Rms;

TEST(SamplePlayback, ALoadedSampleSoundsAndAnEmptiedLaneFallsSilent) {
  brelix::testing::SynthFixture f;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("brelix_sine_" + std::to_string(::getpid()) + ".wav");
  const std::string name = WriteSine(file);
  brelix::XPatch& patch = f.patch();

  // Oscillators silent: whatever sounds comes from the sample of lane 1.
  f.synth->BeginProcessUpdate();
  patch.AuxOscLevel = brelix::QSingle::zero();
  patch.SampleOscLevel = brelix::QSingle::of(1.0f, 0.0f, 0.0f, 0.0f);
  patch.SampleOscLoop = brelix::QWord::ones();
  std::snprintf(patch.SampleOscFile[0], brelix::kSampleFileNameSize, "%s", name.c_str());
  brelix::SampleLoad(patch, 1);
  f.synth->EndProcessUpdate();
  ASSERT_EQ(patch.SampleProcess, &brelix::SampleOscProcess);

  f.NoteOn(60);
  const std::vector<float> sounding = f.Render(8192);
  EXPECT_GT(Rms(sounding, 4096), 0.01);

  f.synth->BeginProcessUpdate();
  patch.SampleOscFile[0][0] = 0;
  for (int v = 0; v < brelix::kMaxVoices; ++v) brelix::SampleVoiceLaneReset(f.work(v), 1);
  brelix::SampleLoad(patch, 1);
  f.synth->EndProcessUpdate();
  EXPECT_EQ(patch.SampleProcess, static_cast<brelix::SampleProcessRoutine>(&brelix::NoOperation));
  // What is left are the decaying tails of the filters and DC blockers: 60 dB down and falling.
  const std::vector<float> emptied = f.Render(16384);
  EXPECT_LT(Rms(emptied, 12288), 1e-3 * Rms(sounding, 4096));
  std::filesystem::remove(file);
}

}  // namespace
