#include "plugin_target.h"

#include "base/printable_text.h"
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "interruption.h"
#include "patch/file_io.h"

namespace brelix {

namespace fs = std::filesystem;

namespace {
constexpr const char* kPluginFileName = "Brelix64.so";
constexpr size_t kLargestEventList = 1024;
}  // namespace

PluginTarget::PluginTarget(const std::string& pluginPath, const RenderSettings& settings,
                           std::span<const SongTempo> tempos, OutputMeter& meter, FrameSink sink)
    : meter_(meter), sink_(std::move(sink)), tempos_(tempos) {
  static const SongTempo kDefaultTempo{};
  if (tempos_.empty()) tempos_ = {&kDefaultTempo, 1};
  host::HostConfig config;
  config.sample_rate = static_cast<float>(settings.SampleRate);
  config.tempo = tempos_.front().Bpm;
  try {
    instance_ = std::make_unique<host::PluginInstance>(host::PluginLibrary::Load(pluginPath), config);
  } catch (const std::exception& error) {
    throw std::runtime_error("cannot load plug-in '" + PrintableText(pluginPath) + "': " + PrintableText(error.what()));
  }
  if (!instance_->is_open()) throw std::runtime_error("the plug-in '" + PrintableText(pluginPath) + "' made no instance");
  instance_->open();
  instance_->setSampleRate(static_cast<float>(settings.SampleRate));
  instance_->setBlockSize(settings.BlockSize);
  instance_->resume();
}

PluginTarget::~PluginTarget() { instance_->suspend(); }

void PluginTarget::Deliver(std::span<const MidiMessage> messages) {
  // In slices: a host's event list for a frame of a million messages would cost far more memory
  // than the song itself.
  for (size_t first = 0; first < messages.size(); first += kLargestEventList) {
    const auto slice = messages.subspan(first, std::min(kLargestEventList, messages.size() - first));
    instance_->sendMidi(std::vector<host::MidiMessage>(slice.begin(), slice.end()));
  }
}

void PluginTarget::UpdateTransport() {
  VstTimeInfo& time = instance_->timeInfo();
  const SongPosition position = PositionAt(tempos_, time.samplePos / time.sampleRate);
  time.tempo = position.Bpm;
  time.ppqPos = position.Quarters;
  time.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | (started_ ? 0 : kVstTransportChanged);
  started_ = true;
}

void PluginTarget::Process(int frames) {
  ThrowIfInterrupted();
  UpdateTransport();
  instance_->process(frames);
  meter_.Add(instance_->left().data(), instance_->right().data(), static_cast<size_t>(frames));
  sink_(instance_->left().data(), instance_->right().data(), frames);
}

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
    candidates.push_back(folder / kPluginFileName);                            // beside the program
    candidates.push_back(folder.parent_path() / kPluginFileName);              // build/tools/.. = build
    candidates.push_back(folder.parent_path() / "lib/vst" / kPluginFileName);  // <prefix>/bin/..
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    candidates.push_back(fs::path(home) / ".vst" / kPluginFileName);
  }
  candidates.push_back(fs::path("/usr/local/lib/vst") / kPluginFileName);
  candidates.push_back(fs::path("/usr/lib/vst") / kPluginFileName);
  for (const fs::path& candidate : candidates) {
    if (FileExists(candidate.string())) return candidate.string();
  }
  std::string message = "cannot find the plug-in " + std::string(kPluginFileName) + "; looked in:";
  for (const fs::path& candidate : candidates) message += "\n  " + PrintableText(candidate.parent_path().string());
  throw std::runtime_error(message + "\nname it with --plugin PATH or $BRELIX_PLUGIN");
}

}  // namespace brelix
