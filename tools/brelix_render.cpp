// brelix-render: plays a Standard MIDI File through the Brelix plug-in, loaded through its entry
// point as a DAW loads it, and writes the sound to a WAV file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "midi_file.h"
#include "render_schedule.h"
#include "vst_host.h"
#include "wav_output.h"

namespace {

using namespace brelix::tools;
namespace fs = std::filesystem;

const char* const kUsage =
    "usage: brelix-render [options] FILE.mid\n"
    "  -o, --output FILE   WAV file to write (default: FILE.wav next to the MIDI file)\n"
    "  --rate HZ           sample rate (default 44100)\n"
    "  --block N           frames per process call at most (default 512)\n"
    "  --tempo BPM         play at this tempo instead of the file's tempo map\n"
    "  --tail SECONDS      render this long after the last event (default 2)\n"
    "  --bits 16|24|32     16- or 24-bit PCM, or 32-bit float (default 32)\n"
    "  --plugin PATH       the plug-in (default: $BRELIX_PLUGIN, ~/.vst, /usr/local/lib/vst, /usr/lib/vst)\n";

struct Options {
  std::string midi;
  std::string output;
  std::string plugin;
  double rate = 44100.0;
  int block = 512;
  double tempo = 0.0;
  double tail = 2.0;
  int bits = 32;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "brelix-render: " << message << "\n";
  std::exit(1);
}

double Number(const std::string& option, const char* text, double low, double high) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= low && value <= high))
    Fail(option + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) + ", not '" + text + "'");
  return value;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Fail(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else if (arg == "-o" || arg == "--output") {
      o.output = value();
    } else if (arg == "--rate") {
      o.rate = Number(arg, value(), 8000, 384000);
    } else if (arg == "--block") {
      o.block = static_cast<int>(Number(arg, value(), 1, 65536));
    } else if (arg == "--tempo") {
      o.tempo = Number(arg, value(), 1, 1000);
    } else if (arg == "--tail") {
      o.tail = Number(arg, value(), 0, 600);
    } else if (arg == "--bits") {
      o.bits = static_cast<int>(Number(arg, value(), 16, 32));
      if (o.bits != 16 && o.bits != 24 && o.bits != 32) Fail("--bits takes 16, 24 or 32");
    } else if (arg == "--plugin") {
      o.plugin = value();
    } else if (!arg.empty() && arg[0] == '-') {
      Fail("unknown option " + arg + "\n" + kUsage);
    } else if (o.midi.empty()) {
      o.midi = arg;
    } else {
      Fail("only one MIDI file, please\n" + std::string(kUsage));
    }
  }
  if (o.midi.empty()) Fail(std::string("no MIDI file given\n") + kUsage);
  if (o.output.empty()) o.output = fs::path(o.midi).replace_extension(".wav").string();
  return o;
}

std::string FindPlugin(const std::string& given) {
  if (!given.empty()) return given;
  std::vector<std::string> places;
  if (const char* env = std::getenv("BRELIX_PLUGIN")) places.push_back(env);
  if (const char* home = std::getenv("HOME")) places.push_back(std::string(home) + "/.vst/Brelix64.so");
  places.push_back("/usr/local/lib/vst/Brelix64.so");
  places.push_back("/usr/lib/vst/Brelix64.so");
  for (const std::string& place : places)
    if (fs::exists(place)) return place;
  Fail("Brelix64.so not found (give --plugin PATH or set BRELIX_PLUGIN)");
}

void ShowProgress(int64_t done, int64_t total) {
  const int width = 40;
  const int filled = total > 0 ? static_cast<int>(width * done / total) : width;
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(width - filled, ' ').c_str(),
               total > 0 ? static_cast<int>(100 * done / total) : 100);
  if (done >= total) std::fputc('\n', stderr);
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  try {
    const auto messages = ReadMidiFile(o.midi, o.tempo);
    const std::string plugin_path = FindPlugin(o.plugin);

    std::shared_ptr<brelix::host::PluginLibrary> library;
    try {
      library = brelix::host::PluginLibrary::Load(plugin_path);
    } catch (const std::exception& e) {
      Fail(std::string("the plug-in does not load: ") + e.what());
    }
    brelix::host::HostConfig config;
    config.sample_rate = static_cast<float>(o.rate);
    if (o.tempo > 0.0) config.tempo = o.tempo;
    brelix::host::PluginInstance plugin(library, config);
    if (!plugin.is_open()) Fail("the plug-in " + plugin_path + " made no instance");
    plugin.open();
    plugin.setSampleRate(static_cast<float>(o.rate));
    plugin.setBlockSize(o.block);
    plugin.resume();

    WavOutput wav(o.output, static_cast<int>(o.rate), o.bits);
    RenderSink sink;
    sink.deliver = [&](const std::vector<std::array<uint8_t, 3>>& due) { plugin.sendMidi(due); };
    sink.process = [&](int32_t frames) {
      plugin.process(frames);
      wav.Write(plugin.left().data(), plugin.right().data(), frames);
    };
    // A progress bar only on a terminal, and only for renders that take a while.
    const bool show = isatty(STDERR_FILENO) && RenderLength(messages, o.rate, o.tail) > static_cast<int64_t>(o.rate) * 20;
    RunSchedule(messages, o.rate, o.block, o.tail, sink, show ? ShowProgress : std::function<void(int64_t, int64_t)>{});
    plugin.suspend();
    wav.Close();
    std::cerr << "brelix-render: wrote " << o.output << "\n";
  } catch (const MidiFileError& e) {
    Fail(e.what());
  } catch (const WavError& e) {
    Fail(e.what());
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  return 0;
}
