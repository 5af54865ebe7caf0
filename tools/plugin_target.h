// The plug-in as brelix-render drives it: loaded through its entry point and played as a host
// plays an instrument, and where to find it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "output_meter.h"
#include "render_schedule.h"
#include "vst_host.h"

namespace brelix {

// Receives each block the plug-in has rendered.
using FrameSink = std::function<void(const float* left, const float* right, int frames)>;

// Each delivery is one event list (effProcessEvents) of at most 1024 messages, more
// lists before the same block when there are more (the plug-in applies each at once), each Process one processReplacing call
// whose two output buffers go through `meter` to `sink`; a Process call after Ctrl-C or SIGTERM
// throws Interrupted. The instance is closed (effClose) when the target goes.
//
// The host's transport plays the song: before each block the time record the plug-in asks for
// (audioMasterGetTime) holds the block's first frame, the tempo in force there and the position
// in quarter notes, flagged valid, as a sequencer reports them while it plays.
class PluginTarget : public RenderTarget {
 public:
  // Throws std::runtime_error when the library cannot be loaded or makes no instance.
  // `tempos`: the song's tempo map (MidiSong::Tempos, never empty), kept by reference: it must
  // outlive the target.
  PluginTarget(const std::string& pluginPath, const RenderSettings& settings, std::span<const SongTempo> tempos,
               OutputMeter& meter, FrameSink sink);
  ~PluginTarget() override;

  // The program chunk, as a host stores and restores it (effGetChunk, effSetChunk).
  std::vector<uint8_t> GetChunk() { return instance_->getChunk(); }
  void SetChunk(const std::vector<uint8_t>& chunk) { instance_->setChunk(chunk); }

  void Deliver(std::span<const MidiMessage> messages) override;
  void Process(int frames) override;
  int64_t QuietFrames() const override { return meter_.QuietFrames(); }

 private:
  void UpdateTransport();

  OutputMeter& meter_;
  FrameSink sink_;
  std::span<const SongTempo> tempos_;
  bool started_ = false;
  std::unique_ptr<host::PluginInstance> instance_;
};

// The plug-in named on the command line, else $BRELIX_PLUGIN, else the first Brelix64.so found
// next to this program (its build folder or its installation), in ~/.vst, /usr/local/lib/vst and
// /usr/lib/vst. Throws std::runtime_error naming the places looked in.
std::string FindPlugin(const std::string& given);

}  // namespace brelix
