// brelix-render as a musician runs it: the built program with the built plug-in, real MIDI,
// patch and WAV files in a folder of their own. What it refuses before rendering, what it warns
// about, how renders end, what it reports, how it stops when interrupted, and the options that
// set the plug-in's channel, voices and random seed.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using testing::ProgramOptions;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::WriteBytes;

// ---- files -----------------------------------------------------------------------------------

struct TimedMessage {
  double seconds;
  uint8_t status, first, second;
};

// A format-0 Standard MIDI File at 120 BPM, 480 ticks per quarter (960 ticks a second); its end of
// track comes at `end` seconds (or with the last event).
std::string MidiFileBytes(const std::vector<TimedMessage>& messages, double end = 0.0) {
  std::string track;
  const auto variable = [&](uint32_t value) {
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    track += bytes;
  };
  uint32_t tick = 0;
  for (const TimedMessage& m : messages) {
    const auto at = static_cast<uint32_t>(std::lround(m.seconds * 960.0));
    variable(at - tick);
    tick = at;
    track += {static_cast<char>(m.status), static_cast<char>(m.first), static_cast<char>(m.second)};
  }
  variable(std::max(static_cast<uint32_t>(std::lround(end * 960.0)), tick) - tick);
  track += std::string("\xFF\x2F\x00", 3);
  const auto be32 = [](size_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  return std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk" + be32(track.size()) + track;
}

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
  EXPECT_NE(run.err.find("Invalid sample file:\n\n" + file("no.wav")), std::string::npos) << run.err;
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
  const std::string patch = std::string(BRELIX_PATCHES_DIR) + "/echo-keys.tw";
  ASSERT_EQ(Render({"--patch", patch, "--tail", "2", song, "-o", file("fixed.wav")}).exit_code, 0);
  const Audio fixed = ReadWav(file("fixed.wav"));
  EXPECT_NEAR(fixed.Seconds(), 2.5, 1e-6);
  EXPECT_GT(fixed.PeakDb(2.4), -90.0) << "the echo is cut off";

  const ProgramRun run = Render({"--patch", patch, song, "-o", file("auto.wav")});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const Audio automatic = ReadWav(file("auto.wav"));
  EXPECT_GT(automatic.Seconds(), 3.0);
  EXPECT_LT(automatic.Seconds(), 30.5);
  EXPECT_LT(automatic.PeakDb(automatic.Seconds() - 0.5), -90.0);
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
  const ProgramRun run = Render({"--seed", "banana", song});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("--seed needs a whole number from 0 to 4294967295, not 'banana'"), std::string::npos);
}

}  // namespace
}  // namespace brelix
