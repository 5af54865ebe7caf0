// The standalone program against a real JACK server (a dummy one each test starts itself): notes
// sent through the server's MIDI come back through its audio at the pitch and level brelix-render
// gives the same notes, at the frame they were sent; block-size changes, a server that goes away
// and comes back (waited for, its connections made again), one that ends a run for a script,
// the next run at another rate, and no server at all.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "render_state.h"
#include "support/jack_server.h"
#include "support/jack_test_rig.h"
#include "support/kept_program_chunk.h"
#include "support/note_measures.h"
#include "support/program_run.h"
#include "support/shipped_patches.h"
#include "support/song_files.h"
#include "support/temp_folder.h"

namespace brelix::testing {
namespace {

constexpr const char* kShippedPatch = BRELIX_PATCHES_DIR "/plucks-and-mallets/glass-pluck.tw";
constexpr uint8_t kNote = 69, kVelocity = 100;
constexpr double kHeldSeconds = 0.6;
// Where pitch and level are compared, from the note's start.
constexpr double kFrom = 0.1, kTo = 0.5;
// The sound starts within one control period (8 frames, twice that oversampled) of its event's
// frame in its block.
constexpr int64_t kLatestStart = 32;

void Quiet(const char*) {}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What brelix-render makes of the same note at `rate`: the left channel from the note's start.
std::vector<float> RenderedNote(const TempFolder& folder, const std::string& patch, int rate) {
  const std::string song = folder.file("note.mid");
  WriteBytes(song, MidiFileBytes({{0.0, 0x90, kNote, kVelocity}, {kHeldSeconds, 0x80, kNote, 0}}, 1.0));
  const ProgramRun run = RunProgram(BRELIX_RENDER_PATH, {"--plugin", BRELIX_PLUGIN_PATH, "--patch", patch, "--rate",
                                                         std::to_string(rate), song, "-o", folder.file("note.wav")});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  return ReadStereoWav(folder.file("note.wav")).left;
}

// The pitch of x[from, to) seconds in Hz, at `rate`.
double PitchHz(const std::vector<float>& x, int rate) {
  const auto at = [&](double s) { return x.begin() + std::min(static_cast<long>(s * rate), static_cast<long>(x.size())); };
  return FundamentalHz(std::vector<float>(at(kFrom), at(kTo))) * rate / kHostRate;
}
// The loudest 20 ms of x[from, to) seconds, in dB: a cycle the server dropped on a loaded
// machine leaves a gap in the recording, which this does not count.
double LevelDb(const std::vector<float>& x, int rate) {
  const size_t window = static_cast<size_t>(0.02 * rate);
  double loudest = 0.0;
  for (size_t at = static_cast<size_t>(kFrom * rate); at + window <= static_cast<size_t>(kTo * rate); at += window / 2)
    loudest = std::max(loudest, RmsOf(x, at, at + window));
  return 20.0 * std::log10(loudest + 1e-12);
}

class Brelix : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    // The live note is compared with its render: both must start their oscillators alike.
    WriteFixedPhaseCopy(kShippedPatch, patch_);
  }
  void TearDown() override { Quit(); }

  pid_t Start(std::vector<std::string> args) {
    args.insert(args.begin(), {BRELIX_LIVE_PATH, "--no-gui", "--plugin", BRELIX_PLUGIN_PATH});
    pid_ = Spawn(args, log_);
    return pid_;
  }
  // Ctrl-C; the program's exit code.
  int Quit() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGINT);
    const int code = WaitForExit(pid_, 20s);
    pid_ = 0;
    return code;
  }
  std::string Log() const { return ReadText(log_); }
  std::string ChunkFile() const { return KeptChunkFile(config_); }

  // Plays the note live and compares it with the render.
  void ExpectNoteAsRendered(TestRig& rig, const std::vector<float>& rendered, int renderRate) {
    const std::vector<float> live = rig.PlayNote(kNote, kVelocity, kHeldSeconds);
    ASSERT_GT(live.size(), static_cast<size_t>(kTo * rig.rate())) << Log();
    EXPECT_TRUE(rig.QuietBeforeNote()) << "the note sounded before its frame";
    size_t start = 0;
    while (start < live.size() && std::fabs(live[start]) < 1e-4f) ++start;
    // A server short of time hands a late client's output on a whole block later; within its
    // block the note still starts at its own frame.
    const auto block = static_cast<size_t>(jack_get_buffer_size(rig.client()));
    EXPECT_LE(static_cast<int64_t>(start % block), kLatestStart) << "the note started late within its block";
    const std::vector<float> sounding(live.begin() + static_cast<long>(std::min(start, live.size())), live.end());
    const double rendered_hz = PitchHz(rendered, renderRate);
    EXPECT_NEAR(PitchHz(sounding, rig.rate()), rendered_hz, rendered_hz * 0.01);
    EXPECT_NEAR(PitchHz(sounding, rig.rate()), NoteHz(kNote), NoteHz(kNote) * 0.02);
    EXPECT_NEAR(LevelDb(sounding, rig.rate()), LevelDb(rendered, renderRate), 1.5);
  }

  TempFolder config_, work_;
  std::string log_ = work_.file("brelix.log");
  const std::string patch_ = work_.file("glass-pluck.tw");
  pid_t pid_ = 0;
};

TEST_F(Brelix, PlaysNotesFromTheServerAsRenderedAndFollowsBlockSizeChanges) {
  JackServer server(44100);
  ASSERT_TRUE(server.ready()) << server.failure();
  TestRig rig;
  ASSERT_TRUE(rig.ok());
  ASSERT_GT(Start({"--connect", "--patch", patch_}), 0);
  ASSERT_TRUE(rig.WaitForProgram()) << Log();
  // --connect: the physical MIDI source to the input, the outputs to the playback ports.
  EXPECT_TRUE(WaitUntil([&] { return rig.Connected("notes:out", "Brelix:midi_in"); }, 10s)) << Log();
  EXPECT_TRUE(rig.Connected("Brelix:out_l", "system:playback_1"));
  EXPECT_TRUE(rig.Connected("Brelix:out_r", "system:playback_2"));
  // A source that appears later is connected too.
  ASSERT_TRUE(rig.AddSource("late"));
  EXPECT_TRUE(WaitUntil([&] { return rig.Connected("notes:late", "Brelix:midi_in"); }, 10s));
  ASSERT_TRUE(rig.ConnectRecorder());
  const std::vector<float> rendered = RenderedNote(work_, patch_, 44100);
  {
    SCOPED_TRACE("1024 frames a block");
    ExpectNoteAsRendered(rig, rendered, 44100);
  }
  // The server's block size changes while the program plays.
  ASSERT_EQ(jack_set_buffer_size(rig.client(), 256), 0);
  ASSERT_TRUE(WaitUntil([&] { return jack_get_buffer_size(rig.client()) == 256; }, 5s));
  {
    SCOPED_TRACE("256 frames a block");
    ExpectNoteAsRendered(rig, rendered, 44100);
  }
  EXPECT_EQ(Quit(), 0) << Log();
  EXPECT_NE(Log().find("glass-pluck.tw"), std::string::npos) << Log();
  EXPECT_FALSE(ReadBytes(ChunkFile()).empty());
}

TEST_F(Brelix, WaitsForAServerThatWentAwayAndPlaysAgainWithItsConnections) {
  std::string name;
  {
    JackServer server(44100);
    ASSERT_TRUE(server.ready()) << server.failure();
    name = server.name();
    std::optional<TestRig> rig(std::in_place);
    ASSERT_TRUE(rig->ok());
    ASSERT_GT(Start({"--patch", patch_}), 0);
    ASSERT_TRUE(rig->WaitForProgram()) << Log();
    // Connected by hand (no --connect): the program remembers them.
    ASSERT_TRUE(WaitUntil([&] { return jack_connect(rig->client(), "notes:out", "Brelix:midi_in") == 0; }, 10s));
    ASSERT_TRUE(rig->ConnectRecorder());
    rig.reset();  // the test's clients go first, as they would come back later
    server.Stop();
    ASSERT_TRUE(WaitUntil([&] { return Log().find("the JACK server went away") != std::string::npos; }, 10s)) << Log();
  }
  // Still there, saying it waits, while no server runs.
  std::this_thread::sleep_for(1500ms);
  ASSERT_EQ(waitpid(pid_, nullptr, WNOHANG), 0) << Log();
  EXPECT_NE(Log().find("waiting for it to come back"), std::string::npos) << Log();

  // The server comes back (at another rate); the test's clients come with it, before or after
  // the program has found it.
  JackServer server(48000, 1024, name);
  ASSERT_TRUE(server.ready()) << server.failure();
  TestRig rig;
  ASSERT_TRUE(rig.ok());
  ASSERT_TRUE(WaitUntil([&] { return Log().find("the JACK server is back") != std::string::npos; }, 20s)) << Log();
  EXPECT_TRUE(WaitUntil([&] {
    return rig.Connected("notes:out", "Brelix:midi_in") && rig.Connected("Brelix:out_l", "recorder:in_l") &&
           rig.Connected("Brelix:out_r", "recorder:in_r");
  }, 10s)) << Log();
  EXPECT_NE(Log().find("48000 Hz"), std::string::npos) << Log();
  ExpectNoteAsRendered(rig, RenderedNote(work_, patch_, 48000), 48000);
  EXPECT_EQ(Quit(), 0) << Log();
}

TEST_F(Brelix, KeepsItsStateWhenTheServerEndsARunForAScriptAndPlaysAtTheRateOfTheNextOne) {
  KeepChunkNaming(config_, patch_);
  const ino_t earlier = FileIdentity(ChunkFile());
  {
    JackServer server(44100);
    ASSERT_TRUE(server.ready()) << server.failure();
    ASSERT_GT(Start({"--quit-without-server"}), 0);
    ASSERT_TRUE(WaitUntil([&] { return Log().find("playing") != std::string::npos; }, 20s)) << Log();
    server.Stop();
    bool hung = false;
    EXPECT_EQ(WaitForExit(pid_, 20s, &hung), 1) << Log();
    EXPECT_FALSE(hung);
    pid_ = 0;
    EXPECT_NE(Log().find("the JACK server went away"), std::string::npos) << Log();
  }
  EXPECT_NE(FileIdentity(ChunkFile()), earlier) << "the state was not kept";

  // The next start finds the kept patch, at the new server's rate.
  JackServer server(48000);
  ASSERT_TRUE(server.ready()) << server.failure();
  TestRig rig;
  ASSERT_TRUE(rig.ok());
  ASSERT_GT(Start({"--connect"}), 0);
  ASSERT_TRUE(rig.WaitForProgram()) << Log();
  ASSERT_TRUE(WaitUntil([&] { return rig.Connected("notes:out", "Brelix:midi_in"); }, 10s)) << Log();
  ASSERT_TRUE(WaitUntil([&] { return Log().find("playing") != std::string::npos; }, 10s)) << Log();
  EXPECT_NE(Log().find("playing glass-pluck.tw"), std::string::npos) << Log();
  EXPECT_NE(Log().find("48000 Hz"), std::string::npos) << Log();
  ASSERT_TRUE(rig.ConnectRecorder());
  ExpectNoteAsRendered(rig, RenderedNote(work_, patch_, 48000), 48000);
  EXPECT_EQ(Quit(), 0) << Log();
}

TEST_F(Brelix, QuitsInTimeWithItsStateKeptWhenTheServerHangs) {
  KeepChunkNaming(config_, patch_);
  const ino_t earlier = FileIdentity(ChunkFile());
  JackServer server(44100);
  ASSERT_TRUE(server.ready()) << server.failure();
  ASSERT_GT(Start({}), 0);
  ASSERT_TRUE(WaitUntil([&] { return Log().find("playing") != std::string::npos; }, 20s)) << Log();
  // A server that answers nothing (stopped; the server's destructor thaws it whatever happens).
  server.Freeze();
  kill(pid_, SIGTERM);
  bool hung = false;
  const int code = WaitForExit(pid_, 2s, &hung);
  pid_ = 0;
  server.Thaw();
  EXPECT_FALSE(hung) << "still running 2 s after SIGTERM\n" << Log();
  EXPECT_EQ(code, 1) << Log();
  EXPECT_NE(Log().find("the JACK server does not answer"), std::string::npos) << Log();
  EXPECT_NE(FileIdentity(ChunkFile()), earlier) << "the state was not kept";
  const std::string kept = ReadBytes(ChunkFile());
  EXPECT_EQ(ChunkPatchFile(std::vector<uint8_t>(kept.begin(), kept.end())), patch_) << Log();
}

TEST_F(Brelix, WithoutAServerSaysHowToStartOneAndStartsNone) {
  const std::string name = UniqueJackServerName();
  const ProgramRun run = RunProgram(BRELIX_LIVE_PATH, {"--no-gui", "--plugin", BRELIX_PLUGIN_PATH},
                                    {.environment = {{"JACK_DEFAULT_SERVER", name}}, .time_limit = 20s});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("jackd -d alsa"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("pw-jack"), std::string::npos) << run.err;
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  jack_set_error_function(Quiet);
  jack_client_t* client = jack_client_open("probe", JackNoStartServer, nullptr);
  EXPECT_EQ(client, nullptr) << "a server was started";
  if (client != nullptr) jack_client_close(client);
  EXPECT_FALSE(std::filesystem::exists(ChunkFile()));
}

}  // namespace
}  // namespace brelix::testing
