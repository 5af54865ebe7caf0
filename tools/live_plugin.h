// The plug-in as the standalone program hosts it: opened through its entry point, answered by a
// call-back that is safe on the audio thread (no lock, no allocation, nothing recorded), fed
// with MIDI events at their frame and rendered straight into the server's buffers.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vst_host.h"

namespace brelix {

class LivePlugin {
 public:
  // The most MIDI events handed over in one event list; more at the same frame go in further lists.
  static constexpr int kEventCapacity = 256;

  // Throws std::runtime_error when the library cannot be loaded or makes no instance.
  explicit LivePlugin(const std::string& pluginPath);
  // effClose: a changed patch is settled there by the plug-in's own question.
  ~LivePlugin();
  LivePlugin(const LivePlugin&) = delete;
  LivePlugin& operator=(const LivePlugin&) = delete;

  // effOpen, then the rate and block size, then resume, as a host starts an instance.
  void Start(float sampleRate, int32_t blockSize);
  // A change of the server's rate or block size, as a host delivers it: suspend, rate, block
  // size, resume. Called only while no render call runs.
  void Reconfigure(float sampleRate, int32_t blockSize);

  // Audio thread. A MIDI message of one to three bytes for the next Render call; false when the
  // list is full (Flush first).
  bool AddMidi(const uint8_t* bytes, size_t size);
  // Audio thread: hands the collected messages to the plug-in (effProcessEvents).
  void FlushMidi();
  // Audio thread: processReplacing into the two buffers.
  void Render(float* left, float* right, int32_t frames);

  // User-interface thread.
  std::vector<uint8_t> GetChunk();
  void SetChunk(const std::vector<uint8_t>& chunk);
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

  // What the instance plays now, asked without side effects: the patch file (loaded from the
  // editor too), whether it has changed, the channel. Nothing when the plug-in does not answer.
  struct PatchState {
    std::string PatchFile;
    bool Modified = false;
    int Channel = 0;
  };
  std::optional<PatchState> QueryPatchState();
  // The program chunk as it is: unlike GetChunk, a changed patch is not saved into its file
  // first (the plug-in's question at effClose settles it). Empty when the plug-in does not answer.
  std::vector<uint8_t> ChunkAsItIs();
  // The computer keys play notes here: the editor gives them back after typing (Enter, Escape,
  // a click outside its value boxes).
  void AskForKeysBack();
  // The name of the control whose value box (or list) takes every key now ("" for one without
  // a name); none while no box has them.
  std::optional<std::string> KeyTaker();
  // The value box that has the keys takes what was typed and gives them back.
  void ReleaseKeys();
  // A size the editor asked its window to take (audioMasterSizeWindow); false when none is pending.
  bool TakeWindowSize(int& width, int& height);

 private:
  static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

  std::shared_ptr<host::PluginLibrary> library_;
  AEffect* effect_ = nullptr;
  VstTimeInfo time_{};
  std::atomic<float> sample_rate_{44100.0f};
  std::atomic<int32_t> block_size_{512};
  std::atomic<int64_t> requested_size_{-1};  // width << 32 | height

  // The event list the plug-in reads: the header of VstEvents followed by room for every pointer.
  struct EventList {
    int32_t numEvents = 0;
    intptr_t reserved = 0;
    VstEvent* events[kEventCapacity] = {};
  };
  EventList list_;
  VstMidiEvent midi_[kEventCapacity] = {};
};

}  // namespace brelix
