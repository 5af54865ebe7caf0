#include "plugin/audio_effect_x.h"

#include <cmath>

namespace brelix {

namespace {
intptr_t Flag(bool b) { return b ? 1 : 0; }
}  // namespace

intptr_t AudioEffectX::Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (opcode < effProcessEvents || opcode > effGetNumMidiOutputChannels)
    return AudioEffect::Dispatcher(opcode, index, value, ptr, opt);

  auto* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents:
      return ProcessEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return Flag(CanParameterBeAutomated(index));
    case effString2Parameter:
      return Flag(String2parameter(index, text));
    case effGetNumProgramCategories:
      return GetNumCategories();
    case effGetProgramNameIndexed:
      return Flag(GetProgramNameIndexed(static_cast<int32_t>(value), index, text));
    case effCopyProgram:
      return Flag(copyProgram(index));
    case effConnectInput:
      InputConnected(index, value != 0);
      return 1;
    case effConnectOutput:
      OutputConnected(index, value != 0);
      return 1;
    case effGetInputProperties:
      return Flag(GetInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
      return Flag(GetOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
      return GetPlugCategory();
    case effGetCurrentPosition:
      return ReportCurrentPosition();
    case effGetDestinationBuffer:
      return reinterpret_cast<intptr_t>(ReportDestinationBuffer());
    case effOfflineNotify:
      return Flag(OfflineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32_t>(value), index != 0));
    case effOfflinePrepare:
      return Flag(OfflinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case effOfflineRun:
      return Flag(OfflineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case effProcessVarIo:
      return Flag(ProcessVariableIO(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
      return Flag(SetSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                        static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
      return Flag(SetBlockSizeAndSampleRate(static_cast<int32_t>(value), opt));
    case effSetBypass:
      return Flag(SetBypass(value != 0));
    case effGetEffectName:
      return text != nullptr ? Flag(GetEffectName(text)) : 0;
    case effGetErrorText:
      return text != nullptr ? Flag(GetErrorText(text)) : 0;
    case effGetVendorString:
      return text != nullptr ? Flag(GetVendorString(text)) : 0;
    case effGetProductString:
      return text != nullptr ? Flag(GetProductString(text)) : 0;
    case effGetVendorVersion:
      return GetVendorVersion();
    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return text != nullptr ? CanDo(text) : 0;
    case effGetTailSize:
      return GetTailSize();
    case effIdle:
      return FxIdle();
    case effGetIcon:
      return reinterpret_cast<intptr_t>(GetIcon());
    case effSetViewPosition:
      return Flag(SetViewPosition(index, static_cast<int32_t>(value)));
    case effGetParameterProperties:
      return Flag(GetParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
      return Flag(!KeysRequired());
    case effGetVstVersion:
      return GetVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!FEditor) return 0;
      VstKeyCode key{};
      key.character = index;
      key.virt = static_cast<uint8_t>(value);
      key.modifier = static_cast<uint8_t>(std::lround(opt));
      bool handled = opcode == effEditKeyDown ? FEditor->OnKeyDown(key) : FEditor->OnKeyUp(key);
      return Flag(handled);
    }
    case effSetEditKnobMode:
      if (FEditor) FEditor->SetKnobMode(static_cast<int32_t>(value));
      return 0;
    case effGetMidiProgramName:
      return GetMidiProgramName(index, static_cast<VstMidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
      return GetCurrentMidiProgram(index, static_cast<VstMidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
      return GetMidiProgramCategory(index, static_cast<VstMidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
      return Flag(HasMidiProgramsChanged(index));
    case effGetMidiKeyName:
      return Flag(GetMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
      return Flag(BeginSetProgram());
    case effEndSetProgram:
      return Flag(EndSetProgram());
    case effGetSpeakerArrangement:
      return Flag(GetSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                        static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
      return text != nullptr ? GetNextShellPlugin(text) : 0;
    case effStartProcess:
      return StartProcess();
    case effStopProcess:
      return StopProcess();
    case effSetTotalSampleToProcess:
      return SetTotalSampleToProcess(static_cast<int32_t>(value));
    case effSetPanLaw:
      return Flag(SetPanLaw(static_cast<int32_t>(value), opt));
    case effBeginLoadBank:
      return BeginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
      return BeginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    case effSetProcessPrecision:
      return Flag(SetProcessPrecision(static_cast<int32_t>(value)));
    case effGetNumMidiInputChannels:
      return GetNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
      return GetNumMidiOutputChannels();
    default:
      return 0;
  }
}

void AudioEffectX::Resume() {
  AudioEffect::Resume();
  if ((FEffect.flags & effFlagsIsSynth) != 0 || CanDo("receiveVstMidiEvent") == 1) WantEvents(1);
}

// ---- plug-in answers -----------------------------------------------------------------------

bool AudioEffectX::CanParameterBeAutomated(int32_t) { return true; }
bool AudioEffectX::String2parameter(int32_t, char*) { return false; }
bool AudioEffectX::GetParameterProperties(int32_t, VstParameterProperties*) { return false; }
bool AudioEffectX::GetProgramNameIndexed(int32_t, int32_t, char*) { return false; }
bool AudioEffectX::BeginSetProgram() { return false; }
bool AudioEffectX::EndSetProgram() { return false; }
int32_t AudioEffectX::BeginLoadBank(VstPatchChunkInfo*) { return 0; }
int32_t AudioEffectX::BeginLoadProgram(VstPatchChunkInfo*) { return 0; }
bool AudioEffectX::GetInputProperties(int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::GetOutputProperties(int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::SetSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

bool AudioEffectX::GetSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
  if (input != nullptr) *input = nullptr;
  if (output != nullptr) *output = nullptr;
  return false;
}

bool AudioEffectX::SetBypass(bool) { return false; }
bool AudioEffectX::SetPanLaw(int32_t, float) { return false; }
bool AudioEffectX::SetProcessPrecision(int32_t) { return false; }
int32_t AudioEffectX::GetNumMidiInputChannels() { return 0; }
int32_t AudioEffectX::GetNumMidiOutputChannels() { return 0; }
int32_t AudioEffectX::ProcessEvents(VstEvents*) { return 0; }
int32_t AudioEffectX::StartProcess() { return 0; }
int32_t AudioEffectX::StopProcess() { return 0; }
bool AudioEffectX::ProcessVariableIO(VstVariableIo*) { return false; }
int32_t AudioEffectX::SetTotalSampleToProcess(int32_t value) { return value; }
void AudioEffectX::IsSynth(bool state) { SetFlag(effFlagsIsSynth, state); }
void AudioEffectX::NoTail(bool state) { SetFlag(effFlagsNoSoundInStop, state); }
int32_t AudioEffectX::GetTailSize() { return 0; }
bool AudioEffectX::GetEffectName(char*) { return false; }
bool AudioEffectX::GetVendorString(char*) { return false; }
bool AudioEffectX::GetProductString(char*) { return false; }
int32_t AudioEffectX::GetVendorVersion() { return 0; }
intptr_t AudioEffectX::VendorSpecific(int32_t, intptr_t, void*, float) { return 0; }
int32_t AudioEffectX::CanDo(const char*) { return 0; }
int32_t AudioEffectX::GetVstVersion() { return kVstVersion; }

int32_t AudioEffectX::GetPlugCategory() {
  return (FEffect.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

int32_t AudioEffectX::GetMidiProgramName(int32_t, VstMidiProgramName*) { return 0; }
int32_t AudioEffectX::GetCurrentMidiProgram(int32_t, VstMidiProgramName*) { return -1; }
int32_t AudioEffectX::GetMidiProgramCategory(int32_t, VstMidiProgramCategory*) { return 0; }
bool AudioEffectX::HasMidiProgramsChanged(int32_t) { return false; }
bool AudioEffectX::GetMidiKeyName(int32_t, MidiKeyName*) { return false; }

int32_t AudioEffectX::GetNextShellPlugin(char* name) {
  *name = '\0';
  return 0;
}

bool AudioEffectX::AllocateArrangement(VstSpeakerArrangement**, int32_t) { return false; }
bool AudioEffectX::DeallocateArrangement(VstSpeakerArrangement**) { return false; }
bool AudioEffectX::CopySpeaker(VstSpeakerProperties*, VstSpeakerProperties*) { return false; }
bool AudioEffectX::MatchArrangement(VstSpeakerArrangement**, VstSpeakerArrangement*) { return false; }
bool AudioEffectX::OfflineNotify(VstAudioFile*, int32_t, bool) { return false; }
bool AudioEffectX::OfflinePrepare(VstOfflineTask*, int32_t) { return false; }
bool AudioEffectX::OfflineRun(VstOfflineTask*, int32_t) { return false; }
int32_t AudioEffectX::OfflineGetNumPasses() { return 0; }
int32_t AudioEffectX::OfflineGetNumMetaPasses() { return 0; }
int32_t AudioEffectX::GetNumCategories() { return 1; }
bool AudioEffectX::copyProgram(int32_t) { return false; }
void AudioEffectX::InputConnected(int32_t, bool) {}
void AudioEffectX::OutputConnected(int32_t, bool) {}
void AudioEffectX::WantAsyncOperation(bool state) { SetFlag(effFlagsExtIsAsync, state); }
void AudioEffectX::HasExternalBuffer(bool state) { SetFlag(effFlagsExtHasBuffer, state); }
int32_t AudioEffectX::ReportCurrentPosition() { return 0; }
float* AudioEffectX::ReportDestinationBuffer() { return nullptr; }

bool AudioEffectX::SetBlockSizeAndSampleRate(int32_t blockSize, float sampleRate) {
  FBlockSize = blockSize;
  FSampleRate = sampleRate;
  return true;
}

bool AudioEffectX::GetErrorText(char*) { return false; }
void* AudioEffectX::GetIcon() { return nullptr; }
bool AudioEffectX::SetViewPosition(int32_t, int32_t) { return false; }
int32_t AudioEffectX::FxIdle() { return 0; }
bool AudioEffectX::KeysRequired() { return false; }

// ---- host call-backs: one call each, 0 or false without a host ---------------------------

bool AudioEffectX::BeginEdit(int32_t index) { return CallHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::EndEdit(int32_t index) { return CallHost(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::IOChanged() { return CallHost(audioMasterIOChanged) != 0; }

double AudioEffectX::UpdateSampleRate() {
  intptr_t rate = CallHost(audioMasterGetSampleRate);
  if (rate > 0) FSampleRate = static_cast<float>(rate);
  return static_cast<double>(rate);
}

int32_t AudioEffectX::UpdateBlockSize() {
  intptr_t size = CallHost(audioMasterGetBlockSize);
  if (size > 0) FBlockSize = static_cast<int32_t>(size);
  return static_cast<int32_t>(size);
}

int32_t AudioEffectX::GetInputLatency() { return static_cast<int32_t>(CallHost(audioMasterGetInputLatency)); }
int32_t AudioEffectX::GetOutputLatency() {
  return static_cast<int32_t>(CallHost(audioMasterGetOutputLatency));
}

VstTimeInfo* AudioEffectX::GetTimeInfo(int32_t filter) {
  return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, filter));
}

int32_t AudioEffectX::GetCurrentProcessLevel() {
  return static_cast<int32_t>(CallHost(audioMasterGetCurrentProcessLevel));
}

bool AudioEffectX::SendVstEventsToHost(VstEvents* events) {
  return CallHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

bool AudioEffectX::GetHostVendorString(char* text) {
  return CallHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::GetHostProductString(char* text) {
  return CallHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::GetHostVendorVersion() {
  return static_cast<int32_t>(CallHost(audioMasterGetVendorVersion));
}

intptr_t AudioEffectX::HostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
  return CallHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

int32_t AudioEffectX::CanHostDo(char* text) {
  return static_cast<int32_t>(CallHost(audioMasterCanDo, 0, 0, text));
}

void* AudioEffectX::GetDirectory() { return reinterpret_cast<void*>(CallHost(audioMasterGetDirectory)); }
bool AudioEffectX::UpdateDisplay() { return CallHost(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::SizeWindow(int32_t width, int32_t height) {
  return CallHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::OpenFileSelector(VstFileSelect* select) {
  return CallHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::CloseFileSelector(VstFileSelect* select) {
  return CallHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::OfflineRead(VstOfflineTask* task, int32_t option, bool readSource) {
  return CallHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task) != 0;
}

bool AudioEffectX::OfflineWrite(VstOfflineTask* task, int32_t option) {
  return CallHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

bool AudioEffectX::OfflineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles) {
  return CallHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

int32_t AudioEffectX::OfflineGetCurrentPass() {
  return static_cast<int32_t>(CallHost(audioMasterOfflineGetCurrentPass));
}

int32_t AudioEffectX::OfflineGetCurrentMetaPass() {
  return static_cast<int32_t>(CallHost(audioMasterOfflineGetCurrentMetaPass));
}

void AudioEffectX::WantEvents(int32_t filter) { CallHost(audioMasterWantMidi, 0, filter); }
int32_t AudioEffectX::TempoAt(int32_t position) {
  return static_cast<int32_t>(CallHost(audioMasterTempoAt, 0, position));
}

int32_t AudioEffectX::GetNumAutomatableParameters() {
  return static_cast<int32_t>(CallHost(audioMasterGetNumAutomatableParameters));
}

int32_t AudioEffectX::GetParameterQuantization() {
  return static_cast<int32_t>(CallHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::NeedIdle() { return CallHost(audioMasterNeedIdle) != 0; }
AEffect* AudioEffectX::GetPreviousPlug(int32_t input) {
  return reinterpret_cast<AEffect*>(CallHost(audioMasterGetPreviousPlug, input));
}

AEffect* AudioEffectX::GetNextPlug(int32_t output) {
  return reinterpret_cast<AEffect*>(CallHost(audioMasterGetNextPlug, output));
}

int32_t AudioEffectX::WillProcessReplacing() {
  return static_cast<int32_t>(CallHost(audioMasterWillReplaceOrAccumulate));
}

void AudioEffectX::SetOutputSamplerate(float sampleRate) {
  CallHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, sampleRate);
}

VstSpeakerArrangement* AudioEffectX::GetInputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(CallHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::GetOutputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(CallHost(audioMasterGetOutputSpeakerArrangement));
}

void* AudioEffectX::OpenWindow(VstWindow* window) {
  return reinterpret_cast<void*>(CallHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::CloseWindow(VstWindow* window) {
  return CallHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

bool AudioEffectX::GetChunkFile(void* nativePath) {
  return CallHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

int32_t AudioEffectX::GetAutomationState() {
  return static_cast<int32_t>(CallHost(audioMasterGetAutomationState));
}

int32_t AudioEffectX::GetHostLanguage() { return static_cast<int32_t>(CallHost(audioMasterGetLanguage)); }

}  // namespace brelix
