// brelix-render: renders a Standard MIDI File through the Brelix plug-in into a WAV file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "midi_file.h"
#include "progress_bar.h"
#include "render_options.h"
#include "render_schedule.h"
#include "render_state.h"
#include "vst_host.h"
#include "wav_output.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPluginFileName = "Brelix64.so";

// Receives each block the plug-in has rendered.
using FrameSink = std::function<void(const float* left, const float* right, int frames)>;

// The plug-in, loaded through its entry point and driven as a host drives it: each delivery is
// one event list (effProcessEvents), each Process one processReplacing call whose two output
// buffers go to `sink`. The instance is closed (effClose) when the target goes.
class PluginTarget : public RenderTarget {
 public:
  PluginTarget(const std::string& pluginPath, const RenderSettings& settings, double tempoBpm, FrameSink sink)
      : sink_(std::move(sink)) {
    host::HostConfig config;
    config.sample_rate = static_cast<float>(settings.SampleRate);
    if (tempoBpm > 0.0) config.tempo = tempoBpm;
    try {
      instance_ = std::make_unique<host::PluginInstance>(host::PluginLibrary::Load(pluginPath), config);
    } catch (const std::exception& error) {
      throw std::runtime_error("cannot load plug-in '" + pluginPath + "': " + error.what());
    }
    if (!instance_->is_open()) throw std::runtime_error("the plug-in '" + pluginPath + "' made no instance");
    instance_->open();
    instance_->setSampleRate(static_cast<float>(settings.SampleRate));
    instance_->setBlockSize(settings.BlockSize);
    instance_->resume();
  }
  ~PluginTarget() override { instance_->suspend(); }

  // The program chunk, as a host stores and restores it (effGetChunk, effSetChunk).
  std::vector<uint8_t> GetChunk() { return instance_->getChunk(); }
  void SetChunk(const std::vector<uint8_t>& chunk) { instance_->setChunk(chunk); }

  void Deliver(std::span<const MidiMessage> messages) override {
    instance_->sendMidi(std::vector<host::MidiMessage>(messages.begin(), messages.end()));
  }
  void Process(int frames) override {
    instance_->process(frames);
    sink_(instance_->left().data(), instance_->right().data(), frames);
  }

 private:
  FrameSink sink_;
  std::unique_ptr<host::PluginInstance> instance_;
};

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// The plug-in named on the command line, else $BRELIX_PLUGIN, else the first Brelix64.so
// found next to this program (its build folder or its installation), in ~/.vst,
// /usr/local/lib/vst and /usr/lib/vst.
std::string FindPlugin(const std::string& given) {
  if (!given.empty()) return given;  // a wrong path is reported by the loader
  if (const char* fromEnvironment = std::getenv("BRELIX_PLUGIN"); fromEnvironment && *fromEnvironment) {
    return fromEnvironment;
  }
  std::vector<fs::path> candidates;
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path folder = program.parent_path();
    candidates.push_back(folder / kPluginFileName);                         // beside the program
    candidates.push_back(folder.parent_path() / kPluginFileName);           // build/tools/.. = build
    candidates.push_back(folder.parent_path() / "lib/vst" / kPluginFileName);  // <prefix>/bin/..
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    candidates.push_back(fs::path(home) / ".vst" / kPluginFileName);
  }
  candidates.push_back(fs::path("/usr/local/lib/vst") / kPluginFileName);
  candidates.push_back(fs::path("/usr/lib/vst") / kPluginFileName);
  for (const fs::path& candidate : candidates) {
    if (IsFile(candidate)) return candidate.string();
  }
  std::string message = "cannot find the plug-in " + std::string(kPluginFileName) + "; looked in:";
  for (const fs::path& candidate : candidates) message += "\n  " + candidate.parent_path().string();
  throw std::runtime_error(message + "\nname it with --plugin PATH or $BRELIX_PLUGIN");
}

// Refuses to write the WAV over the MIDI file itself (a MIDI file named *.wav).
void CheckOutputIsNotInput(const RenderOptions& options) {
  std::error_code error;
  if (fs::equivalent(options.MidiPath, options.OutputPath, error)) {
    throw std::runtime_error("the output '" + options.OutputPath + "' is the MIDI file itself; name another with -o");
  }
}

const char* FormatName(WavSampleFormat format) {
  switch (format) {
    case WavSampleFormat::Pcm16: return "16-bit PCM";
    case WavSampleFormat::Pcm24: return "24-bit PCM";
    case WavSampleFormat::Float32: break;
  }
  return "32-bit float";
}

// --patch: the instance's own chunk naming the patch file, as a host restores a project;
// --load-state: a chunk saved earlier, as it is.
void RestoreState(const RenderOptions& options, PluginTarget& plugin) {
  std::vector<uint8_t> chunk;
  if (!options.PatchPath.empty()) {
    chunk = ChunkNamingPatch(plugin.GetChunk(), options.PatchPath);
  } else if (!options.LoadStatePath.empty()) {
    chunk = ReadStateFile(options.LoadStatePath);
    const std::string patch = ChunkPatchFile(chunk);
    if (!patch.empty() && !IsFile(patch)) {
      std::fprintf(stderr, "brelix-render: note: the patch file '%s' that %s names is missing; the default patch plays\n",
                   patch.c_str(), options.LoadStatePath.c_str());
    }
  } else {
    return;
  }
  plugin.SetChunk(chunk);
}

int Run(const RenderOptions& options) {
  const bool onTerminal = isatty(STDERR_FILENO) == 1;

  MidiSong song;
  try {
    song = ReadMidiFile(options.MidiPath, {.TempoBpm = options.TempoBpm});
  } catch (const MidiFileError& error) {
    throw std::runtime_error(options.MidiPath + ": " + error.what());
  }
  if (song.SmpteTiming && options.TempoBpm > 0.0) {
    std::fprintf(stderr, "brelix-render: note: %s counts SMPTE time; --tempo has no effect\n",
                 options.MidiPath.c_str());
  }
  if (song.Events.empty()) {
    std::fprintf(stderr, "brelix-render: note: %s holds no notes or controllers; the output is silent\n",
                 options.MidiPath.c_str());
  }
  CheckOutputIsNotInput(options);

  const RenderSettings settings{.SampleRate = static_cast<double>(options.SampleRate),
                                .BlockSize = options.BlockSize,
                                .TailSeconds = options.TailSeconds};
  const int64_t length = RenderLength(song.Events, settings);

  const std::string pluginPath = FindPlugin(options.PluginPath);
  // The WAV goes to a temporary file until it is complete, so a render that fails leaves any
  // older file of that name as it was.
  WavWriter wav(options.OutputPath, options.SampleRate, options.Format, length);
  ProgressBar progress(length, onTerminal);
  auto plugin = std::make_unique<PluginTarget>(pluginPath, settings, options.TempoBpm,
                                               [&](const float* left, const float* right, int frames) {
                                                 wav.Write(left, right, static_cast<size_t>(frames));
                                                 progress.Advance(frames);
                                               });

  RestoreState(options, *plugin);

  RunRenderSchedule(song.Events, settings, *plugin);
  if (!options.SaveStatePath.empty()) WriteStateFile(options.SaveStatePath, plugin->GetChunk());
  plugin.reset();
  wav.Close();
  progress.Finish();
  if (onTerminal) {
    std::fprintf(stderr, "brelix-render: wrote %s (%.1f s, %d Hz, %s)\n", options.OutputPath.c_str(),
                 static_cast<double>(length) / options.SampleRate, options.SampleRate,
                 FormatName(options.Format));
  }
  return 0;
}

}  // namespace
}  // namespace brelix

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    const brelix::RenderOptions options = brelix::ParseRenderOptions(args);
    if (options.ShowHelp) {
      std::fputs(brelix::RenderUsage(), stdout);
      return 0;
    }
    return brelix::Run(options);
  } catch (const brelix::UsageError& error) {
    std::fprintf(stderr, "brelix-render: %s\nTry 'brelix-render --help'.\n", error.what());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brelix-render: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "brelix-render: unexpected error\n");
  }
  return 1;
}
