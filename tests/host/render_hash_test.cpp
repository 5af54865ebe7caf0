// The sound is pinned: fixed renders through the built plug-in, loaded by its entry point from a
// copy in a clean folder, must give the SHA-256 fingerprints of their float output that the table
// tests/data/render_hashes.txt holds. Each render runs on every vector path the processor has:
// four voices to a 512-bit register (AVX-512), two to a 256-bit register (AVX2, forced with
// BRELIX_SIMD=avx2) and four lanes per register (BRELIX_SIMD=sse); each must match the row.
//
// Re-recording, after a change that is meant to change the sound:
//   BRELIX_RECORD_HASHES=PREFIX build/tests/render_hash_test
// prints the whole table with fresh fingerprints for the rows whose patch starts with PREFIX
// ("patches/" for the shipped patches, "all" for every row) and the recorded ones elsewhere; paste
// it over the file. Nothing is compared in that mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/qvector.h"
#include "patch/ini_file.h"
#include "support/program_chunk_bytes.h"
#include "support/sha256.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::MidiMessage;
using host::PluginInstance;
using host::PluginLibrary;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

const char* const kTablePath = BRELIX_TEST_DATA "/render_hashes.txt";
constexpr const char* kSeed = "20251";  // BRELIX_SEED of every render
constexpr uint8_t kVelocity = 100;
constexpr uint8_t kModWheel = 64;  // controller 1, sent before the notes

// One line of the table; see the file's head for the columns.
struct RenderRow {
  std::string patch;  // path from the project's root, or "default"
  std::vector<int> notes;
  int stagger = 0;  // frames between one note-on and the next; 0: all at frame 0
  int voices = 16;
  float rate = 44100.0f;
  int oversample = -1;  // -1: as the patch has it
  int block = 64;
  int frames = 0;
  int release = -1;  // frame of the note-offs, -1: held
  std::string hash;
  std::string notes_text, oversample_text, release_text;
};

// "48,55,60" or "36+3x16" (16 notes from 36 in steps of 3).
std::vector<int> ParseNotes(const std::string& text) {
  std::vector<int> notes;
  int first = 0, step = 0, count = 0;
  char plus = 0, times = 0;
  std::istringstream range(text);
  if (range >> first >> plus >> step >> times >> count && plus == '+' && times == 'x') {
    for (int n = 0; n < count; ++n) notes.push_back(first + n * step);
    return notes;
  }
  std::istringstream list(text);
  for (std::string item; std::getline(list, item, ',');) notes.push_back(std::stoi(item));
  return notes;
}

int ParseOptional(const std::string& text) { return text == "-" ? -1 : std::stoi(text); }

std::vector<RenderRow> ReadTable(std::vector<std::string>& lines) {
  std::ifstream in(kTablePath);
  std::vector<RenderRow> rows;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (line.empty() || line[0] == '#') continue;
    RenderRow r;
    std::istringstream fields(line);
    fields >> r.patch >> r.notes_text >> r.voices >> r.rate >> r.oversample_text >> r.block >> r.frames >>
        r.release_text >> r.hash;
    if (!fields) throw std::runtime_error("unreadable row: " + line);
    const size_t at = r.notes_text.find('@');
    r.notes = ParseNotes(r.notes_text.substr(0, at));
    if (at != std::string::npos) r.stagger = std::stoi(r.notes_text.substr(at + 1));
    r.oversample = ParseOptional(r.oversample_text);
    r.release = ParseOptional(r.release_text);
    rows.push_back(r);
  }
  return rows;
}

std::string FormatRow(const RenderRow& r, const std::string& hash) {
  char line[512];
  std::snprintf(line, sizeof line, "%-32s %-12s %2d %6.0f %2s %5d %6d %6s %s", r.patch.c_str(),
                r.notes_text.c_str(), r.voices, r.rate, r.oversample_text.c_str(), r.block, r.frames,
                r.release_text.c_str(), hash.c_str());
  return line;
}

// The BRELIX_SIMD values of the vector paths this machine runs, widest first.
std::vector<std::string> VectorPaths() {
  std::vector<std::string> paths;
  const VectorPath widest = WidestVectorPath();
  if (widest >= VectorPath::Avx512) paths.push_back("avx512");
  if (widest >= VectorPath::Avx2) paths.push_back("avx2");
  paths.push_back("sse");
  return paths;
}

class RenderHashes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
  }
  void TearDown() override {
    unsetenv("BRELIX_SEED");
    unsetenv("BRELIX_SIMD");
  }

  // The patch file a row plays: a copy of the named file (the plug-in's defaults are an empty
  // file) with the row's Oversample, and its sample names taken from the project's root.
  std::string PatchFileFor(const RenderRow& r) {
    TIniFile ini;
    if (r.patch != "default") ini.LoadFromBytes(ReadBytes(std::string(BRELIX_SOURCE_DIR "/") + r.patch));
    if (r.oversample >= 0) ini.WriteValue("Voice", "Oversample", std::to_string(r.oversample));
    for (int lane = 1; lane <= 4; ++lane) {
      const std::string section = "SampleOsc." + std::to_string(lane);
      const std::optional<std::string> sample = ini.ReadValue(section, "SampleOscFile");
      if (sample && !sample->empty() && (*sample)[0] != '/')
        ini.WriteValue(section, "SampleOscFile", std::string(BRELIX_SOURCE_DIR "/") + *sample);
    }
    const std::string file = folder_.file("render.tw");
    WriteBytes(file, ini.SaveToBytes());
    return file;
  }

  // The row's render, left and right interleaved, as little-endian float bytes.
  std::string Render(const RenderRow& r, const std::string& patch_file) {
    setenv("BRELIX_SEED", kSeed, 1);
    PluginInstance instance(library_, {.sample_rate = r.rate});
    EXPECT_TRUE(instance.is_open());
    instance.open();
    instance.setSampleRate(r.rate);
    instance.setBlockSize(r.block);
    instance.setChunk(testing::ProgramChunkBytes(0, r.voices - 1, patch_file));
    instance.resume();

    // Note n starts at frame n x stagger (a host's notes rarely share a frame, and then every voice
    // has its control ticks in frames of its own); the note-offs all come at the release frame.
    std::map<int, std::vector<MidiMessage>> events;
    events[0].push_back({0xB0, 1, kModWheel});
    for (size_t n = 0; n < r.notes.size(); ++n) {
      const uint8_t note = static_cast<uint8_t>(r.notes[n]);
      events[static_cast<int>(n) * r.stagger].push_back({0x90, note, kVelocity});
      if (r.release >= 0) events[r.release].push_back({0x80, note, 64});
    }
    std::string bytes;
    for (int done = 0; done < r.frames;) {
      const auto due = events.find(done);
      if (due != events.end()) instance.sendMidi(due->second);
      int frames = std::min(r.block, r.frames - done);
      const auto next = events.upper_bound(done);
      if (next != events.end()) frames = std::min(frames, next->first - done);
      instance.process(frames);
      for (int i = 0; i < frames; ++i) {
        const float pair[2] = {instance.left()[i], instance.right()[i]};
        bytes.append(reinterpret_cast<const char*>(pair), sizeof pair);
      }
      done += frames;
    }
    // A fingerprint of silence would pin nothing.
    float peak = 0.0f;
    for (size_t i = 0; i + sizeof(float) <= bytes.size(); i += sizeof(float)) {
      float x;
      std::memcpy(&x, bytes.data() + i, sizeof x);
      peak = std::max(peak, std::abs(x));
    }
    EXPECT_GT(peak, 0.01f) << "silent render";
    return bytes;
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(RenderHashes, FixedRendersKeepTheirFingerprintsOnEveryVectorPath) {
  std::vector<std::string> lines;
  const std::vector<RenderRow> rows = ReadTable(lines);
  ASSERT_FALSE(rows.empty()) << kTablePath;

  const char* record = std::getenv("BRELIX_RECORD_HASHES");
  if (record != nullptr) {
    const std::string prefix = record;
    std::ostringstream table;
    size_t row = 0;
    for (const std::string& line : lines) {
      if (line.empty() || line[0] == '#') {
        table << line << "\n";
        continue;
      }
      const RenderRow& r = rows[row++];
      const bool fresh = prefix == "all" || r.patch.rfind(prefix, 0) == 0;
      table << (fresh ? FormatRow(r, testing::Sha256Hex(Render(r, PatchFileFor(r)))) : line) << "\n";
    }
    std::cout << "----- " << kTablePath << " -----\n" << table.str() << "----- end -----\n";
    GTEST_SKIP() << "recorded, not compared";
  }

  for (const RenderRow& r : rows) {
    SCOPED_TRACE(FormatRow(r, r.hash));
    const std::string patch_file = PatchFileFor(r);
    for (const std::string& path : VectorPaths()) {
      setenv("BRELIX_SIMD", path.c_str(), 1);
      EXPECT_EQ(testing::Sha256Hex(Render(r, patch_file)), r.hash) << "BRELIX_SIMD=" << path;
    }
  }
}

// The engine works through a host block in blocks of its own and splits them again at every
// voice's control tick and MIDI matrix pass: how the host cuts its blocks must not show, with the
// voices' ticks in the same frames (notes together) or in frames of their own (notes apart).
TEST_F(RenderHashes, TheHostBlockSizeDoesNotChangeTheOutput) {
  RenderRow r;
  r.patch = "bench/patches/full-modulation.tw";
  r.notes = ParseNotes("36+3x16");
  r.frames = 6000;
  r.release = 2500;
  const std::string patch_file = PatchFileFor(r);
  for (int stagger : {0, 5}) {
    r.stagger = stagger;
    for (const std::string& simd : VectorPaths()) {
      setenv("BRELIX_SIMD", simd.c_str(), 1);
      r.block = 64;
      const std::string reference = Render(r, patch_file);
      for (int block : {1, 7, 63, 65, 100, 512, 4096}) {
        r.block = block;
        EXPECT_TRUE(Render(r, patch_file) == reference)
            << "block " << block << ", notes " << stagger << " frames apart, BRELIX_SIMD=" << simd;
      }
    }
  }
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(testing::Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(testing::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(testing::Sha256Hex(std::string(1000, 'a')),
            "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

}  // namespace
}  // namespace brelix
