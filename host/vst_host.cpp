#include "vst_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace brelix::host {

// ---- library ---------------------------------------------------------------------------------

std::shared_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    throw std::runtime_error("cannot load " + path + ": " + (error != nullptr ? error : "unknown error"));
  }
  void* entry = dlsym(handle, "VSTPluginMain");
  if (entry == nullptr) entry = dlsym(handle, "main");
  if (entry == nullptr) {
    dlclose(handle);
    throw std::runtime_error(path + " has no VST entry point");
  }
  return std::shared_ptr<PluginLibrary>(
      new PluginLibrary(path, handle, reinterpret_cast<VstPluginMainProc>(entry)));
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

void* PluginLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

// ---- instance --------------------------------------------------------------------------------

namespace {
// The host state of the instance whose entry call is running: during that call the plug-in has no
// record the host could have marked yet.
thread_local void* opening_state = nullptr;
}  // namespace

PluginInstance::State* PluginInstance::StateOf(AEffect* effect) {
  if (effect != nullptr && effect->user != nullptr) return static_cast<State*>(effect->user);
  return static_cast<State*>(opening_state);
}

intptr_t PluginInstance::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
  State* state = StateOf(effect);
  if (state == nullptr) return 0;
  std::lock_guard<std::mutex> lock(state->mutex);
  state->calls.push_back(HostCall{opcode, index, value, ptr, opt, effect != nullptr});
  switch (opcode) {
    case audioMasterVersion:
      return state->config.version;
    case audioMasterWantMidi:
      return 1;
    case audioMasterGetTime:
      return state->config.time_record ? reinterpret_cast<intptr_t>(&state->time) : 0;
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(state->time.sampleRate);
    default:
      return 0;  // audioMasterAutomate and everything else: recorded, nothing to answer
  }
}

PluginInstance::PluginInstance(std::shared_ptr<PluginLibrary> library, HostConfig config)
    : library_(std::move(library)), state_(std::make_unique<State>()) {
  state_->config = config;
  state_->time.sampleRate = config.sample_rate;
  state_->time.tempo = config.tempo;
  state_->time.timeSigNumerator = 4;
  state_->time.timeSigDenominator = 4;
  state_->time.flags = kVstTransportPlaying | kVstTimeSigValid | (config.tempo_valid ? kVstTempoValid : 0);

  opening_state = state_.get();
  effect_ = library_->entry()(&Callback);
  opening_state = nullptr;
  if (effect_ != nullptr) effect_->user = state_.get();
}

PluginInstance::~PluginInstance() { close(); }

intptr_t PluginInstance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (effect_ == nullptr) return 0;
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginInstance::dispatchText(int32_t opcode, int32_t index) {
  char text[256] = {};
  dispatch(opcode, index, 0, text);
  text[sizeof text - 1] = '\0';
  return text;
}

void PluginInstance::open() { dispatch(effOpen); }

void PluginInstance::setSampleRate(float rate) {
  state_->time.sampleRate = rate;
  dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void PluginInstance::setBlockSize(int32_t frames) { dispatch(effSetBlockSize, 0, frames); }

void PluginInstance::resume() { dispatch(effMainsChanged, 0, 1); }

void PluginInstance::suspend() { dispatch(effMainsChanged, 0, 0); }

intptr_t PluginInstance::sendMidi(const std::vector<MidiMessage>& messages) {
  std::vector<VstMidiEvent> events(messages.size());
  for (size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& e = events[i];
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    for (int k = 0; k < 3; ++k) e.midiData[k] = static_cast<char>(messages[i][k]);
  }
  // VstEvents declares two event pointers; the block grows to hold all of them.
  size_t pointers = std::max<size_t>(messages.size(), 2);
  std::vector<std::byte> block(offsetof(VstEvents, events) + pointers * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(block.data());
  list->numEvents = static_cast<int32_t>(messages.size());
  list->reserved = 0;
  for (size_t i = 0; i < events.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
  return dispatch(effProcessEvents, 0, 0, list);
}

void PluginInstance::process(int32_t frames) {
  left_.assign(static_cast<size_t>(frames), 0.0f);
  right_.assign(static_cast<size_t>(frames), 0.0f);
  float* outputs[2] = {left_.data(), right_.data()};
  if (effect_ != nullptr) effect_->processReplacing(effect_, nullptr, outputs, frames);
  state_->time.samplePos += frames;
}

void PluginInstance::processAccumulating(int32_t frames, float prefill) {
  left_.assign(static_cast<size_t>(frames), prefill);
  right_.assign(static_cast<size_t>(frames), prefill);
  float* outputs[2] = {left_.data(), right_.data()};
  if (effect_ != nullptr) effect_->process(effect_, nullptr, outputs, frames);
  state_->time.samplePos += frames;
}

std::vector<uint8_t> PluginInstance::getChunk(int32_t index) {
  void* data = nullptr;
  intptr_t size = dispatch(effGetChunk, index, 0, &data);
  if (data == nullptr || size <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t PluginInstance::setChunk(const std::vector<uint8_t>& data, int32_t index) {
  std::vector<uint8_t> copy = data;  // the plug-in may keep reading while the call runs
  return dispatch(effSetChunk, index, static_cast<intptr_t>(copy.size()),
                  copy.empty() ? nullptr : copy.data());
}

intptr_t PluginInstance::close() {
  if (effect_ == nullptr) return 0;
  intptr_t result = effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
  effect_ = nullptr;
  return result;
}

std::vector<HostCall> PluginInstance::calls() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls;
}

int PluginInstance::countCalls(int32_t opcode) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return static_cast<int>(std::count_if(state_->calls.begin(), state_->calls.end(),
                                        [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

void PluginInstance::clearCalls() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->calls.clear();
}

}  // namespace brelix::host
