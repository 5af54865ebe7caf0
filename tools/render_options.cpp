#include "render_options.h"

#include "base/printable_text.h"
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

#include "library_patches.h"

namespace brelix {

namespace {

double ParseNumber(const std::string& option, const std::string& text, double lowest, double highest) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    throw UsageError(option + " needs a number, not '" + PrintableText(text) + "'");
  }
  if (value < lowest || value > highest) {
    char range[96];
    std::snprintf(range, sizeof range, " must lie between %g and %g", lowest, highest);
    throw UsageError(option + range + ", not " + PrintableText(text));
  }
  return value;
}

int ParseInteger(const std::string& option, const std::string& text, int lowest, int highest) {
  const double value = ParseNumber(option, text, lowest, highest);
  if (value != std::floor(value)) throw UsageError(option + " needs a whole number, not '" + PrintableText(text) + "'");
  return static_cast<int>(value);
}

// A seed is written as plain decimal digits, as the plug-in reads it from BRELIX_SEED.
uint32_t ParseSeed(const std::string& option, const std::string& text) {
  const auto fail = [&] { return UsageError(option + " needs a whole number from 0 to 4294967295, not '" + PrintableText(text) + "'"); };
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw fail();
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) throw fail();
  }
  return static_cast<uint32_t>(value);
}

WavSampleFormat ParseBits(const std::string& text) {
  if (text == "16") return WavSampleFormat::Pcm16;
  if (text == "24") return WavSampleFormat::Pcm24;
  if (text == "32") return WavSampleFormat::Float32;
  throw UsageError("--bits must be 16, 24 or 32, not '" + PrintableText(text) + "'");
}

}  // namespace

const char* RenderUsage() {
  return "Usage: brelix-render [options] MIDI-FILE\n"
         "       brelix-render --check-patch PATCH-FILE...\n"
         "       brelix-render --list-patches\n"
         "Renders a Standard MIDI File (format 0 or 1) through the Brelix plug-in to a WAV file,\n"
         "or checks patch files.\n"
         "\n"
         "Options:\n"
         "  -o, --output FILE   the WAV file to write (default: the MIDI file's name with .wav);\n"
         "                      - for standard output\n"
         "      --rate HZ       sample rate, 8000 to 384000 (default 44100)\n"
         "      --block N       most frames per process call, 1 to 16384 (default 512)\n"
         "      --tempo BPM     a fixed tempo replacing the file's tempo changes\n"
         "      --tail SECONDS  audio rendered after the song's end, up to 600 (default: until\n"
         "                      the sound has stayed below -90 dBFS for 2 s, at most 30 s)\n"
         "      --bits 16|24|32 16- or 24-bit PCM, or 32-bit float (default 32)\n"
         "      --dither        triangular dither before rounding to 16 or 24 bits\n"
         "      --plugin PATH   the plug-in to load (default: $BRELIX_PLUGIN, the Brelix64.so\n"
         "                      next to this program, ~/.vst, /usr/local/lib/vst, /usr/lib/vst)\n"
         "      --patch FILE    play the patch file FILE.tw, restored as a host restores a\n"
         "                      project (a program chunk naming the file); or a library\n"
         "                      patch by name (pads/warm-pad, or warm-pad)\n"
         "      --channel N     the MIDI channel the plug-in listens on, 1 to 16 (default 1)\n"
         "      --voices N      the number of voices, 1 to 16 (default 16)\n"
         "      --pedal         hold note-offs while the sustain pedal (controller 64) is down,\n"
         "                      for a patch that does not hold them itself (SustainPedal=0)\n"
         "      --preview-note  play the patch's preview note (PlayNote) from the start too\n"
         "      --seed N        seed the plug-in's random generator with N (0 to 4294967295),\n"
         "                      so that renders repeat bit for bit\n"
         "      --save-state FILE  write the plug-in's program chunk at the end of the render\n"
         "      --load-state FILE  restore a program chunk written by --save-state\n"
         "      --check-patch FILE  check patch files (or library names) as the plug-in reads\n"
         "                      them; render nothing\n"
         "      --list-patches  list the patch library by family; render nothing\n"
         "  -h, --help          show this text\n";
}

RenderOptions ParseRenderOptions(std::span<const std::string> args) {
  RenderOptions options;
  using Setter = std::function<void(const std::string& option, const std::string& value)>;
  const std::map<std::string, Setter> valued = {
      {"--output", [&](auto&, auto& v) { options.OutputPath = v; }},
      {"--plugin", [&](auto&, auto& v) { options.PluginPath = v; }},
      {"--patch", [&](auto&, auto& v) { options.PatchPath = v; }},
      {"--load-state", [&](auto&, auto& v) { options.LoadStatePath = v; }},
      {"--save-state", [&](auto&, auto& v) { options.SaveStatePath = v; }},
      {"--rate", [&](auto& o, auto& v) { options.SampleRate = ParseInteger(o, v, kLowestSampleRate, kHighestSampleRate); }},
      {"--block", [&](auto& o, auto& v) { options.BlockSize = ParseInteger(o, v, 1, kLargestBlock); }},
      {"--tempo", [&](auto& o, auto& v) {
         options.TempoBpm = ParseNumber(o, v, 0.0, kHighestTempo);
         if (options.TempoBpm <= 0.0) throw UsageError(o + " must be above 0, not " + PrintableText(v));
       }},
      {"--tail", [&](auto& o, auto& v) { options.TailSeconds = ParseNumber(o, v, 0.0, kLongestTail); }},
      {"--bits", [&](auto&, auto& v) { options.Format = ParseBits(v); }},
      {"--channel", [&](auto& o, auto& v) { options.Channel = ParseInteger(o, v, 1, kMidiChannels); }},
      {"--voices", [&](auto& o, auto& v) { options.Voices = ParseInteger(o, v, 1, kMostVoices); }},
      {"--seed", [&](auto& o, auto& v) { options.Seed = ParseSeed(o, v); }},
      {"--check-patch", [&](auto&, auto& v) { options.CheckPatchPaths.push_back(v); }},
  };
  const std::map<std::string, std::function<void()>> flags = {
      {"--dither", [&] { options.Dither = true; }},
      {"--pedal", [&] { options.Pedal = true; }},
      {"--preview-note", [&] { options.PreviewNote = true; }},
      {"--list-patches", [&] { options.ListPatches = true; }},
  };

  // Help is shown whatever else the line holds.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") {
      options.ShowHelp = true;
      return options;
    }
  }

  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-o") arg = "--output";
    if (const auto flag = flags.find(arg); flag != flags.end()) {
      flag->second();
      continue;
    }
    std::string value;
    bool hasValue = false;
    if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.resize(equals);
      hasValue = true;
    }
    if (flags.contains(arg)) throw UsageError(arg + " takes no value");
    const auto setter = valued.find(arg);
    if (setter == valued.end()) throw UsageError("unknown option '" + PrintableText(args[i]) + "'");
    if (!hasValue) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      value = args[++i];
    }
    if (value.empty()) throw UsageError(arg + " needs a value");
    setter->second(arg, value);
  }

  if (options.ListPatches) return options;
  options.PatchPath = PatchFileOfArgument(options.PatchPath);
  // Checking patch files renders nothing: every other file named is a patch file too.
  if (!options.CheckPatchPaths.empty()) {
    options.CheckPatchPaths.insert(options.CheckPatchPaths.end(), positional.begin(), positional.end());
    for (std::string& path : options.CheckPatchPaths) path = PatchFileOfArgument(path);
    return options;
  }
  if (positional.size() > 1) throw UsageError("more than one MIDI file given ('" + PrintableText(positional[1]) + "')");
  if (positional.empty()) throw UsageError("no MIDI file given");
  options.MidiPath = positional[0];
  if (!options.PatchPath.empty() && !options.LoadStatePath.empty())
    throw UsageError("--patch and --load-state both set the patch; give one of them");
  if (options.Dither && options.Format == WavSampleFormat::Float32)
    throw UsageError("--dither needs 16- or 24-bit output (--bits 16 or --bits 24)");
  if (options.OutputPath.empty()) {
    options.OutputPath = std::filesystem::path(options.MidiPath).replace_extension(".wav").string();
  }
  return options;
}

}  // namespace brelix
