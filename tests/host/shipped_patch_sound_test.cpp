// Every shipped patch (every *.tw under patches/, found by listing the folder: a new patch is
// measured without editing this file), played through the built plug-in as a host plays it:
//
// - one note at velocity 100 plays between -24 and -12 dBFS RMS (its loudest 0.1 s), or from
//   the lower level its "; measured:" line states;
// - sixteen notes at velocity 127 stay below 0 dBFS: four octaves, a semitone cluster, octaves
//   and fifths;
// - no DC offset above -60 dB;
// - the tail falls below -90 dBFS within its stated time after the note-off;
// - doubling the filter cutoffs moves the spectral centroid by 10 % or more;
// - what the patch's "; measured:" comment line says the mod wheel, velocity and pressure do is
//   heard;
// - no two patches are near-copies: their average spectra at the same notes differ.
//
// The "; measured:" line holds key=value words, all optional:
//   note=N       the note measured (60)
//   hold=S       how long it is held before measuring the release, seconds (1)
//   tail=S       how long after the note-off the sound is down to -90 dBFS, seconds (3)
//   level=DB     the lowest level its one note may have, -32 at most (-24): for sounds whose
//                attacks or pitches stack up in a chord (plucks, hard sync, octaves of pure tones,
//                noise, which every voice shares), so that sixteen notes
//                still stay below full scale
//   wheel=W,...  velocity=W,...  pressure=W,...  what full mod wheel, full velocity (against 40)
//                and full channel pressure do: brighter, darker, louder, softer or changes
//
// Under the sanitizer build, where the engine runs many times slower, each patch only plays a
// short chord of sixteen notes (its memory and arithmetic watched); the normal build measures
// everything. The figures are printed for the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "patch/ini_file.h"
#include "patch/number_text.h"
#include "patch/program_chunk.h"
#include "support/program_chunk_bytes.h"
#include "support/shipped_patches.h"
#include "support/sound_measures.h"
#include "support/temp_folder.h"
#include "vst_host.h"

#if defined(__SANITIZE_ADDRESS__)
#define BRELIX_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRELIX_SLOW_BUILD 1
#endif
#endif
#ifndef BRELIX_SLOW_BUILD
#define BRELIX_SLOW_BUILD 0
#endif

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr bool kSlowBuild = BRELIX_SLOW_BUILD;

// What the patch's "; measured:" line states.
struct Statement {
  int note = 60;
  double hold = 1.0;
  double tail = 3.0;
  double level = -24.0;
  std::map<std::string, std::vector<std::string>> effects;  // "wheel", "velocity", "pressure"
};

Statement ReadStatement(const std::filesystem::path& patch) {
  Statement statement;
  std::ifstream in(patch);
  std::string line;
  while (std::getline(in, line) && line.starts_with(";")) {
    const std::string tag = "; measured:";
    if (!line.starts_with(tag)) continue;
    std::istringstream words(line.substr(tag.size()));
    std::string word;
    while (words >> word) {
      const size_t equals = word.find('=');
      if (equals == std::string::npos) continue;
      const std::string key = word.substr(0, equals), value = word.substr(equals + 1);
      if (key == "note") statement.note = std::stoi(value);
      else if (key == "hold") statement.hold = std::stod(value);
      else if (key == "tail") statement.tail = std::stod(value);
      else if (key == "level") statement.level = std::max(std::stod(value), -32.0);
      else {
        std::istringstream items(value);
        std::string item;
        while (std::getline(items, item, ',')) statement.effects[key].push_back(item);
      }
    }
  }
  return statement;
}

struct Performance {
  std::vector<uint8_t> notes;
  int velocity = 100;
  int wheel = 0;      // controller 1
  int pressure = -1;  // channel pressure after the notes; -1: none
  double held = 1.0;  // seconds until the note-offs
  double seconds = 1.0;
};

struct Sound {
  std::vector<float> left, right;
  std::vector<float> mono() const {
    std::vector<float> m(left.size());
    for (size_t i = 0; i < m.size(); ++i) m[i] = 0.5f * (left[i] + right[i]);
    return m;
  }
};

// The patch file played through the plug-in's entry point, restored through the program chunk as
// a host restores a project.
Sound Play(const std::string& patch, const Performance& play) {
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
  if (play.pressure >= 0) start.push_back({0xD0, static_cast<uint8_t>(play.pressure), 0});
  instance.sendMidi(start);
  Sound sound;
  const auto blocks = static_cast<int>(play.seconds * kRate / kBlock);
  const auto release = static_cast<int>(play.held * kRate / kBlock);
  for (int b = 0; b < blocks; ++b) {
    if (b == release) {
      std::vector<host::MidiMessage> stop;
      for (uint8_t note : play.notes) stop.push_back({0x80, note, 64});
      instance.sendMidi(stop);
    }
    instance.process(kBlock);
    sound.left.insert(sound.left.end(), instance.left().begin(), instance.left().end());
    sound.right.insert(sound.right.end(), instance.right().begin(), instance.right().end());
  }
  return sound;
}

// The level a listener hears: the RMS of both channels over the loudest 0.1 s.
double LoudestRmsDb(const Sound& sound) {
  const auto window = static_cast<size_t>(0.1 * kRate), hop = window / 4;
  double loudest = 0.0;
  for (size_t start = 0; start + window <= sound.left.size(); start += hop) {
    double sum = 0.0;
    for (size_t i = start; i < start + window; ++i)
      sum += static_cast<double>(sound.left[i]) * sound.left[i] + static_cast<double>(sound.right[i]) * sound.right[i];
    loudest = std::max(loudest, sum / (2.0 * static_cast<double>(window)));
  }
  return 10.0 * std::log10(loudest + 1e-30);
}

double PeakDb(const Sound& sound, size_t from = 0) {
  float peak = 0.0f;
  for (size_t i = from; i < sound.left.size(); ++i) peak = std::max({peak, std::fabs(sound.left[i]), std::fabs(sound.right[i])});
  return 20.0 * std::log10(static_cast<double>(peak) + 1e-30);
}

double DcDb(const Sound& sound) {
  double left = 0.0, right = 0.0;
  for (size_t i = 0; i < sound.left.size(); ++i) left += sound.left[i], right += sound.right[i];
  const double n = static_cast<double>(std::max<size_t>(sound.left.size(), 1));
  return 20.0 * std::log10(std::max(std::fabs(left), std::fabs(right)) / n + 1e-30);
}

// The average spectrum in third-octave bands from 50 Hz to 16 kHz, in dB relative to its own
// loudest band, so that two patches are compared by their colour, not their level.
std::vector<double> BandSpectrum(const std::vector<float>& mono) {
  const std::vector<double> spectrum = testing::AverageSpectrum(mono);
  const double bin = kRate / (2.0 * static_cast<double>(spectrum.size()));
  std::vector<double> bands;
  for (double low = 50.0; low < 16000.0; low *= std::pow(2.0, 1.0 / 3.0)) {
    double sum = 1e-12;
    for (size_t k = static_cast<size_t>(low / bin); k < std::min(spectrum.size(), static_cast<size_t>(low * std::pow(2.0, 1.0 / 3.0) / bin)); ++k)
      sum += spectrum[k] * spectrum[k];
    bands.push_back(10.0 * std::log10(sum));
  }
  const double top = *std::max_element(bands.begin(), bands.end());
  for (double& band : bands) band = std::max(band - top, -60.0);  // below -60 dB counts as silence
  return bands;
}

// The RMS difference in dB between two band spectra.
double SpectrumDistance(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum / static_cast<double>(a.size()));
}

// Two patches whose band spectra at the same notes differ by less than this are near-copies.
constexpr double kNearCopyDb = 2.0;

// A copy of the patch whose four filter cutoffs are twice as high, its relative sample names
// made full so that the copy plays the same samples from elsewhere.
std::string WithCutoffsDoubled(const std::filesystem::path& patch, const testing::TempFolder& folder) {
  const std::string copy = folder.file(patch.filename().string());
  std::filesystem::copy_file(patch, copy, std::filesystem::copy_options::overwrite_existing);
  TIniFile file(copy);
  for (int lane = 1; lane <= 4; ++lane) {
    const std::string filter = "Filter." + std::to_string(lane);
    const float cutoff = TextToFloat(file.ReadValue(filter, "FilterCutoff").value_or("")).value_or(12543.853515625f);
    file.WriteValue(filter, "FilterCutoff", FloatToText(2.0f * cutoff));
    const std::string sample = "SampleOsc." + std::to_string(lane);
    const std::string name = file.ReadValue(sample, "SampleOscFile").value_or("");
    if (!name.empty() && std::filesystem::path(name).is_relative())
      file.WriteValue(sample, "SampleOscFile", (patch.parent_path() / name).string());
  }
  file.UpdateFile();
  return copy;
}

// A name for the patch: its path below patches/.
std::string ShortName(const std::filesystem::path& patch) {
  return std::filesystem::relative(patch, BRELIX_PATCHES_DIR).string();
}

// The sound of one note of the patch at velocity 100, as measured for its level; kept for the
// near-copy comparison.
const Sound& OneNote(const std::filesystem::path& patch, int note) {
  static std::map<std::pair<std::string, int>, Sound> played;
  const auto key = std::make_pair(patch.string(), note);
  auto found = played.find(key);
  if (found == played.end()) {
    const Statement statement = ReadStatement(patch);
    found = played.emplace(key, Play(patch.string(), {.notes = {static_cast<uint8_t>(note)}, .held = statement.hold,
                                                      .seconds = statement.hold})).first;
  }
  return found->second;
}

class ShippedPatch : public ::testing::TestWithParam<std::filesystem::path> {
 protected:
  static void SetUpTestSuite() { setenv("BRELIX_SEED", "1", 1); }  // the same noise and phases every run
};

// Under the sanitizer build in place of the measures below.
TEST_P(ShippedPatch, PlaysSixteenNotes) {
  if (!kSlowBuild) GTEST_SKIP() << "the measures below play every patch";
  std::vector<uint8_t> notes;
  for (int n = 0; n < 16; ++n) notes.push_back(static_cast<uint8_t>(24 + 12 * (n / 2) + 7 * (n % 2)));
  const Sound sound = Play(GetParam().string(), {.notes = notes, .velocity = 127, .held = 0.2, .seconds = 0.3});
  for (size_t i = 0; i < sound.left.size(); ++i) ASSERT_TRUE(std::isfinite(sound.left[i]) && std::isfinite(sound.right[i]));
}

TEST_P(ShippedPatch, PlaysAtTheLevelsAMusicianExpects) {
  if (kSlowBuild) GTEST_SKIP() << "measured in the normal build";
  const std::filesystem::path& patch = GetParam();
  const Statement statement = ReadStatement(patch);
  const Sound& one = OneNote(patch, statement.note);
  const double level = LoudestRmsDb(one), dc = DcDb(one);

  // Sixteen notes at full velocity, where the attacks of many voices meet.
  std::vector<std::vector<uint8_t>> chords(3);
  for (int n = 0; n < 16; ++n) {
    chords[0].push_back(static_cast<uint8_t>(36 + 3 * n));                                      // four octaves
    chords[1].push_back(static_cast<uint8_t>(60 + n));                                          // a cluster
    chords[2].push_back(static_cast<uint8_t>(24 + 12 * (n / 2) + 7 * (n % 2)));               // octaves and fifths
  }
  double peaks[3];
  for (int c = 0; c < 3; ++c) {
    const double seconds = std::min(statement.hold, 1.5);
    const Sound chord = Play(patch.string(), {.notes = chords[c], .velocity = 127, .held = seconds, .seconds = seconds});
    peaks[c] = PeakDb(chord);
  }
  const double peak = std::max({peaks[0], peaks[1], peaks[2]});
  std::printf("%-44s note %3d  RMS %6.1f dBFS  16 notes: peaks %+5.1f %+5.1f %+5.1f dBFS  DC %6.1f dB\n",
              ShortName(patch).c_str(), statement.note, level, peaks[0], peaks[1], peaks[2], dc);
  EXPECT_GE(level, statement.level) << "one note at velocity 100 is loud enough";
  EXPECT_LE(level, -12.0) << "one note at velocity 100 leaves room for chords";
  EXPECT_LT(peak, 0.0) << "sixteen notes at full velocity stay below full scale";
  EXPECT_LT(dc, -60.0) << "no DC offset";
}

TEST_P(ShippedPatch, DiesAwayAndAnswersItsControls) {
  if (kSlowBuild) GTEST_SKIP() << "measured in the normal build";
  const std::filesystem::path& patch = GetParam();
  const Statement statement = ReadStatement(patch);
  const std::vector<uint8_t> note = {static_cast<uint8_t>(statement.note)};
  const std::vector<float> plain = OneNote(patch, statement.note).mono();
  const double centroid = testing::SpectralCentroid(plain, kRate);

  // The tail after the note-off, measured over 0.25 s from the stated time on.
  const Sound released = Play(patch.string(), {.notes = note, .held = std::min(statement.hold, 1.0),
                                                .seconds = std::min(statement.hold, 1.0) + statement.tail + 0.25});
  const double tail = PeakDb(released, static_cast<size_t>((std::min(statement.hold, 1.0) + statement.tail) * kRate));
  EXPECT_LT(tail, -90.0) << "the tail is silent " << statement.tail << " s after the note-off";

  testing::TempFolder folder;
  const double doubled = testing::SpectralCentroid(
      Play(WithCutoffsDoubled(patch, folder), {.notes = note, .held = statement.hold, .seconds = statement.hold}).mono(),
      kRate);
  EXPECT_GE(std::fabs(doubled / centroid - 1.0), 0.10) << "a cutoff edit is heard";

  std::string heard;
  for (const auto& [control, effects] : statement.effects) {
    Performance off = {.notes = note, .held = statement.hold, .seconds = statement.hold};
    Performance on = off;
    if (control == "wheel") on.wheel = 127;
    else if (control == "pressure") on.pressure = 127;
    else if (control == "velocity") off.velocity = 40, on.velocity = 127;
    else ADD_FAILURE() << "no such control in the measured line: " << control;
    const std::vector<float> a = Play(patch.string(), off).mono(), b = Play(patch.string(), on).mono();
    const double brightness = testing::SpectralCentroid(b, kRate) / testing::SpectralCentroid(a, kRate);
    const double louder = testing::RmsDb(b) - testing::RmsDb(a);
    const double distance = SpectrumDistance(BandSpectrum(a), BandSpectrum(b));
    char figures[160];
    std::snprintf(figures, sizeof figures, "  %s: centroid x%.2f, %+.1f dB, spectrum %.1f dB", control.c_str(),
                  brightness, louder, distance);
    heard += figures;
    for (const std::string& effect : effects) {
      if (effect == "brighter") EXPECT_GE(brightness, 1.1) << control << " brightens";
      else if (effect == "darker") EXPECT_LE(brightness, 1.0 / 1.1) << control << " darkens";
      else if (effect == "louder") EXPECT_GE(louder, 2.0) << control << " makes it louder";
      else if (effect == "softer") EXPECT_LE(louder, -2.0) << control << " makes it softer";
      else if (effect == "changes")
        EXPECT_TRUE(distance >= 1.0 || std::fabs(louder) >= 1.0 || std::fabs(brightness - 1.0) >= 0.05)
            << control << " changes the sound";
      else ADD_FAILURE() << "no such effect in the measured line: " << effect;
    }
  }
  std::printf("%-44s tail %+6.1f dBFS at %.1f s  centroid %5.0f Hz, cutoffs x2: %5.0f Hz%s\n", ShortName(patch).c_str(),
              tail, statement.tail, centroid, doubled, heard.c_str());
}


INSTANTIATE_TEST_SUITE_P(Patches, ShippedPatch, ::testing::ValuesIn(testing::ShippedPatches()),
                         [](const ::testing::TestParamInfo<std::filesystem::path>& info) {
                           std::string name = ShortName(info.param);
                           name = name.substr(0, name.rfind('.'));
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Every pair of patches, compared by their average spectra at notes 48 and 72 (velocity 100).
TEST(ShippedPatches, NoTwoAreNearCopies) {
  if (kSlowBuild) GTEST_SKIP() << "measured in the normal build";
  setenv("BRELIX_SEED", "1", 1);
  const std::vector<std::filesystem::path> patches = testing::ShippedPatches();
  std::vector<std::vector<double>> spectra;
  for (const auto& patch : patches) {
    std::vector<double> both = BandSpectrum(OneNote(patch, 48).mono());
    const std::vector<double> high = BandSpectrum(OneNote(patch, 72).mono());
    both.insert(both.end(), high.begin(), high.end());
    spectra.push_back(both);
  }
  double closest = 1e9;
  for (size_t a = 0; a < patches.size(); ++a) {
    for (size_t b = a + 1; b < patches.size(); ++b) {
      const double distance = SpectrumDistance(spectra[a], spectra[b]);
      closest = std::min(closest, distance);
      EXPECT_GT(distance, kNearCopyDb) << ShortName(patches[a]) << " and " << ShortName(patches[b]) << " are near-copies";
    }
  }
  std::printf("closest pair of patches: %.1f dB apart (near-copies: below %.1f dB)\n", closest, kNearCopyDb);
}


}  // namespace
}  // namespace brelix
