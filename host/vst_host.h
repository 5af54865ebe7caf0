// A small VST 2.4 host: loads a plug-in library, opens instances through its entry point, drives
// their opcodes, feeds MIDI and renders into its own buffers. It records every call-back an
// instance makes. Used by the tools and the tests; never by the plug-in.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plugin/vst24.h"

namespace brelix::host {

// A loaded plug-in library. Instances keep it loaded while they live.
class PluginLibrary {
 public:
  // Throws std::runtime_error when the file cannot be loaded or has no entry point.
  static std::shared_ptr<PluginLibrary> Load(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // VSTPluginMain, or "main" for libraries that only export that name.
  VstPluginMainProc entry() const { return entry_; }
  // Any exported symbol, or none.
  void* symbol(const char* name) const;
  const std::string& path() const { return path_; }

 private:
  PluginLibrary(std::string path, void* handle, VstPluginMainProc entry)
      : path_(std::move(path)), handle_(handle), entry_(entry) {}
  std::string path_;
  void* handle_;
  VstPluginMainProc entry_;
};

// How the host answers an instance.
struct HostConfig {
  intptr_t version = 2400;  // audioMasterVersion; 0 tells the plug-in there is no host to serve
  bool time_record = true;  // audioMasterGetTime answers none when false
  bool tempo_valid = true;  // kVstTempoValid in the time record's flags
  double tempo = 120.0;     // beats per minute
  float sample_rate = 44100.0f;
};

// One call-back as the plug-in made it.
struct HostCall {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  void* ptr;
  float opt;
  bool with_effect;  // the plug-in passed its AEffect record
};

using MidiMessage = std::array<uint8_t, 3>;

// One plug-in instance, opened through the library's entry point and closed (effClose) on
// destruction. When the entry point returns none the instance stays unopened: effect() is none and
// only the recorded call-backs can be looked at.
class PluginInstance {
 public:
  explicit PluginInstance(std::shared_ptr<PluginLibrary> library, HostConfig config = {});
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  AEffect* effect() const { return effect_; }
  bool is_open() const { return effect_ != nullptr; }

  // The plug-in's dispatcher; 0 when the instance is not open.
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  // A text answer of the dispatcher (program, effect, vendor, product, parameter names).
  std::string dispatchText(int32_t opcode, int32_t index = 0);

  void open();                     // effOpen
  void setSampleRate(float rate);  // effSetSampleRate; also the time record's rate
  void setBlockSize(int32_t frames);
  void resume();   // effMainsChanged (1)
  void suspend();  // effMainsChanged (0)
  // Sends the messages as one VstEvents block (all at delta 0) through effProcessEvents.
  intptr_t sendMidi(const std::vector<MidiMessage>& messages);
  // Renders `frames` frames with processReplacing into left() and right() (cleared first) and
  // advances the time record's sample position.
  void process(int32_t frames);
  // As process, but with the accumulating entry, the buffers prefilled with `prefill`.
  void processAccumulating(int32_t frames, float prefill);
  const std::vector<float>& left() const { return left_; }
  const std::vector<float>& right() const { return right_; }

  // effGetChunk (index 0: bank, 1: program): a copy of the plug-in's block.
  std::vector<uint8_t> getChunk(int32_t index = 0);
  intptr_t setChunk(const std::vector<uint8_t>& data, int32_t index = 0);

  // effClose; returns its result (0 when not open). The instance is unopened afterwards.
  intptr_t close();

  // Recorded call-backs, oldest first.
  std::vector<HostCall> calls() const;
  int countCalls(int32_t opcode) const;
  void clearCalls();

  // The time record the host answers with; change it between process calls.
  VstTimeInfo& timeInfo() { return state_->time; }

 private:
  struct State {
    HostConfig config;
    VstTimeInfo time{};
    mutable std::mutex mutex;
    std::vector<HostCall> calls;
  };
  static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt);
  static State* StateOf(AEffect* effect);

  std::shared_ptr<PluginLibrary> library_;
  std::unique_ptr<State> state_;
  AEffect* effect_ = nullptr;
  std::vector<float> left_, right_;
};

}  // namespace brelix::host
