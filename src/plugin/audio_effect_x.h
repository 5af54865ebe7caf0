// AudioEffectX: the extended interface. Serves dispatcher opcodes 25..79 itself (the rest go to
// AudioEffect) and wraps the remaining host call-backs. Every base answer is "not supported".
#pragma once

#include <cstdint>

#include "plugin/audio_effect.h"

namespace brelix {

class AudioEffectX : public AudioEffect {
 public:
  using AudioEffect::AudioEffect;

  intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;
  // Asks the host for MIDI when the plug-in is a synthesizer or says it receives MIDI events.
  void Resume() override;

  // ---- appended virtual operations, slots 40..140 in order -------------------------------------
  virtual bool CanParameterBeAutomated(int32_t index);
  virtual bool String2parameter(int32_t index, char* text);
  virtual bool GetParameterProperties(int32_t index, VstParameterProperties* properties);
  virtual bool BeginEdit(int32_t index);
  virtual bool EndEdit(int32_t index);
  virtual bool GetProgramNameIndexed(int32_t category, int32_t index, char* text);
  virtual bool BeginSetProgram();
  virtual bool EndSetProgram();
  virtual int32_t BeginLoadBank(VstPatchChunkInfo* info);
  virtual int32_t BeginLoadProgram(VstPatchChunkInfo* info);
  virtual bool IOChanged();
  // The host's rate or block size; a positive answer is also stored.
  virtual double UpdateSampleRate();
  virtual int32_t UpdateBlockSize();
  virtual int32_t GetInputLatency();
  virtual int32_t GetOutputLatency();
  virtual bool GetInputProperties(int32_t index, VstPinProperties* properties);
  virtual bool GetOutputProperties(int32_t index, VstPinProperties* properties);
  virtual bool SetSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
  // Writes none to both outputs.
  virtual bool GetSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
  virtual bool SetBypass(bool on);
  virtual bool SetPanLaw(int32_t type, float value);
  virtual bool SetProcessPrecision(int32_t precision);
  virtual int32_t GetNumMidiInputChannels();
  virtual int32_t GetNumMidiOutputChannels();
  // The host's time record for the flags in `filter` (kVstTempoValid, ...); none without one.
  virtual VstTimeInfo* GetTimeInfo(int32_t filter);
  virtual int32_t GetCurrentProcessLevel();
  virtual int32_t ProcessEvents(VstEvents* events);
  virtual bool SendVstEventsToHost(VstEvents* events);
  virtual int32_t StartProcess();
  virtual int32_t StopProcess();
  virtual bool ProcessVariableIO(VstVariableIo* varIo);
  virtual int32_t SetTotalSampleToProcess(int32_t value);
  virtual bool GetHostVendorString(char* text);
  virtual bool GetHostProductString(char* text);
  virtual int32_t GetHostVendorVersion();
  virtual intptr_t HostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  virtual int32_t CanHostDo(char* text);
  virtual void IsSynth(bool state);
  virtual void NoTail(bool state);
  virtual int32_t GetTailSize();
  virtual void* GetDirectory();
  virtual bool GetEffectName(char* name);
  virtual bool GetVendorString(char* text);
  virtual bool GetProductString(char* text);
  virtual int32_t GetVendorVersion();
  virtual intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  virtual int32_t CanDo(const char* text);  // 1 yes, -1 no, 0 don't know
  virtual int32_t GetVstVersion();
  virtual int32_t GetPlugCategory();
  virtual int32_t GetMidiProgramName(int32_t channel, VstMidiProgramName* name);
  virtual int32_t GetCurrentMidiProgram(int32_t channel, VstMidiProgramName* current);
  virtual int32_t GetMidiProgramCategory(int32_t channel, VstMidiProgramCategory* category);
  virtual bool HasMidiProgramsChanged(int32_t channel);
  virtual bool GetMidiKeyName(int32_t channel, MidiKeyName* keyName);
  virtual bool UpdateDisplay();
  virtual bool SizeWindow(int32_t width, int32_t height);
  virtual bool OpenFileSelector(VstFileSelect* select);
  virtual bool CloseFileSelector(VstFileSelect* select);
  virtual int32_t GetNextShellPlugin(char* name);  // writes an empty name
  virtual bool AllocateArrangement(VstSpeakerArrangement** arrangement, int32_t channels);
  virtual bool DeallocateArrangement(VstSpeakerArrangement** arrangement);
  virtual bool CopySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
  virtual bool MatchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);
  virtual bool OfflineRead(VstOfflineTask* task, int32_t option, bool readSource);
  virtual bool OfflineWrite(VstOfflineTask* task, int32_t option);
  virtual bool OfflineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles);
  virtual int32_t OfflineGetCurrentPass();
  virtual int32_t OfflineGetCurrentMetaPass();
  virtual bool OfflineNotify(VstAudioFile* files, int32_t numAudioFiles, bool start);
  virtual bool OfflinePrepare(VstOfflineTask* tasks, int32_t count);
  virtual bool OfflineRun(VstOfflineTask* tasks, int32_t count);
  virtual int32_t OfflineGetNumPasses();
  virtual int32_t OfflineGetNumMetaPasses();
  // Tells the host that the plug-in wants MIDI (audioMasterWantMidi with value = filter).
  virtual void WantEvents(int32_t filter = 1);
  virtual int32_t TempoAt(int32_t position);
  virtual int32_t GetNumAutomatableParameters();
  virtual int32_t GetParameterQuantization();
  virtual int32_t GetNumCategories();
  virtual bool copyProgram(int32_t destination);
  virtual bool NeedIdle();
  virtual AEffect* GetPreviousPlug(int32_t input);
  virtual AEffect* GetNextPlug(int32_t output);
  virtual void InputConnected(int32_t index, bool state);
  virtual void OutputConnected(int32_t index, bool state);
  virtual int32_t WillProcessReplacing();
  virtual void WantAsyncOperation(bool state);
  virtual void HasExternalBuffer(bool state);
  virtual int32_t ReportCurrentPosition();
  virtual float* ReportDestinationBuffer();
  virtual void SetOutputSamplerate(float sampleRate);
  virtual VstSpeakerArrangement* GetInputSpeakerArrangement();
  virtual VstSpeakerArrangement* GetOutputSpeakerArrangement();
  virtual void* OpenWindow(VstWindow* window);
  virtual bool CloseWindow(VstWindow* window);
  // Stores both values only; the engine keeps its rate (only SetSampleRate retunes it).
  virtual bool SetBlockSizeAndSampleRate(int32_t blockSize, float sampleRate);
  virtual bool GetErrorText(char* text);
  virtual void* GetIcon();
  virtual bool SetViewPosition(int32_t x, int32_t y);
  virtual int32_t FxIdle();
  virtual bool KeysRequired();
  virtual bool GetChunkFile(void* nativePath);

  // ---- non-virtual -------------------------------------------------------------------------
  int32_t GetAutomationState();
  int32_t GetHostLanguage();
};

}  // namespace brelix
