// XSynthesizer: the plug-in instance. It owns the engine memory with its constant block and
// tables, the decimator, the voice manager with the edit buffer, the voices and the editor; it
// answers the host's rate, chunk, parameter and event calls and keeps the audio thread out of the
// engine while the user-interface thread rebuilds parts of it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/voice_group.h"
#include "engine/downsampler.h"
#include "engine/global_memory.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"
#include "patch/program_chunk.h"
#include "patch/settings.h"
#include "synth/patch_dialog_folders.h"
#include "patch/patch_write_back.h"
#include "plugin/audio_effect_x.h"
#include "synth/midi_queue.h"
#include "synth/multi.h"
#include "synth/voice.h"

namespace brelix {

class INoticeSink;
class XInterface;

// The default patch file in PluginDirectory, loaded when it exists: the patch file an instance
// starts with.
inline constexpr const char* kDefaultPatchFileName = "Brelix.tw";

class XSynthesizer : public AudioEffectX {
 public:
  // Builds a complete instance; throws when any step fails (the partial instance is released).
  // The instance's constructor: a static factory, since a C++ constructor cannot be a virtual
  // slot. The settings come from Brelix.Ini and the patch from Brelix.tw in PluginDirectory.
  static XSynthesizer* Create(audioMasterCallback audioMaster);
  // A changed patch is saved first: after a Yes to the save question, or through the save dialog
  // when the patch has no file.
  ~XSynthesizer() override;

  // ---- overridden slots, in slot order -----------------------------------------------------
  void SetSampleRate(float sampleRate) override;
  void ProcessReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  void SetParameter(int32_t index, float value) override;
  float GetParameter(int32_t index) override;
  void GetProgramName(char* name) override;
  void GetParameterLabel(int32_t index, char* label) override;
  void GetParameterDisplay(int32_t index, char* text) override;
  void GetParameterName(int32_t index, char* text) override;
  int32_t GetChunk(void** data, bool isPreset) override;
  int32_t SetChunk(void* data, int64_t byteSize, bool isPreset) override;
  // The accumulating call replaces the output as well.
  void Process(float** inputs, float** outputs, int32_t sampleFrames) override;
  int32_t ProcessEvents(VstEvents* events) override;
  bool GetEffectName(char* name) override;
  bool GetVendorString(char* text) override;
  bool GetProductString(char* text) override;
  int32_t GetVendorVersion() override;
  // The calls of vendor_calls.h; every other call answers 0.
  intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) override;

  // ---- the engine bracket ------------------------------------------------------------------
  // From the return of the outermost BeginProcessUpdate until its EndProcessUpdate no render
  // call is inside the engine, and a render call that starts in that span writes silence for its
  // frames and returns without touching the engine. Brackets nest; only the outermost one
  // waits (spinning, at most one render call long). An unmatched EndProcessUpdate does nothing.
  void BeginProcessUpdate();
  void EndProcessUpdate();

  // Reports a user's change of the edit buffer: to the host as an automation of one parameter
  // (entry 1 with Automation on, entry 0 otherwise, value 0.0), then to the editor's Captioner.
  // Does nothing inside a host parameter call, whose change the host already knows.
  void Modify();
  // The editor form's refresh of the modified mark in its patch name header, while the form
  // exists (set and cleared by the form); Modify calls it.
  std::function<void()> Captioner;
  // Where this instance's patch dialogs start (the folder it used last).
  TPatchDialogFolders PatchFolders;

  // The save dialog ("Save Patch"); a confirmed name gets the edit buffer and becomes the patch's
  // file. False when the user cancelled or the file could not be written (which is reported).
  bool SavePatchAs();
  // A save without a dialog: the edit buffer into its patch file, only when that is a patch file
  // ours to write (patch/patch_write_back.h). Refused otherwise, reported in one line on
  // standard error; the caller then writes nothing or asks for a name.
  WriteBackResult PatchWriteBack() const;

  // Links voices 0..Multi->MaxVoice to the voice manager and the edit buffer and makes them idle
  // with fresh work records; the render loop then visits that many voices.
  void AllocateVoices();
  // The editor object, which carries the host parameters; none while the instance is built.
  XInterface* Interface() const;
  // Where a host's call leaves what the user should read in the editor; none without one.
  INoticeSink* EditorNotices() const;
  int32_t Mute() const;     // nesting depth of the open brackets
  bool Processing() const;  // a render call is inside the engine

  // ---- instance state, in record order -----------------------------------------------------
  TDownsampler* Downsampler2 = nullptr;
  int32_t ActiveVoices = 0;  // voices the render loop visits
  int32_t MidiCount = 0;     // countdown to the next MIDI matrix pass (0: in the next frame)
  // Mute and Processing live in the private RenderState word (read them with Mute(), Processing()).
  bool Automation = false;             // expose the patch parameters to the host
  bool EditAutomation = false;         // read, no longer consulted: the number box follows every write
  bool ExternalControl = false;        // cleared by the editor's constructor
  std::atomic<bool> Modifying{false};  // a host write or Modify is being served (ModifyingScope)
  std::unique_ptr<XGlobalMemory> GlobalMemory;
  XSynthWork* SynthWork = nullptr;  // the constant block, first record of GlobalMemory
  std::unique_ptr<XMulti> Multi;
  std::array<XPatchWork*, kMaxVoices> PatchWork{};
  std::array<std::unique_ptr<XVoice>, kMaxVoices> Voices;
  VoiceRunner Runner = ChooseVoiceRunner();  // the audio runs of the voices (the vector width)

 private:
  explicit XSynthesizer(audioMasterCallback audioMaster);
  // The settings are read before the AudioEffect part is built: they decide its parameter count.
  XSynthesizer(audioMasterCallback audioMaster, const TSettings& settings);

  // The second half of the construction: the voice manager with the edit buffer and its default
  // patch, the sixteen voice work records and voices, the voice count, the default patch file
  // and the voice links.
  void BuildVoicesAndPatch();

  // On close: the save question for a changed patch.
  void SaveChangesOnClose();

  // The frame loop of one render call, inside the engine (Processing set, render floating-point
  // mode in force): first the MIDI that waited while the engine was muted, then the block.
  void RenderBlock(float** outputs, int32_t sampleFrames);

  // The host tempo for this block, in the engine's bars of four beats per second. A host without
  // time information, or without a tempo in it, plays at 120 beats per minute.
  float BlockTempo();

  // Both render and event calls enter the engine through the same atomic step; false while muted.
  bool EnterEngine();
  void LeaveEngine();

  // MIDI that arrived while the engine was muted (audio thread only).
  MidiQueue PendingMidi;

  // Mute and Processing in one word, so that "check Mute, set Processing" (render call) and
  // "check Processing, raise Mute" (BeginProcessUpdate) are each one atomic step: bit 0 is
  // Processing, the bits above it count Mute.
  std::atomic<uint32_t> RenderState{0};

  // The program chunk of the instance as it is (a changed patch is not saved first), in
  // ChunkBlock, marked as holding edits its patch file does not when `edited`; answers its size.
  int32_t ChunkAsItIs(void** data, bool edited);
  // The patch of a chunk that carries one: the carried patch when it is marked edited (it stays
  // marked changed), else the named file while it is a patch file, else the carried patch.
  void RestoreCarriedPatch(const ProgramChunkFields& chunk);
  // The program chunk handed to the host by GetChunk; it stays valid until the next chunk call or
  // the end of the instance.
  std::vector<uint8_t> ChunkBlock;
};

}  // namespace brelix
