// brelix-render as a musician runs it: the built program with the built plug-in, real MIDI,
// patch and WAV files in a folder of their own. What it refuses before rendering, what it warns
// about, how renders end, what it reports, how it stops when interrupted, and the options that
// set the plug-in's channel, voices and random seed.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/song_files.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using testing::MidiFileBytes;
using testing::ProgramOptions;
using testing::TempoChange;
using testing::TimedMessage;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::WriteBytes;

// ---- files -----------------------------------------------------------------------------------

struct Audio {
  int rate = 0;
  std::vector<float> samples;  // interleaved stereo
  double Seconds() const { return static_cast<double>(samples.size()) / 2.0 / rate; }
  // The peak in dBFS between two times (to the end when `to` is negative).
  double PeakDb(double from, double to = -1.0) const {
    const auto frame = [&](double s) { return std::clamp<size_t>(static_cast<size_t>(s * rate) * 2, 0, samples.size()); };
    float peak = 0.0f;
    for (size_t i = frame(from); i < (to < 0 ? samples.size() : frame(to)); ++i) peak = std::max(peak, std::fabs(samples[i]));
    return 20.0 * std::log10(peak);
  }
  // The first time the left channel rises above `level`, or a negative time.
  double FirstAbove(float level) const {
    for (size_t i = 0; i < samples.size(); i += 2)
      if (std::fabs(samples[i]) > level) return static_cast<double>(i / 2) / rate;
    return -1.0;
  }
  // The times at which the left channel's level (its peak over 5 ms) rises above a third of the
  // loudest: where a gated sound comes back.
  std::vector<double> GateOpenings() const {
    const size_t window = static_cast<size_t>(rate) / 200;
    std::vector<float> levels;
    for (size_t i = 0; i + 2 * window <= samples.size(); i += 2 * window) {
      float peak = 0.0f;
      for (size_t k = i; k < i + 2 * window; k += 2) peak = std::max(peak, std::fabs(samples[k]));
      levels.push_back(peak);
    }
    const float loudest = levels.empty() ? 0.0f : *std::max_element(levels.begin(), levels.end());
    std::vector<double> openings;
    for (size_t i = 1; i < levels.size(); ++i)
      if (levels[i] > loudest / 3 && levels[i - 1] <= loudest / 3) openings.push_back(static_cast<double>(i * window) / rate);
    return openings;
  }
};

Audio ReadWav(const std::string& path) {
  Audio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    ADD_FAILURE() << "cannot read " << path;
    return audio;
  }
  audio.rate = info.samplerate;
  audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, audio.samples.data(), info.frames);
  sf_close(file);
  return audio;
}

// A format-0 Standard MIDI File around a track body of raw events (96 ticks per quarter), for
// songs too large for MidiFileBytes to build quickly.
std::string RawMidiFile(const std::string& body) {
  const std::string track = body + std::string("\x00\xFF\x2F\x00", 4);
  const auto be32 = [](size_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  return std::string("MThd\0\0\0\6\0\0\0\1\0\x60", 14) + "MTrk" + be32(track.size()) + track;
}

// A canonical 44-byte WAV header of 8-bit mono at 44.1 kHz that declares `frames` frames.
std::string WavHeader(uint32_t frames) {
  const auto le32 = [](uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
  };
  return "RIFF" + le32(36 + frames) + "WAVEfmt " + le32(16) + std::string("\1\0\1\0", 4) + le32(44100) + le32(44100) +
         std::string("\1\0\x08\0", 4) + "data" + le32(frames);
}

// ---- the program -------------------------------------------------------------------------------

class RenderProgram : public ::testing::Test {
 protected:
  std::string file(const std::string& name) const { return folder_.file(name); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    WriteBytes(file(name), bytes);
    return file(name);
  }
  // A short song: C4 for 0.2 s, the file ending at 0.5 s.
  std::string ShortSong() const { return Write("song.mid", MidiFileBytes({{0.0, 0x90, 60, 127}, {0.2, 0x80, 60, 0}}, 0.5)); }

  ProgramRun Render(std::vector<std::string> args, ProgramOptions options = {}) const {
    args.insert(args.begin(), {"--plugin", BRELIX_PLUGIN_PATH});
    return testing::RunProgram(BRELIX_RENDER_PATH, args, options);
  }
  // The names in the folder, to see that a failed or interrupted render left nothing behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempFolder folder_;
};

using Strings = std::vector<std::string>;

// With a display at hand the plug-in would show its message in a modal box that nobody can
// close; the tool runs it without one, so the message goes to standard error and the render ends.
TEST_F(RenderProgram, NeverOpensAWindowEvenWithADisplay) {
  testing::XvfbServer& x = testing::XvfbServer::Shared();
  if (!x.running()) GTEST_SKIP() << x.failure();
  const std::string patch = Write("sampled.tw", "[SampleOsc.1]\nSampleOscFile=" + file("no.wav") + "\n");
  const ProgramRun run = Render({"--patch", patch, ShortSong(), "-o", file("out.wav")},
                                {.environment = {{"DISPLAY", x.display()}}, .time_limit = std::chrono::seconds(60)});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("Sample file not found: " + file("no.wav")), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(file("out.wav")));
}

TEST_F(RenderProgram, APatchFileThatIsNoPatchEndsTheRenderBeforeItStarts) {
  const std::string song = ShortSong();
  Write("letter.tw", "Dear reader,\nthis is no patch.\n");
  Write("empty.tw", "");
  const std::pair<std::string, std::string> cases[] = {
      {file("letter.tw"), "not a patch file"},
      {file("empty.tw"), "not a patch file: it is empty"},
      {song, "cannot be read as a patch file: it is not a text file"},
      {file("missing.tw"), "no such file"},
  };
  for (const auto& [patch, reason] : cases) {
    SCOPED_TRACE(patch);
    const ProgramRun run = Render({"--patch", patch, song, "-o", file("out.wav")});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(patch + ": error: " + reason), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the patch file '" + patch + "' cannot be played"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Engine Initialization"), std::string::npos) << "the plug-in was not even loaded";
    EXPECT_FALSE(fs::exists(file("out.wav")));
  }
  EXPECT_EQ(Names(), (Strings{"empty.tw", "letter.tw", "song.mid"}));
}

TEST_F(RenderProgram, ValuesThatAreNoNumbersAreWarnedAboutAndTheRenderGoesOn) {
  const std::string patch = Write("hand.tw", "[Filter.1]\r\nFilterCutoff=2200 Hz\r\nFilterReso=0.2\r\nFilterGain=banana\r\n");
  const ProgramRun run = Render({"--patch", patch, ShortSong(), "-o", file("out.wav")});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find(patch + ":2: warning: [Filter.1] FilterCutoff=2200 Hz is not a number"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(patch + ":4: warning: [Filter.1] FilterGain=banana"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(file("out.wav")));
}

TEST_F(RenderProgram, CheckingPatchesTellsCleanFromFaultyFromNoPatch) {
  const std::string clean = Write("clean.tw", "[Voice]\nVolume=0.5\n");
  const std::string faulty = Write("faulty.tw", "[Voice]\nVolume=half\n");
  const std::string letter = Write("letter.tw", "no patch\n");
  struct Case {
    Strings files;
    int exit_code;
    std::string out;
  };
  const Case cases[] = {
      {{clean}, 0, clean + ": a patch, no problems\n"},
      {{clean, faulty}, 2,
       clean + ": a patch, no problems\n" + faulty + ":2: warning: [Voice] Volume=half is not a number; the plug-in reads it as 0\n" +
           faulty + ": 1 warning(s)\n"},
      {{letter, clean}, 1,
       letter + ": error: not a patch file: it holds none of the sections of a patch ([Engine], [AuxOsc.1], ... [Delay])\n" +
           clean + ": a patch, no problems\n"},
  };
  for (const Case& c : cases) {
    Strings args = {"--check-patch"};
    args.insert(args.end(), c.files.begin(), c.files.end());
    const ProgramRun run = testing::RunProgram(BRELIX_RENDER_PATH, args);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_EQ(run.out, c.out);
  }
}

TEST_F(RenderProgram, AStateFileForAMissingFolderIsRefusedBeforeTheRender) {
  const ProgramRun run = Render({"--save-state", file("no/such/take.state"), ShortSong(), "-o", file("out.wav")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("cannot write the state file '" + file("no/such/take.state") + "': no folder"), std::string::npos)
      << run.err;
  EXPECT_EQ(Names(), Strings{"song.mid"});
}

// The echo patch's repeats outlast a fixed two-second tail; the automatic tail lets them die away
// and ends the file in silence.
TEST_F(RenderProgram, TheAutomaticTailEndsInSilenceAndAFixedOneWhereItIsTold) {
  const std::string song = ShortSong();
  const std::string patch = std::string(BRELIX_PATCHES_DIR) + "/keys/echo-keys.tw";
  ASSERT_EQ(Render({"--patch", patch, "--tail", "2", song, "-o", file("fixed.wav")}).exit_code, 0);
  const Audio fixed = ReadWav(file("fixed.wav"));
  EXPECT_NEAR(fixed.Seconds(), 2.5, 1e-6);
  EXPECT_GT(fixed.PeakDb(2.4), -90.0) << "the echo is cut off";

  const ProgramRun run = Render({"--patch", patch, song, "-o", file("auto.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const Audio automatic = ReadWav(file("auto.wav"));
  EXPECT_GT(automatic.Seconds(), 3.0);
  EXPECT_LT(automatic.Seconds(), 30.5);
  // From the frame after the last sound (half a second before the end, less a rounding of the
  // time to frames).
  EXPECT_LT(automatic.PeakDb(automatic.Seconds() - 0.5 + 1.0 / automatic.rate), -90.0);
  EXPECT_GT(automatic.PeakDb(automatic.Seconds() - 0.6, automatic.Seconds() - 0.5), -100.0) << "cut soon after the sound";
}

TEST_F(RenderProgram, AnEndlessSoundEndsAtTheLongestTail) {
  // Envelope 4 holds its release level for ever: the sound never dies away.
  const std::string patch = Write("endless.tw", "[Env.4]\nEnvTime.4=-1\nEnvLevel.4=0.5\n");
  const ProgramRun run = Render({"--patch", patch, ShortSong(), "-o", file("out.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("the sound had not died away 30 s after the song's end"), std::string::npos) << run.err;
  EXPECT_NEAR(ReadWav(file("out.wav")).Seconds(), 30.5, 1e-6);
}

TEST_F(RenderProgram, NotesHeldAtTheSongsEndAreReleasedThere) {
  // The note never ends in the file, which ends at 1 s; the patch releases in 0.2 s.
  const std::string song = Write("held.mid", MidiFileBytes({{0.0, 0x90, 60, 127}}, 1.0));
  const std::string patch = Write("release.tw", "[Env.4]\nEnvTime.4=0.2\n");
  const ProgramRun run = Render({"--patch", patch, "--tail", "3", song, "-o", file("out.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("1 note(s) still held at the end of " + song + " are released there"), std::string::npos);
  const Audio audio = ReadWav(file("out.wav"));
  EXPECT_GT(audio.PeakDb(0.9, 1.0), -20.0);
  EXPECT_GT(audio.PeakDb(1.0, 1.1), -40.0) << "the release sounds";
  EXPECT_LT(audio.PeakDb(2.0), -90.0) << "and then it is over";
}

TEST_F(RenderProgram, EveryRenderEndsWithALineOfFileLengthPeakAndClipping) {
  const std::string song = ShortSong();
  ProgramRun run = Render({"--bits", "16", "--tail", "1", song, "-o", file("quiet.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(std::regex_search(run.err, std::regex("brelix-render: wrote " + file("quiet.wav") +
                                                    ": 1\\.5 s, 44100 Hz, 16-bit PCM, peak -[0-9]+\\.[0-9] dBFS, nothing clipped\\n$")))
      << run.err;
  const std::string loud = Write("loud.tw", "[Voice]\nVolume=8\n");
  run = Render({"--bits", "16", "--patch", loud, song, "-o", file("loud.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(std::regex_search(run.err, std::regex("brelix-render: warning: wrote .*, peak \\+[0-9.]+ dBFS, [0-9]+ samples clipped\\n$")))
      << run.err;
  run = Render({"--patch", loud, song, "-o", file("loud32.wav")});
  EXPECT_TRUE(std::regex_search(run.err, std::regex("brelix-render: wrote .*32-bit float, peak \\+[0-9.]+ dBFS, [0-9]+ samples above 0 dBFS")))
      << run.err;
  const ProgramRun empty = Render({Write("empty.mid", MidiFileBytes({})), "-o", file("empty.wav")});
  EXPECT_NE(empty.err.find("wrote " + file("empty.wav") + ": 0.0 s, 44100 Hz, 32-bit float, silent (below -90 dBFS), nothing above 0 dBFS"),
            std::string::npos)
      << empty.err;
}

TEST_F(RenderProgram, AnInterruptedRenderLeavesNoFileBehindAndEndsByItsSignal) {
  // Ten minutes of tail at 384 kHz: far longer than the moment the render is given.
  const std::string song = ShortSong();
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    const ProgramRun run = Render({"--rate", "384000", "--tail", "600", song, "-o", file("long.wav")},
                                  {.signal_after = std::make_pair(std::chrono::milliseconds(3000), signal)});
    EXPECT_EQ(run.signal, signal) << run.err;
    EXPECT_NE(run.err.find("interrupted"), std::string::npos) << run.err;
    EXPECT_EQ(Names(), Strings{"song.mid"});
  }
}

TEST_F(RenderProgram, ChannelAndVoicesReachThePlugInAndItsState) {
  const std::string song = Write("ch2.mid", MidiFileBytes({{0.0, 0x91, 60, 127}, {0.2, 0x81, 60, 0}}, 0.5));
  ProgramRun run = Render({"--tail", "0.5", song, "-o", file("one.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("silent"), std::string::npos) << "the plug-in listens on channel 1";
  run = Render({"--tail", "0.5", "--channel", "2", "--voices", "3", "--save-state", file("take.state"), song, "-o",
                file("two.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_GT(ReadWav(file("two.wav")).PeakDb(0.0, 0.2), -20.0);
  const std::string state = ReadBytes(file("take.state"));
  ASSERT_GT(state.size(), 264u);  // the record, then the patch
  EXPECT_EQ(state[0], 1) << "channel 2";
  EXPECT_EQ(state[4], 2) << "three voices";
}

TEST_F(RenderProgram, ASeedMakesRendersRepeatBitForBit) {
  // Noise and free-running LFOs take their start from the plug-in's random generator.
  const std::string patch = Write("noise.tw", "[Noise.1]\nNoiseMix=1\n[Lfo.1]\nLfoStartPhase=-1\n[ModMatrix.1]\nModSource=1\nModDest=13\nModAmount=-0.5\n");
  const std::string song = ShortSong();
  const auto render = [&](const std::string& name, Strings extra) {
    Strings args = {"--patch", patch, "--bits", "16", "--dither", song, "-o", file(name)};
    args.insert(args.begin(), extra.begin(), extra.end());
    EXPECT_EQ(Render(args).exit_code, 0);
    return ReadBytes(file(name));
  };
  const std::string first = render("a.wav", {"--seed", "7"});
  EXPECT_EQ(render("b.wav", {"--seed", "7"}), first);
  EXPECT_NE(render("c.wav", {"--seed", "8"}), first);
  // A float file's PEAK chunk carries a time stamp: with a seed it is fixed, so whole files repeat.
  const auto stamp = [](const std::string& bytes) {
    const size_t peak = bytes.find("PEAK");
    EXPECT_NE(peak, std::string::npos);
    return peak == std::string::npos ? ~0u : uint32_t(uint8_t(bytes[peak + 12])) | uint32_t(uint8_t(bytes[peak + 13])) << 8 |
                                                 uint32_t(uint8_t(bytes[peak + 14])) << 16 | uint32_t(uint8_t(bytes[peak + 15])) << 24;
  };
  const auto renderFloat = [&](const std::string& name, Strings extra, ProgramOptions environment) {
    Strings args = {"--patch", patch, song, "-o", file(name)};
    args.insert(args.begin(), extra.begin(), extra.end());
    EXPECT_EQ(Render(args, environment).exit_code, 0);
    return ReadBytes(file(name));
  };
  const ProgramOptions noDate{.environment = {{"SOURCE_DATE_EPOCH", std::nullopt}, {"BRELIX_SEED", std::nullopt}}};
  const std::string seeded = renderFloat("f1.wav", {"--seed", "7"}, noDate);
  EXPECT_EQ(stamp(seeded), 0u);
  EXPECT_EQ(renderFloat("f2.wav", {}, {.environment = {{"SOURCE_DATE_EPOCH", std::nullopt}, {"BRELIX_SEED", "7"}}}), seeded);
  EXPECT_EQ(stamp(renderFloat("f3.wav", {"--seed", "7"}, {.environment = {{"SOURCE_DATE_EPOCH", "1700000000"}}})), 1700000000u);
  EXPECT_GT(stamp(renderFloat("f4.wav", {}, noDate)), 1700000000u) << "unseeded: the clock's time";

  const ProgramRun run = Render({"--seed", "banana", song});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("--seed needs a whole number from 0 to 4294967295, not 'banana'"), std::string::npos);
}

// The song's tempo map is the plug-in's clock: a delay of 3/16 bar and an LFO of a quarter bar
// that gates the voice, at the file's tempo, after a tempo change, and at --tempo.
TEST_F(RenderProgram, ClockedDelaysAndLfosFollowTheSongsTempo) {
  const std::string echo = Write("echo.tw", "[Delay]\nDelayWet=1\nDelayDry=0\nDelayClocked=-1\nDelayTimeL=0.1875\nDelayTimeR=0.1875\n");
  const std::string gate = Write("gate.tw", "[Lfo.1]\nLfoShape=2\nLfoClocked=-1\nLfoRate=0.25\nLfoOffset=1\n[Voice]\nVolumeModSource=1\n");
  struct Case {
    std::vector<TempoChange> tempos;
    Strings options;
    double noteAt;       // the click's time; the gated note holds from 0 to 2 s
    double echoAt;       // 3/16 of a bar of four beats after the click
    double gatePeriod;   // a quarter note
  };
  const Case cases[] = {
      {{{0.0, 90.0}}, {}, 0.0, 0.5, 2.0 / 3.0},
      {{{0.0, 120.0}}, {}, 0.0, 0.375, 0.5},
      {{{0.0, 120.0}, {0.5, 90.0}}, {}, 1.0, 1.5, -1.0},
      {{{0.0, 90.0}}, {"--tempo", "120"}, 0.0, 0.375, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.tempos.back().bpm << " BPM at the end, " << c.options.size() << " options");
    const auto render = [&](const std::string& patch, const std::vector<TimedMessage>& notes, double end) {
      Strings args = {"--rate", "22050", "--tail", "0.8", "--patch", patch,
                      Write("song.mid", MidiFileBytes(notes, end, c.tempos)), "-o", file("out.wav")};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const ProgramRun run = Render(args);
      EXPECT_EQ(run.exit_code, 0) << run.err;
      return ReadWav(file("out.wav"));
    };
    const Audio echoed = render(echo, {{c.noteAt, 0x90, 60, 127}, {c.noteAt + 0.05, 0x80, 60, 0}}, c.noteAt + 0.1);
    EXPECT_NEAR(echoed.FirstAbove(1e-3f), c.echoAt, 0.002);
    if (c.gatePeriod < 0) continue;
    const std::vector<double> openings = render(gate, {{0.0, 0x90, 60, 127}, {2.0, 0x80, 60, 0}}, 2.0).GateOpenings();
    ASSERT_GE(openings.size(), 2u);
    for (size_t i = 1; i < openings.size() && openings[i] < 2.0; ++i) EXPECT_NEAR(openings[i] - openings[i - 1], c.gatePeriod, 0.011);
  }
}

// No render writes over a file it reads or writes, however the names differ, and none replaces a
// file the user protected: each is refused before the render, with every file left as it was.
TEST_F(RenderProgram, InputsAndProtectedFilesAreNeverWrittenOver) {
  const std::string song = ShortSong();
  const std::string patch = Write("patch.tw", "[Voice]\nVolume=0.5\n");
  const std::string state = file("take.state");
  ASSERT_EQ(Render({"--patch", patch, "--save-state", state, song, "-o", file("take.wav")}).exit_code, 0);
  fs::create_symlink(song, file("link.mid"));
  fs::create_hard_link(patch, file("hard.tw"));
  Write("locked.wav", "RIFF");
  fs::permissions(file("locked.wav"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Write("locked.state", "state");
  fs::permissions(file("locked.state"), fs::perms::owner_read);
  fs::create_directory(file("folder.wav"));
  struct Case {
    Strings args;
    std::string message;
  };
  const Case cases[] = {
      {{song, "-o", song}, "'" + song + "' is both the MIDI file and the output"},
      {{song, "-o", file("link.mid")}, "'" + song + "' and '" + file("link.mid") + "' are both the MIDI file and the output"},
      {{"--patch", patch, song, "-o", patch}, "both the patch file and the output"},
      {{"--patch", file("hard.tw"), song, "-o", patch}, "both the patch file and the output"},
      {{song, "--save-state", song, "-o", file("new.wav")}, "both the MIDI file and the state file to write"},
      {{song, "--save-state", file("x.bin"), "-o", file("x.bin")}, "both the output and the state file to write"},
      {{"--load-state", state, song, "-o", state}, "both the state file to load and the output"},
      {{"--load-state", state, song, "--save-state", state, "-o", file("new.wav")},
       "both the state file to load and the state file to write"},
      {{"--load-state", state, song, "-o", patch}, "both the patch file and the output"},  // the patch the state names
      {{song, "-o", file("locked.wav")}, "will not replace the output '" + file("locked.wav") + "': it is write-protected"},
      {{song, "-o", file("folder.wav")}, "will not replace the output '" + file("folder.wav") + "': it is a folder"},
      {{song, "--save-state", file("locked.state"), "-o", file("new.wav")},
       "will not replace the state file to write '" + file("locked.state") + "': it is write-protected"},
  };
  const auto contents = [&] {
    std::vector<std::string> all;
    for (const std::string& name : Names())
      if (!fs::is_directory(file(name))) all.push_back(name + ":" + ReadBytes(file(name)));
    return all;
  };
  const std::vector<std::string> before = contents();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun run = Render(c.args);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("brelix-render: " + c.message.substr(0, c.message.find("both"))), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(contents(), before);
  }
  EXPECT_EQ(fs::status(file("locked.wav")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

// What a musician would miss is said on standard error, and the file is written all the same.
TEST_F(RenderProgram, WarnsAboutWhatTheRenderWouldLeaveUnheard) {
  const std::string plain = Write("plain.tw", "[Voice]\nVolume=0.5\n");
  const std::string preview = Write("preview.tw", "[Voice]\nPlayNote=60\n");
  const std::string pedalled = Write("pedalled.tw", "[MidiModMatrix.1]\nMidiModSource=-65\nMidiModDest=74\nMidiModAmount=0.5\n");
  const std::string holding = Write("holding.tw", "[Voice]\nSustainPedal=1\n");
  struct Case {
    std::vector<TimedMessage> song;
    std::string patch;
    Strings options;
    std::string warning;  // empty: none
  };
  const Case cases[] = {
      {{{0.0, 0x91, 60, 100}, {0.2, 0x81, 60, 0}, {0.0, 0x92, 62, 100}, {0.1, 0x92, 62, 0}}, plain, {},
       "has 2 note(s) on channel(s) 2, 3, which the plug-in does not hear: it listens on channel 1; --channel 2 plays channel 2"},
      {{{0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}, {0.0, 0x92, 62, 100}, {0.1, 0x82, 62, 0}}, plain, {},
       "has 1 note(s) on channel(s) 3, which the plug-in does not hear: it listens on channel 1\n"},
      {{{0.0, 0x92, 62, 100}, {0.1, 0x82, 62, 0}}, plain, {"--channel", "3"}, ""},
      {{{0.0, 0x90, 60, 100}, {0.1, 0x90, 64, 100}, {0.1, 0x80, 64, 0}, {0.2, 0x80, 60, 0}}, plain, {},
       "1 note(s) of " + file("song.mid") + " end on the frame they start (the first at 0.100 s, key 64) and are not heard"},
      {{{0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}}, preview, {},
       "the patch " + preview + " sounds its preview note 60 (PlayNote) when it is loaded; the render leaves it out (--preview-note keeps it)"},
      {{{0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}}, preview, {"--preview-note"}, ""},
      {{{0.0, 0xB0, 64, 127}, {0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}, {0.3, 0xB0, 64, 0}}, plain, {},
       "uses the sustain pedal (controller 64), but the patch neither holds notes with it (SustainPedal) nor reads it in a slot: "
       "notes end at their note-offs (--pedal holds them while the pedal is down)"},
      {{{0.0, 0xB0, 64, 127}, {0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}, {0.3, 0xB0, 64, 0}}, plain, {"--pedal"}, ""},
      {{{0.0, 0xB0, 64, 127}, {0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}, {0.3, 0xB0, 64, 0}}, pedalled, {}, ""},
      {{{0.0, 0xB0, 64, 127}, {0.0, 0x90, 60, 100}, {0.2, 0x80, 60, 0}, {0.3, 0xB0, 64, 0}}, holding, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.warning);
    std::vector<TimedMessage> song = c.song;
    std::stable_sort(song.begin(), song.end(), [](const TimedMessage& a, const TimedMessage& b) { return a.seconds < b.seconds; });
    Strings args = {"--tail", "0.5", "--patch", c.patch, Write("song.mid", MidiFileBytes(song, 0.3)), "-o", file("out.wav")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ProgramRun run = Render(args);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    if (c.warning.empty()) EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
    else EXPECT_NE(run.err.find("brelix-render: warning: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
  }
  // The preview note left out is not heard; kept, it sounds from the start and ends with the song.
  Write("rest.mid", MidiFileBytes({{0.5, 0xB0, 7, 100}}, 1.0));
  ASSERT_EQ(Render({"--patch", preview, file("rest.mid"), "-o", file("rest.wav")}).exit_code, 0);
  EXPECT_LT(ReadWav(file("rest.wav")).PeakDb(0.0), -90.0);
  ASSERT_EQ(Render({"--patch", preview, "--preview-note", file("rest.mid"), "-o", file("kept.wav")}).exit_code, 0);
  const Audio kept = ReadWav(file("kept.wav"));
  EXPECT_GT(kept.PeakDb(0.0, 0.1), -30.0);
  EXPECT_LT(kept.Seconds(), 5.0);
}

// --pedal holds a note-off while controller 64 is down and sends it when the pedal comes up;
// without it the note ends at its note-off. The pedal itself reaches the plug-in either way: a
// patch that reads it hears it, and a patch whose switch holds notes holds them alike, with or
// without --pedal.
TEST_F(RenderProgram, ThePedalHoldsNotesUntilItComesUp) {
  const std::string song = Write("pedal.mid", MidiFileBytes({{0.0, 0xB0, 64, 127}, {0.0, 0x90, 60, 100}, {0.1, 0x80, 60, 0},
                                                             {0.8, 0xB0, 64, 20}, {1.0, 0x90, 62, 100}, {1.2, 0x80, 62, 0}}, 1.5));
  constexpr double kQuiet = -45.0;  // what is left of a release after 0.1 s or more
  const std::string patch = Write("short.tw", "[Env.4]\nEnvTime.4=0.05\n");
  const auto render = [&](const std::string& patchFile, Strings options) {
    Strings args = {"--tail", "0.5", "--patch", patchFile, song, "-o", file("out.wav")};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Render(args).exit_code, 0);
    return ReadWav(file("out.wav"));
  };
  const Audio cut = render(patch, {});
  EXPECT_LT(cut.PeakDb(0.3, 0.8), kQuiet) << "the note ends at its note-off";
  const Audio held = render(patch, {"--pedal"});
  EXPECT_GT(held.PeakDb(0.7, 0.8), -30.0) << "the pedal holds it";
  EXPECT_LT(held.PeakDb(0.9, 1.0), kQuiet) << "until it comes up";
  EXPECT_GT(held.PeakDb(1.1, 1.2), -30.0) << "a later note plays as usual";
  EXPECT_LT(held.PeakDb(1.35, 1.5), kQuiet) << "and ends at its note-off, the pedal being up";
  const std::string holding = Write("holding.tw", "[Env.4]\nEnvTime.4=0.05\n[Voice]\nSustainPedal=1\n");
  const Audio itself = render(holding, {"--seed", "5"});
  EXPECT_GT(itself.PeakDb(0.7, 0.8), -30.0) << "the patch holds it";
  EXPECT_LT(itself.PeakDb(0.9, 1.0), kQuiet) << "until the pedal comes up";
  EXPECT_LT(itself.PeakDb(1.35, 1.5), kQuiet);
  const std::string alone = ReadBytes(file("out.wav"));
  render(holding, {"--seed", "5", "--pedal"});
  EXPECT_EQ(ReadBytes(file("out.wav")), alone) << "--pedal leaves a patch that holds notes itself alone";
  // A patch whose level follows the pedal: silent once it is up.
  const std::string follows = Write("follows.tw", "[Env.4]\nEnvTime.4=0.05\n[Voice]\nVolumeModSource=-65\n");
  const Audio gated = render(follows, {"--pedal"});
  EXPECT_GT(gated.PeakDb(0.5, 0.8), -30.0);
  EXPECT_LT(gated.PeakDb(0.85, 1.0), kQuiet);
}

// "-o -" sends the WAV to standard output (here a pipe) and nothing else; the messages stay on
// standard error, and a sample that cannot be loaded is named there once.
TEST_F(RenderProgram, StandardOutputTakesTheWholeFileAndNothingElse) {
  const std::string patch = Write("sampled.tw", "[SampleOsc.1]\nSampleOscFile=" + file("no.wav") + "\n");
  const std::string song = ShortSong();
  const ProgramRun piped = Render({"--seed", "3", "--patch", patch, song, "-o", "-"});
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  ASSERT_EQ(Render({"--seed", "3", "--patch", patch, song, "-o", file("out.wav")}).exit_code, 0);
  EXPECT_EQ(piped.out, ReadBytes(file("out.wav")));
  EXPECT_NE(piped.err.find("wrote standard output: "), std::string::npos) << piped.err;
  size_t named = 0;
  for (size_t at = piped.err.find(file("no.wav")); at != std::string::npos; at = piped.err.find(file("no.wav"), at + 1)) ++named;
  EXPECT_EQ(named, 1u) << piped.err;
  EXPECT_EQ(Names(), (Strings{"out.wav", "sampled.tw", "song.mid"}));
}

// What a render cannot trust it refuses at once, before writing anything: standard output that
// is one of its inputs (however opened, appending too), a second output on standard output, and
// inputs that are no regular file (a FIFO would block a plain open). Names are printed with
// their control characters escaped, so a name cannot break or forge a line.
TEST_F(RenderProgram, RefusesWhatItCannotTrust) {
  const std::string song = ShortSong();
  const std::string patch = Write("patch.tw", "[Voice]\nVolume=0.5\n");
  const std::string fifo = file("pipe\n\x1b[2J.mid");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    Strings args;
    std::string redirect;  // of standard output, as a shell writes it; empty: a pipe
    std::string target;
    std::string message;
  };
  const Case cases[] = {
      {{song, "-o", "-"}, "1<>", song, "standard output is the MIDI file '" + song + "'"},
      {{song, "-o", "-"}, ">>", song, "standard output is the MIDI file"},
      {{"--patch", patch, song, "-o", "-"}, "1<>", patch, "standard output is the patch file '" + patch + "'"},
      {{song, "-o", "-", "--save-state", "/dev/stdout"}, "", "", "standard output is the state file to write '/dev/stdout'"},
      {{song, "-o", "-", "--save-state", "/proc/self/fd/1"}, "", "", "standard output is the state file to write"},
      {{song, "-o", "-", "--save-state", file("both.out")}, ">", file("both.out"), "standard output is the state file to write"},
      {{fifo, "-o", file("x.wav")}, "", "", "cannot read MIDI file '" + file("pipe\\n\\x1b[2J.mid") + "': not a regular file"},
      {{"/dev/zero", "-o", file("x.wav")}, "", "", "cannot read MIDI file '/dev/zero': not a regular file"},
  };
  const std::string songBytes = ReadBytes(song), patchBytes = ReadBytes(patch);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Strings args = {"-c", c.redirect.empty() ? "exec \"$@\"" : "f=$1; shift; exec \"$@\" " + c.redirect + "\"$f\"", "sh"};
    if (!c.redirect.empty()) args.push_back(c.target);
    args.insert(args.end(), {BRELIX_RENDER_PATH, "--plugin", BRELIX_PLUGIN_PATH});
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProgramRun run = testing::RunProgram("/bin/sh", args, {.time_limit = std::chrono::seconds(20)});
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("brelix-render: " + c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(song), songBytes);
    EXPECT_EQ(ReadBytes(patch), patchBytes);
    EXPECT_FALSE(fs::exists(file("x.wav")));
    if (fs::exists(file("both.out"))) EXPECT_EQ(fs::file_size(file("both.out")), 0u);
  }
}

// What a render reads is bounded: a MIDI file by its size and its events, a sample by its length
// (checked from its header against the file's real size before any memory is taken). A song of
// many tempo changes plays at the cost of its length.
TEST_F(RenderProgram, BoundsWhatItReads) {
  const std::string large = file("large.mid");
  WriteBytes(large, RawMidiFile(""));
  ASSERT_EQ(::truncate(large.c_str(), (16 << 20) + 1), 0);  // sparse
  std::string notes = std::string("\x00\x90\x3C\x40", 4);  // then running status: 3 bytes a message
  for (int i = 0; i < 4'000'000; ++i) notes += std::string(i % 2 == 0 ? "\x00\x3C\x00" : "\x00\x3C\x40", 3);
  const std::string dense = Write("dense.mid", RawMidiFile(notes));
  // 200,000 tempo changes a tick (43 to 83 microseconds, two to four frames) apart, around a note.
  std::string tempos = std::string("\x00\x90\x3C\x40", 4);
  for (int i = 0; i < 200'000; ++i) tempos += std::string("\x01\xFF\x51\x03\x00", 5) + static_cast<char>(16 + i % 16) + '\x00';
  tempos += std::string("\x00\x80\x3C\x00", 4);
  const std::string clocked = Write("clocked.mid", RawMidiFile(tempos));
  // A header that claims more data than the file holds, and a sparse file one frame longer than
  // a lane takes.
  const std::string lying = Write("lying.wav", WavHeader(1 << 20) + std::string(100, '\x80'));
  const std::string huge = Write("huge.wav", WavHeader((1u << 26) + 1));
  ASSERT_EQ(::truncate(huge.c_str(), 44 + (1 << 26) + 1), 0);
  const std::string sampled = Write("sampled.tw", "[SampleOsc.1]\nSampleOscFile=" + lying + "\n[SampleOsc.2]\nSampleOscFile=" +
                                                      huge + "\n");
  struct Case {
    Strings args;
    int exitCode;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {{large}, 1, {"cannot read MIDI file '" + large + "': larger than 16 MiB"}},
      {{dense}, 1, {"track 1: more than 4000000 events (messages and tempo changes) in the song at byte"}},
      {{clocked, "--tail", "0"}, 0, {"wrote " + file("out.wav") + ": 12.5 s"}},
      {{"--patch", sampled, ShortSong()},
       0,
       {"Invalid sample file:\n\n" + lying + "\n", "Invalid sample file:\n\n" + huge + "\n\nIt is longer than 67108864 frames",
        "wrote " + file("out.wav")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.messages.front());
    Strings args = c.args;
    args.insert(args.end(), {"-o", file("out.wav")});
    const ProgramRun run = Render(args, {.time_limit = std::chrono::seconds(120)});
    EXPECT_EQ(run.exit_code, c.exitCode) << run.err;
    for (const std::string& message : c.messages) EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(fs::exists(file("out.wav")), c.exitCode == 0);
    fs::remove(file("out.wav"));
  }
}

// A float file carries the extended format chunk (cbSize 0) and a fact chunk with its frames,
// written to a file and through a pipe alike, and sox reads it without a warning.
TEST_F(RenderProgram, FloatFilesCarryTheExtendedFormatAndAFactChunk) {
  const std::string song = ShortSong();
  const ProgramRun piped = Render({"--seed", "1", song, "-o", "-"});
  ASSERT_EQ(piped.exit_code, 0) << piped.err;
  ASSERT_EQ(Render({"--seed", "1", song, "-o", file("out.wav")}).exit_code, 0);
  const std::string bytes = ReadBytes(file("out.wav"));
  EXPECT_EQ(piped.out, bytes);
  const auto le = [&](size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes.at(at + static_cast<size_t>(i)));
    return value;
  };
  ASSERT_EQ(bytes.substr(12, 4), "fmt ");
  EXPECT_EQ(le(16, 4), 18u);  // the chunk's size
  EXPECT_EQ(le(20, 2), 3u);   // IEEE float
  EXPECT_EQ(le(36, 2), 0u);   // cbSize
  ASSERT_EQ(bytes.substr(38, 4), "fact");
  EXPECT_EQ(le(42, 4), 4u);
  const size_t data = bytes.find("data");
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(le(46, 4), le(data + 4, 4) / 8);  // frames of two 4-byte samples
  EXPECT_EQ(data + 8 + le(data + 4, 4), bytes.size());
  EXPECT_EQ(le(4, 4), bytes.size() - 8);
  EXPECT_EQ(ReadWav(file("out.wav")).samples.size(), 2 * le(46, 4));
  if (::access("/usr/bin/sox", X_OK) != 0) GTEST_SKIP() << "sox is not installed (scripts/setup.sh installs it)";
  const ProgramRun sox = testing::RunProgram("/usr/bin/sox", {file("out.wav"), "-n", "stat"});
  EXPECT_EQ(sox.exit_code, 0);
  EXPECT_EQ(sox.err.find("WARN"), std::string::npos) << sox.err;
}

}  // namespace
}  // namespace brelix
