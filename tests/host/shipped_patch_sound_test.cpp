// The shipped patches sound as the README says, measured through the built plug-in as a host
// plays them: brightness (spectral centroid) and level at velocities 40, 80 and 127, with the mod
// wheel where it is said to open the filter, with the filter cutoffs doubled (an edit a sound
// designer makes must be heard), and sixteen notes at full velocity below 0 dBFS. The figures
// are printed for the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "patch/ini_file.h"
#include "patch/number_text.h"
#include "patch/program_chunk.h"
#include "support/program_chunk_bytes.h"
#include "support/sound_measures.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

struct Performance {
  std::vector<uint8_t> notes;
  int velocity = 127;
  int wheel = 0;        // controller 1
  double seconds = 1.0;  // held this long, then measured from `from` on
  double from = 0.0;
};

// The patch file played through the plug-in's entry point, restored through the program chunk as
// a host restores a project; the left and right outputs mixed to mono.
std::vector<float> Play(const std::string& patch, const Performance& play, double* peakDb = nullptr) {
  host::HostConfig config;
  config.sample_rate = static_cast<float>(kRate);
  PluginInstance instance(PluginLibrary::Load(BRELIX_PLUGIN_PATH), config);
  instance.open();
  instance.setSampleRate(static_cast<float>(kRate));
  instance.setBlockSize(kBlock);
  instance.resume();
  std::vector<uint8_t> chunk = instance.getChunk();
  const ProgramChunkFields fields = *ProgramChunkRead(chunk.data(), static_cast<int64_t>(chunk.size()));
  instance.setChunk(testing::ProgramChunkBytes(fields.Channel, fields.MaxVoice, patch));

  std::vector<host::MidiMessage> start = {{0xB0, 1, static_cast<uint8_t>(play.wheel)}};
  for (uint8_t note : play.notes) start.push_back({0x90, note, static_cast<uint8_t>(play.velocity)});
  instance.sendMidi(start);
  std::vector<float> mono;
  float peak = 0.0f;
  const auto blocks = static_cast<int>(play.seconds * kRate / kBlock);
  for (int b = 0; b < blocks; ++b) {
    instance.process(kBlock);
    for (int i = 0; i < kBlock; ++i) {
      peak = std::max({peak, std::fabs(instance.left()[i]), std::fabs(instance.right()[i])});
      if (b * kBlock + i >= play.from * kRate) mono.push_back(0.5f * (instance.left()[i] + instance.right()[i]));
    }
  }
  if (peakDb != nullptr) *peakDb = 20.0 * std::log10(peak);
  return mono;
}

// A copy of the patch whose four filter cutoffs are twice as high.
std::string WithCutoffsDoubled(const std::string& patch, const testing::TempFolder& folder) {
  const std::string copy = folder.file(std::filesystem::path(patch).filename().string());
  std::filesystem::copy_file(patch, copy, std::filesystem::copy_options::overwrite_existing);
  TIniFile file(copy);
  for (int lane = 1; lane <= 4; ++lane) {
    const std::string section = "Filter." + std::to_string(lane);
    const float cutoff = TextToFloat(file.ReadValue(section, "FilterCutoff").value_or("")).value_or(12543.853515625f);
    file.WriteValue(section, "FilterCutoff", FloatToText(2.0f * cutoff));
  }
  file.UpdateFile();
  return copy;
}

// The brightness of consecutive stretches of 8192 samples (0.19 s).
std::vector<double> BrightnessOverTime(const std::vector<float>& sound) {
  constexpr size_t kStretch = 8192;
  std::vector<double> centroids;
  for (size_t start = 0; start + kStretch <= sound.size(); start += kStretch) {
    centroids.push_back(testing::SpectralCentroid({sound.begin() + static_cast<long>(start),
                                                   sound.begin() + static_cast<long>(start + kStretch)}, kRate));
  }
  return centroids;
}

struct Claims {
  const char* patch;
  Performance play;  // one note, measured where it sounds steadily
  bool brighterWithVelocity;
  bool louderWithVelocity;
  bool wheelOpensFilter;
  double movingFor;  // seconds of a held note in which its filter moves (0: no claim)
};

void PrintTo(const Claims& claims, std::ostream* out) { *out << claims.patch; }

class ShippedPatchSound : public ::testing::TestWithParam<Claims> {
 protected:
  static void SetUpTestSuite() { setenv("BRELIX_SEED", "1", 1); }  // the same noise and phases every run
};

TEST_P(ShippedPatchSound, DoesWhatItsDescriptionSays) {
  const Claims& claims = GetParam();
  const std::string patch = std::string(BRELIX_PATCHES_DIR) + "/" + claims.patch;
  testing::TempFolder folder;

  double centroid[3], level[3];
  const int velocities[3] = {40, 80, 127};
  for (int i = 0; i < 3; ++i) {
    Performance play = claims.play;
    play.velocity = velocities[i];
    const std::vector<float> sound = Play(patch, play);
    centroid[i] = testing::SpectralCentroid(sound, kRate);
    level[i] = testing::RmsDb(sound);
  }
  const double doubled = testing::SpectralCentroid(Play(WithCutoffsDoubled(patch, folder), claims.play), kRate);
  Performance wheel = claims.play;
  wheel.wheel = 127;
  const double wheelOpen = testing::SpectralCentroid(Play(patch, wheel), kRate);
  // Sixteen keys over four octaves, and a cluster of sixteen neighbouring keys from the patch's
  // own note, where their attacks meet nearly in phase.
  Performance chord = {.notes = {}, .seconds = 1.2};
  Performance cluster = chord;
  for (int n = 0; n < 16; ++n) {
    chord.notes.push_back(static_cast<uint8_t>(36 + 3 * n));
    cluster.notes.push_back(static_cast<uint8_t>(claims.play.notes[0] + n));
  }
  double chordPeak = 0.0, clusterPeak = 0.0;
  Play(patch, chord, &chordPeak);
  Play(patch, cluster, &clusterPeak);
  chordPeak = std::max(chordPeak, clusterPeak);
  // How the brightness of one held note moves: its darkest and brightest stretch.
  Performance held = claims.play;
  held.seconds = claims.movingFor > 0.0 ? claims.movingFor : 2.0;
  held.from = 0.0;
  const std::vector<double> moving = BrightnessOverTime(Play(patch, held));
  const double darkest = *std::min_element(moving.begin(), moving.end());
  const double brightest = *std::max_element(moving.begin(), moving.end());

  std::printf("%-16s centroid %5.0f %5.0f %5.0f Hz  RMS %6.1f %6.1f %6.1f dBFS (velocity 40, 80, 127)  "
              "cutoffs x2: %5.0f Hz  wheel: %5.0f Hz  held: %5.0f..%5.0f Hz  16 notes: peak %+5.1f dBFS\n",
              claims.patch, centroid[0], centroid[1], centroid[2], level[0], level[1], level[2], doubled, wheelOpen,
              darkest, brightest, chordPeak);

  EXPECT_GT(doubled, 1.15 * centroid[2]) << "a cutoff edit is heard";
  EXPECT_LT(chordPeak, -0.5) << "sixteen notes at full velocity stay below full scale";
  if (claims.brighterWithVelocity) {
    EXPECT_GT(centroid[1], 1.1 * centroid[0]);
    EXPECT_GT(centroid[2], 1.1 * centroid[1]);
  }
  if (claims.louderWithVelocity) {
    EXPECT_GT(level[1], level[0] + 1.0);
    EXPECT_GT(level[2], level[1] + 1.0);
  }
  if (claims.wheelOpensFilter) {
    EXPECT_GT(wheelOpen, 1.3 * centroid[2]);
  }
  if (claims.movingFor > 0.0) {
    EXPECT_GT(brightest, 1.25 * darkest);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Patches, ShippedPatchSound,
    ::testing::Values(Claims{"warm-pad.tw", {.notes = {48}, .seconds = 3.0, .from = 1.0}, false, false, true, 6.0},
                      Claims{"round-bass.tw", {.notes = {36}, .seconds = 0.6, .from = 0.0}, true, true, false, 1.0},
                      Claims{"sync-lead.tw", {.notes = {60}, .seconds = 1.0, .from = 0.1}, false, false, true, 0.0},
                      Claims{"glass-pluck.tw", {.notes = {72}, .seconds = 0.5, .from = 0.0}, true, true, false, 1.0},
                      Claims{"echo-keys.tw", {.notes = {60}, .seconds = 0.6, .from = 0.0}, true, true, false, 0.0}),
    [](const ::testing::TestParamInfo<Claims>& info) {
      std::string name = info.param.patch;
      name = name.substr(0, name.find('.'));
      std::erase(name, '-');
      return name;
    });

}  // namespace
}  // namespace brelix
