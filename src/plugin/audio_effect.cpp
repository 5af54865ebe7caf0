#include "plugin/audio_effect.h"

#include <cmath>
#include <cstring>

namespace brelix {

namespace {

AudioEffect* ObjectOf(AEffect* effect) {
  return effect != nullptr ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

// The entries the host calls through the AEffect record. No exception may cross into the host:
// each one catches everything and answers 0.

intptr_t DispatcherEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                         float opt) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return 0;
  if (opcode == effClose) {
    try {
      self->Dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
    }
    // The host forgets the record after effClose, so the instance goes whatever Close did.
    delete self;
    return 1;
  }
  try {
    return self->Dispatcher(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

void ProcessEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return;
  try {
    self->Process(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void ProcessReplacingEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return;
  try {
    self->ProcessReplacing(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void ProcessDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs, int32_t sampleFrames) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return;
  try {
    self->ProcessDoubleReplacing(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void SetParameterEntry(AEffect* effect, int32_t index, float value) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return;
  try {
    self->SetParameter(index, value);
  } catch (...) {
  }
}

float GetParameterEntry(AEffect* effect, int32_t index) {
  AudioEffect* self = ObjectOf(effect);
  if (self == nullptr) return 0.0f;
  try {
    return self->GetParameter(index);
  } catch (...) {
    return 0.0f;
  }
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : FAudioMaster(audioMaster), NumPrograms(numPrograms), NumParams(numParams) {
  std::memset(&FEffect, 0, sizeof FEffect);
  FEffect.magic = kEffectMagic;
  FEffect.dispatcher = &DispatcherEntry;
  FEffect.process = &ProcessEntry;
  FEffect.setParameter = &SetParameterEntry;
  FEffect.getParameter = &GetParameterEntry;
  FEffect.numPrograms = numPrograms;
  FEffect.numParams = numParams;
  FEffect.numInputs = 1;
  FEffect.numOutputs = 2;
  FEffect.ioRatio = 1.0f;
  FEffect.object = this;
  FEffect.version = 1;
  FEffect.processReplacing = &ProcessReplacingEntry;
  FEffect.processDoubleReplacing = &ProcessDoubleReplacingEntry;
  CanProcessReplacing(true);
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::SetSampleRate(float sampleRate) { FSampleRate = sampleRate; }

void AudioEffect::SetBlockSize(int32_t blockSize) { FBlockSize = blockSize; }

intptr_t AudioEffect::Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  // Opcodes that write text or records through ptr answer 0 when the host passes none.
  auto* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      Open();
      return 0;
    case effClose:
      Close();
      return 0;
    case effSetProgram:
      // Only existing programs; compared before narrowing so no large value wraps into range.
      if (value >= 0 && value < NumPrograms) SetProgram(static_cast<int32_t>(value));
      return 0;
    case effGetProgram:
      return GetProgram();
    case effSetProgramName:
      if (text != nullptr) SetProgramName(text);
      return 0;
    case effGetProgramName:
      if (text != nullptr) GetProgramName(text);
      return 0;
    case effGetParamLabel:
      if (text != nullptr) GetParameterLabel(index, text);
      return 0;
    case effGetParamDisplay:
      if (text != nullptr) GetParameterDisplay(index, text);
      return 0;
    case effGetParamName:
      if (text != nullptr) GetParameterName(index, text);
      return 0;
    case effGetVu:
      return static_cast<intptr_t>(std::lround(GetVu() * 32767.0));
    case effSetSampleRate:
      SetSampleRate(opt);
      return 0;
    case effSetBlockSize:
      SetBlockSize(static_cast<int32_t>(value));
      return 0;
    case effMainsChanged:
      if (value == 0) {
        Suspend();
      } else {
        Resume();
      }
      return 0;
    case effEditGetRect: {
      if (!FEditor) return 0;
      // The editor answers into a copy; the host's pointer gets what the editor left there.
      auto** host_rect = static_cast<ERect**>(ptr);
      ERect* rect = host_rect != nullptr ? *host_rect : nullptr;
      intptr_t result = FEditor->GetRect(&rect) ? 1 : 0;
      if (host_rect != nullptr) *host_rect = rect;
      return result;
    }
    case effEditOpen:
      return FEditor ? (FEditor->Open(ptr) ? 1 : 0) : 0;
    case effEditClose:
      if (FEditor) FEditor->Close();
      return 0;
    case effEditIdle:
      if (FEditor) FEditor->Idle();
      return 0;
    case effIdentify:
      return kEffectIdentify;
    case effGetChunk:
      if (ptr == nullptr) return 0;
      return GetChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      return SetChunk(ptr, static_cast<int64_t>(value), index != 0);  // the whole count: no 2^32 wrap
    default:
      // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and every opcode that no
      // class of this plug-in serves.
      return 0;
  }
}

void AudioEffect::ProcessDoubleReplacing(double**, double**, int32_t) {}

void AudioEffect::SetParameter(int32_t, float) {}

float AudioEffect::GetParameter(int32_t) { return 0.0f; }

void AudioEffect::SetParameterAutomated(int32_t index, float value) {
  SetParameter(index, value);
  CallHost(audioMasterAutomate, index, 0, nullptr, value);
}

int32_t AudioEffect::GetProgram() { return CurProgram; }

void AudioEffect::SetProgram(int32_t program) { CurProgram = program; }

void AudioEffect::SetProgramName(char*) {}

void AudioEffect::GetProgramName(char* name) { *name = '\0'; }

void AudioEffect::GetParameterLabel(int32_t, char* label) { *label = '\0'; }

void AudioEffect::GetParameterDisplay(int32_t, char* text) { *text = '\0'; }

void AudioEffect::GetParameterName(int32_t, char* text) { *text = '\0'; }

int32_t AudioEffect::GetChunk(void**, bool) { return 0; }

int32_t AudioEffect::SetChunk(void*, int64_t, bool) { return 0; }

void AudioEffect::SetUniqueID(int32_t id) { FEffect.uniqueID = id; }

void AudioEffect::SetNumInputs(int32_t inputs) { FEffect.numInputs = inputs; }

void AudioEffect::SetNumOutputs(int32_t outputs) { FEffect.numOutputs = outputs; }

void AudioEffect::CanProcessReplacing(bool state) { SetFlag(effFlagsCanReplacing, state); }

void AudioEffect::CanDoubleReplacing(bool state) { SetFlag(effFlagsCanDoubleReplacing, state); }

void AudioEffect::ProgramsAreChunks(bool state) { SetFlag(effFlagsProgramChunks, state); }

void AudioEffect::SetInitialDelay(int32_t delay) { FEffect.initialDelay = delay; }

int32_t AudioEffect::GetMasterVersion() { return static_cast<int32_t>(CallHost(audioMasterVersion)); }

int32_t AudioEffect::GetCurrentUniqueId() { return static_cast<int32_t>(CallHost(audioMasterCurrentId)); }

void AudioEffect::MasterIdle() { CallHost(audioMasterIdle); }

void AudioEffect::Process(float**, float**, int32_t) {}

float AudioEffect::GetVu() { return 0.0f; }

void AudioEffect::HasVu(bool state) { SetFlag(effFlagsHasVu, state); }

void AudioEffect::HasClip(bool state) { SetFlag(effFlagsHasClip, state); }

void AudioEffect::CanMono(bool state) { SetFlag(effFlagsCanMono, state); }

void AudioEffect::SetRealtimeQualities(int32_t qualities) { FEffect.realQualities = qualities; }

void AudioEffect::SetOfflineQualities(int32_t qualities) { FEffect.offQualities = qualities; }

// The host answers 0 for a connected pin.
bool AudioEffect::IsInputConnected(int32_t input) {
  return FAudioMaster != nullptr && CallHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::IsOutputConnected(int32_t output) {
  return FAudioMaster != nullptr && CallHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::SetEditor(std::unique_ptr<AEffEditor> editor) {
  FEditor = std::move(editor);
  SetFlag(effFlagsHasEditor, FEditor != nullptr);
}

intptr_t AudioEffect::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (FAudioMaster == nullptr) return 0;
  return FAudioMaster(&FEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::SetFlag(int32_t flag, bool state) {
  if (state) {
    FEffect.flags |= flag;
  } else {
    FEffect.flags &= ~flag;
  }
}

}  // namespace brelix
