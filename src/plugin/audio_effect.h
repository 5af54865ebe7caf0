// AudioEffect: the plug-in side of one host connection. It owns the AEffect record the host
// holds, turns the host's dispatcher opcodes 0..24 into virtual calls and wraps the host
// call-backs of the basic interface.
#pragma once

#include <cstdint>
#include <memory>

#include "plugin/aeff_editor.h"
#include "plugin/vst24.h"

namespace brelix {

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  // The destructor's vtable entries come before slot 0. Releases the editor.
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  // ---- virtual operations, slots 0..39 in order ------------------------------------------------
  virtual void SetSampleRate(float sampleRate);
  virtual void SetBlockSize(int32_t blockSize);
  virtual intptr_t Dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  virtual void Open() {}
  virtual void Close() {}
  virtual void Suspend() {}
  virtual void Resume() {}
  virtual void ProcessReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames);
  virtual void SetParameter(int32_t index, float value);
  virtual float GetParameter(int32_t index);
  // SetParameter, then reports the change to the host (audioMasterAutomate).
  virtual void SetParameterAutomated(int32_t index, float value);
  virtual int32_t GetProgram();
  virtual void SetProgram(int32_t program);
  virtual void SetProgramName(char* name);
  virtual void GetProgramName(char* name);  // the texts of the base are empty
  virtual void GetParameterLabel(int32_t index, char* label);
  virtual void GetParameterDisplay(int32_t index, char* text);
  virtual void GetParameterName(int32_t index, char* text);
  // The block stays the plug-in's; returns its size in bytes.
  virtual int32_t GetChunk(void** data, bool isPreset);
  virtual int32_t SetChunk(void* data, int64_t byteSize, bool isPreset);
  virtual void SetUniqueID(int32_t id);
  virtual void SetNumInputs(int32_t inputs);
  virtual void SetNumOutputs(int32_t outputs);
  virtual void CanProcessReplacing(bool state);
  virtual void CanDoubleReplacing(bool state);
  virtual void ProgramsAreChunks(bool state);
  virtual void SetInitialDelay(int32_t delay);
  virtual int32_t GetMasterVersion();
  virtual int32_t GetCurrentUniqueId();
  virtual void MasterIdle();
  // The accumulating process call; the base does nothing.
  virtual void Process(float** inputs, float** outputs, int32_t sampleFrames);
  virtual float GetVu();
  virtual void HasVu(bool state);
  virtual void HasClip(bool state);
  virtual void CanMono(bool state);
  virtual void SetRealtimeQualities(int32_t qualities);
  virtual void SetOfflineQualities(int32_t qualities);
  virtual bool IsInputConnected(int32_t input);
  virtual bool IsOutputConnected(int32_t output);

  // ---- non-virtual -------------------------------------------------------------------------
  // Takes the editor (none clears it) and sets effFlagsHasEditor by whether there is one.
  void SetEditor(std::unique_ptr<AEffEditor> editor);

  // The properties AudioMaster, Effect, Editor, SampleRate and BlockSize.
  audioMasterCallback AudioMaster() const { return FAudioMaster; }
  AEffect* Effect() { return &FEffect; }
  AEffEditor* Editor() const { return FEditor.get(); }
  float GetSampleRate() const { return FSampleRate; }
  int32_t GetBlockSize() const { return FBlockSize; }

 protected:
  // One host call-back through FAudioMaster with this instance's record; 0 without a host.
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  // Sets or clears one bit of the record's flags.
  void SetFlag(int32_t flag, bool state);

  audioMasterCallback FAudioMaster;
  AEffect FEffect;
  std::unique_ptr<AEffEditor> FEditor;
  float FSampleRate = 44100.0f;
  int32_t FBlockSize = 1024;
  int32_t NumPrograms;
  int32_t NumParams;
  int32_t CurProgram = 0;
};

}  // namespace brelix
