#include "live_plugin.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "base/printable_text.h"
#include "plugin/vendor_calls.h"

namespace brelix {

namespace {
// The instance whose entry call is running: the plug-in asks for the host's version before it
// has a record the host could mark.
thread_local LivePlugin* opening = nullptr;

// A chunk the plug-in handed over, copied out of its block.
std::vector<uint8_t> CopyChunk(const void* data, intptr_t size) {
  if (data == nullptr || size <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}
}  // namespace

static_assert(offsetof(VstEvents, events) == 16, "the event list's pointers follow its header");

LivePlugin::LivePlugin(const std::string& pluginPath) {
  try {
    library_ = host::PluginLibrary::Load(pluginPath);
  } catch (const std::exception& error) {
    throw std::runtime_error("cannot load plug-in '" + PrintableText(pluginPath) + "': " + PrintableText(error.what()));
  }
  time_.tempo = 120.0;
  time_.timeSigNumerator = 4;
  time_.timeSigDenominator = 4;
  time_.flags = kVstTempoValid | kVstTimeSigValid;
  for (int i = 0; i < kEventCapacity; ++i) {
    midi_[i].type = kVstMidiType;
    midi_[i].byteSize = sizeof(VstMidiEvent);
    list_.events[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
  }
  opening = this;
  effect_ = library_->entry()(&Callback);
  opening = nullptr;
  if (effect_ == nullptr) throw std::runtime_error("the plug-in '" + PrintableText(pluginPath) + "' made no instance");
  effect_->user = this;
}

LivePlugin::~LivePlugin() {
  if (effect_ != nullptr) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
}

intptr_t LivePlugin::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* /*ptr*/,
                              float /*opt*/) {
  LivePlugin* self = effect != nullptr && effect->user != nullptr ? static_cast<LivePlugin*>(effect->user) : opening;
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterWantMidi:
      return 1;
    case audioMasterGetTime:
      return self != nullptr ? reinterpret_cast<intptr_t>(&self->time_) : 0;
    case audioMasterGetSampleRate:
      return self != nullptr ? static_cast<intptr_t>(self->sample_rate_.load()) : 0;
    case audioMasterGetBlockSize:
      return self != nullptr ? self->block_size_.load() : 0;
    case audioMasterSizeWindow:  // the width in `index`, the height in `value`
      if (self == nullptr || index <= 0 || value <= 0) return 0;
      self->requested_size_ = (static_cast<int64_t>(index) << 32) | static_cast<int64_t>(value & 0xFFFFFFFF);
      return 1;
    default:
      return 0;
  }
}

intptr_t LivePlugin::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void LivePlugin::Start(float sampleRate, int32_t blockSize) {
  Dispatch(effOpen);
  sample_rate_ = sampleRate;
  block_size_ = blockSize;
  time_.sampleRate = sampleRate;
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

void LivePlugin::Reconfigure(float sampleRate, int32_t blockSize) {
  Dispatch(effMainsChanged, 0, 0);
  if (sampleRate != sample_rate_.load()) {
    sample_rate_ = sampleRate;
    time_.sampleRate = sampleRate;
    Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  }
  block_size_ = blockSize;
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

bool LivePlugin::AddMidi(const uint8_t* bytes, size_t size) {
  if (list_.numEvents >= kEventCapacity) return false;
  VstMidiEvent& event = midi_[list_.numEvents++];
  event.deltaFrames = 0;  // the next Render call starts at the event's frame
  for (size_t k = 0; k < 4; ++k) event.midiData[k] = k < size ? static_cast<char>(bytes[k]) : 0;
  return true;
}

void LivePlugin::FlushMidi() {
  if (list_.numEvents == 0) return;
  effect_->dispatcher(effect_, effProcessEvents, 0, 0, &list_, 0.0f);
  list_.numEvents = 0;
}

void LivePlugin::Render(float* left, float* right, int32_t frames) {
  float* outputs[2] = {left, right};
  effect_->processReplacing(effect_, nullptr, outputs, frames);
  time_.samplePos += frames;
}

std::vector<uint8_t> LivePlugin::GetChunk() {
  void* data = nullptr;
  const intptr_t size = Dispatch(effGetChunk, 1, 0, &data);
  return CopyChunk(data, size);
}

std::vector<uint8_t> LivePlugin::ChunkAsItIs() {
  void* data = nullptr;
  const intptr_t size = Dispatch(effVendorSpecific, kVendorCallId, kVendorCallChunkAsItIs, &data);
  return CopyChunk(data, size);
}

std::optional<LivePlugin::PatchState> LivePlugin::QueryPatchState() {
  VendorPatchState state;
  if (Dispatch(effVendorSpecific, kVendorCallId, kVendorCallPatchState, &state) != 1) return std::nullopt;
  state.PatchFile[sizeof state.PatchFile - 1] = '\0';
  return PatchState{state.PatchFile, state.Modified != 0, state.Channel & 0x0F};
}

void LivePlugin::AskForKeysBack() {
  int unused = 0;
  Dispatch(effVendorSpecific, kVendorCallId, kVendorCallKeysBackToHost, &unused);
}

std::optional<std::string> LivePlugin::KeyTaker() {
  VendorKeyTaker taker;
  if (Dispatch(effVendorSpecific, kVendorCallId, kVendorCallKeyTaker, &taker) != 1 || taker.Taken == 0) return std::nullopt;
  taker.Control[sizeof taker.Control - 1] = '\0';
  return std::string(taker.Control);
}

void LivePlugin::ReleaseKeys() {
  int unused = 0;
  Dispatch(effVendorSpecific, kVendorCallId, kVendorCallReleaseKeys, &unused);
}

void LivePlugin::SetChunk(const std::vector<uint8_t>& chunk) {
  std::vector<uint8_t> copy = chunk;
  Dispatch(effSetChunk, 1, static_cast<intptr_t>(copy.size()), copy.empty() ? nullptr : copy.data());
}

bool LivePlugin::TakeWindowSize(int& width, int& height) {
  const int64_t size = requested_size_.exchange(-1);
  if (size < 0) return false;
  width = static_cast<int>(size >> 32);
  height = static_cast<int>(size & 0xFFFFFFFF);
  return true;
}

}  // namespace brelix
