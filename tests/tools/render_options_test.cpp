// The command line of brelix-render: defaults, every option in its spellings, and a clear
// message for each kind of mistake.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render_options.h"

namespace brelix {
namespace {

RenderOptions Parse(std::vector<std::string> args) { return ParseRenderOptions(args); }

TEST(RenderOptions, DefaultsNameTheOutputAfterTheMidiFile) {
  const RenderOptions options = Parse({"songs/tune.mid"});
  EXPECT_EQ(options.MidiPath, "songs/tune.mid");
  EXPECT_EQ(options.OutputPath, "songs/tune.wav");
  EXPECT_EQ(options.PluginPath, "");
  EXPECT_EQ(options.SampleRate, 44100);
  EXPECT_EQ(options.BlockSize, 512);
  EXPECT_EQ(options.TempoBpm, 0.0);
  EXPECT_EQ(options.TailSeconds, std::nullopt);  // until the sound has died away
  EXPECT_EQ(options.Format, WavSampleFormat::Float32);
  EXPECT_FALSE(options.Dither);
  EXPECT_EQ(options.Channel, 0);  // as the plug-in's state has it
  EXPECT_EQ(options.Voices, 0);
  EXPECT_EQ(options.Seed, std::nullopt);
  EXPECT_TRUE(options.CheckPatchPaths.empty());
  EXPECT_FALSE(options.ShowHelp);
  EXPECT_EQ(Parse({"noextension"}).OutputPath, "noextension.wav");
}

TEST(RenderOptions, ReadsEveryOptionWithASeparateOrAnAttachedValue) {
  const RenderOptions options = Parse({"--rate", "48000", "--block=64", "--tempo", "92.5", "--tail=0",
                                       "--bits", "24", "-o", "out.wav", "--plugin=/opt/Brelix64.so", "in.mid"});
  EXPECT_EQ(options.SampleRate, 48000);
  EXPECT_EQ(options.BlockSize, 64);
  EXPECT_EQ(options.TempoBpm, 92.5);
  EXPECT_EQ(options.TailSeconds, 0.0);
  EXPECT_EQ(options.Format, WavSampleFormat::Pcm24);
  EXPECT_EQ(options.OutputPath, "out.wav");
  EXPECT_EQ(options.PluginPath, "/opt/Brelix64.so");
  EXPECT_EQ(options.MidiPath, "in.mid");
  EXPECT_EQ(Parse({"--bits=16", "--output", "x.wav", "a.mid"}).Format, WavSampleFormat::Pcm16);
  const RenderOptions more = Parse({"--channel", "10", "--voices=1", "--seed", "4294967295", "--bits", "16",
                                    "--dither", "a.mid"});
  EXPECT_EQ(more.Channel, 10);
  EXPECT_EQ(more.Voices, 1);
  EXPECT_EQ(more.Seed, 4294967295u);
  EXPECT_TRUE(more.Dither);
  EXPECT_EQ(Parse({"--seed=0", "a.mid"}).Seed, 0u);
  EXPECT_EQ(Parse({"--seed=000000000017", "a.mid"}).Seed, 17u);  // as the plug-in reads BRELIX_SEED
  EXPECT_EQ(Parse({"--", "--odd-name.mid"}).MidiPath, "--odd-name.mid");
  EXPECT_TRUE(Parse({"--help"}).ShowHelp);
  EXPECT_TRUE(Parse({"--rate", "1", "-h"}).ShowHelp);  // help wins over mistakes
}

TEST(RenderOptions, PatchAndStateFiles) {
  const RenderOptions options = Parse({"--patch", "pads/Warm.tw", "--save-state=out.state", "a.mid"});
  EXPECT_EQ(options.PatchPath, "pads/Warm.tw");
  EXPECT_EQ(options.SaveStatePath, "out.state");
  EXPECT_EQ(options.LoadStatePath, "");
  EXPECT_EQ(Parse({"--load-state", "out.state", "a.mid"}).LoadStatePath, "out.state");
  EXPECT_EQ(Parse({"a.mid"}).PatchPath, "");
}

TEST(RenderOptions, CheckingPatchesTakesEveryFileNamedAndNoMidiFile) {
  const RenderOptions options = Parse({"--check-patch", "a.tw", "b.tw", "--check-patch=c.tw"});
  EXPECT_EQ(options.CheckPatchPaths, (std::vector<std::string>{"a.tw", "c.tw", "b.tw"}));
  EXPECT_EQ(options.MidiPath, "");
}

TEST(RenderOptions, MistakesAreReportedByName) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no MIDI file given"},
      {{"a.mid", "b.mid"}, "more than one MIDI file given ('b.mid')"},
      {{"--loud", "a.mid"}, "unknown option '--loud'"},
      {{"-x", "a.mid"}, "unknown option '-x'"},
      {{"a.mid", "--rate"}, "--rate needs a value"},
      {{"a.mid", "--output="}, "--output needs a value"},
      {{"--rate", "44.1k", "a.mid"}, "--rate needs a number, not '44.1k'"},
      {{"--rate", "44100.5", "a.mid"}, "--rate needs a whole number"},
      {{"--rate", "100", "a.mid"}, "--rate must lie between 8000 and 384000, not 100"},
      {{"--block", "0", "a.mid"}, "--block must lie between 1 and 16384"},
      {{"--block", "nan", "a.mid"}, "--block needs a number"},
      {{"--tempo", "0", "a.mid"}, "--tempo must be above 0"},
      {{"--tempo", "-60", "a.mid"}, "--tempo must lie between"},
      {{"--tail", "inf", "a.mid"}, "--tail needs a number"},
      {{"--tail", "601", "a.mid"}, "--tail must lie between 0 and 600"},
      {{"--bits", "8", "a.mid"}, "--bits must be 16, 24 or 32, not '8'"},
      {{"--patch", "p.tw", "--load-state", "s.state", "a.mid"}, "--patch and --load-state both set the patch"},
      {{"a.mid", "--save-state"}, "--save-state needs a value"},
      {{"--channel", "0", "a.mid"}, "--channel must lie between 1 and 16, not 0"},
      {{"--channel", "17", "a.mid"}, "--channel must lie between 1 and 16"},
      {{"--voices", "0", "a.mid"}, "--voices must lie between 1 and 16, not 0"},
      {{"--voices", "2.5", "a.mid"}, "--voices needs a whole number"},
      {{"--seed", "x1", "a.mid"}, "--seed needs a whole number from 0 to 4294967295, not 'x1'"},
      {{"--seed", "-1", "a.mid"}, "--seed needs a whole number from 0 to 4294967295, not '-1'"},
      {{"--seed", "+5", "a.mid"}, "--seed needs a whole number"},
      {{"--seed", "4294967296", "a.mid"}, "--seed needs a whole number"},
      {{"--seed", "1e3", "a.mid"}, "--seed needs a whole number"},
      {{"--dither", "a.mid"}, "--dither needs 16- or 24-bit output"},
      {{"--dither=yes", "--bits", "16", "a.mid"}, "--dither takes no value"},
  };
  for (const Case& c : cases) {
    try {
      ParseRenderOptions(c.args);
      ADD_FAILURE() << "no error for: " << c.message;
    } catch (const UsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace brelix
