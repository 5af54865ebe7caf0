#include "synth/synthesizer.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "base/host_call.h"
#include "base/messages.h"
#include "editor/x_interface.h"
#include "engine/engine_tables.h"
#include "engine/filter.h"
#include "engine/qvector.h"
#include "engine/rates.h"
#include "modulation/delay.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_sources.h"
#include "patch/file_io.h"
#include "patch/patch_derived.h"
#include "patch/patch_file.h"
#include "patch/patch_save_as.h"
#include "patch/patch_write_back.h"
#include "patch/program_chunk.h"
#include "patch/settings.h"
#include "plugin/plugin_module.h"
#include "plugin/vendor_calls.h"
#include "render/render_loop.h"
#include "render/voice_work_init.h"
#include "synth/modifying_scope.h"
#include "synth/patch_dialogs.h"
#include "synth/process_update_scope.h"

namespace brelix {

namespace {

static_assert(kMaxVoices == kMaxRenderVoices);
constexpr int32_t kGlobalMemoryMiB = 4;
constexpr int32_t kParamsWithoutAutomation = 1;
constexpr int32_t kParamsWithAutomation = 443;
constexpr int32_t kVendorVersion = 100;
constexpr float kDefaultSampleRate = 44100.0f;
// The rates the engine is made for (brelix-render offers the same range); a host's rate beyond
// them is taken as the nearest one, before any value is derived from it.
constexpr float kLowestSampleRate = 8000.0f;
constexpr float kHighestSampleRate = 384000.0f;
constexpr double kDefaultTempoBpm = 120.0;

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

// The engine's rate for the host's `sampleRate`: 0, and anything else that is not a positive
// number (NaN, a negative rate), means the default; a positive rate is kept within the range the
// engine is made for (a denormal, FLT_MAX and infinity included).
float EngineSampleRate(float sampleRate) {
  if (!(sampleRate > 0.0f)) return kDefaultSampleRate;
  return std::clamp(sampleRate, kLowestSampleRate, kHighestSampleRate);
}

// What a render call that cannot render writes: silence for the host's frames, into each output
// it gave.
void WriteSilence(float** outputs, int32_t sampleFrames) {
  if (outputs == nullptr || sampleFrames <= 0) return;
  for (int channel = 0; channel < 2; ++channel)
    if (outputs[channel] != nullptr) std::fill_n(outputs[channel], sampleFrames, 0.0f);
}

}  // namespace

XSynthesizer* XSynthesizer::Create(audioMasterCallback audioMaster) { return new XSynthesizer(audioMaster); }

XSynthesizer::XSynthesizer(audioMasterCallback audioMaster)
    // The settings file is read before the base is built: it decides the parameter count.
    : XSynthesizer(audioMaster, SettingsLoad(SettingsFileNames(PluginDirectory))) {}

XSynthesizer::XSynthesizer(audioMasterCallback audioMaster, const TSettings& settings)
    // The AudioEffect part with its AEffect record.
    : AudioEffectX(audioMaster, 0, settings.Instance.Automation ? kParamsWithAutomation : kParamsWithoutAutomation),
      Automation(settings.Instance.Automation),
      EditAutomation(settings.Instance.EditAutomation),
      ExternalControl(settings.Instance.ExternalControl) {
  // The engine memory; its first record is the constant block.
  GlobalMemory = std::make_unique<XGlobalMemory>(kGlobalMemoryMiB);
  SynthWork = GlobalMemory->AllocRecord<XSynthWork>();
  SynthWorkFill(*SynthWork);

  // What the host learns about the plug-in: a synthesizer with two outputs, writing its output
  // in place, keeping its state in a chunk; no rendering until the host resumes it.
  SetNumInputs(0);
  SetNumOutputs(2);
  CanProcessReplacing(true);
  IsSynth(true);
  SetUniqueID(BRELIX_FOURCC('T', 'W', '4', '9'));
  ProgramsAreChunks(true);
  Suspend();

  // The shared engine tables.
  EngineTablesBuild(*GlobalMemory);
  FilterInitTables(*GlobalMemory);
  LfoInitTables();
  EnvInitTables();
  ModTablesInit();

  // The decimator.
  Downsampler2 = GlobalMemory->AllocRecord<TDownsampler>();
  DownsamplerInit(*Downsampler2);

  BuildVoicesAndPatch();
}

XSynthesizer::~XSynthesizer() {
  // A render call still inside the engine (a host that closes without stopping its audio thread)
  // finishes first; later ones return at once while the instance is taken apart.
  BeginProcessUpdate();
  // The voices first: nothing below plays a note.
  for (auto& voice : Voices) voice.reset();
  // Nothing may leave a destructor: a failed save has been reported where it failed.
  try {
    SaveChangesOnClose();
  } catch (...) {
  }
  // The editor's controls point into the voice manager's patch: they go first.
  SetEditor(nullptr);
  // The voice manager goes before the engine memory it lives on.
  Multi.reset();
}

void XSynthesizer::SaveChangesOnClose() {
  if (Multi == nullptr || !Multi->Modified) return;
  if (Multi->PatchFile.empty()) {
    SavePatchAs();
  } else if (AskToSavePatch(Multi->PatchFile)) {
    // Yes to a file that is no patch: the user still wants the patch kept, under a name of theirs.
    if (PatchWriteBack() == WriteBackResult::Refused) SavePatchAs();
  }
  Multi->Modified = false;
}

WriteBackResult XSynthesizer::PatchWriteBack() const {
  // Neither settings file is ever written: the one beside the plug-in nor the user's own.
  return brelix::PatchWriteBack(*Multi->EditBuffer, Multi->PatchFile, SettingsFileNames(PluginDirectory));
}

bool XSynthesizer::SavePatchAs() {
  // No name is proposed: the patch's file may be one that is no patch file.
  const std::optional<std::string> chosen = ChoosePatchFileToSave(PatchFolders.SaveOptions(Multi->PatchFile, false));
  if (!chosen) return false;
  PatchFolders.Remember(*chosen);
  if (!PatchSaveAsOrReport(*Multi->EditBuffer, Multi->PatchFile, *chosen)) return false;
  // The patch now lives in that file: later chunks name it, so a project restores it.
  Multi->PatchFile = *chosen;
  return true;
}

void XSynthesizer::BuildVoicesAndPatch() {
  // The voice manager with the edit buffer holding the prepared default patch.
  Multi = std::make_unique<XMulti>(*GlobalMemory);
  Multi->EditBuffer->SynthWork = SynthWork;
  Multi->Channel = 0;
  // One work record and one voice per slot.
  for (int i = 0; i < kMaxVoices; ++i) {
    PatchWork[i] = GlobalMemory->AllocRecord<XPatchWork>();
    Voices[i] = std::make_unique<XVoice>(PatchWork[i]);
  }
  // All sixteen voices play until a program chunk says otherwise.
  Multi->MaxVoice = kMaxVoices - 1;
  // The default patch file; without it the default patch gets its rate-dependent values here
  // (a load does that itself), so a host that never sets a rate hears it at 44100.
  Multi->PatchFile = PluginDirectory + kDefaultPatchFileName;
  if (!FileExists(Multi->PatchFile) || !PatchLoad(*Multi->EditBuffer, Multi->PatchFile)) {
    PatchSampleRate(*Multi->EditBuffer);
    PatchDCFilters(*Multi->EditBuffer);
    DelayRebuild(*Multi->EditBuffer, true);
  }
  AllocateVoices();
  // The editor object, with its controls loaded from the patch: it answers the host's parameter
  // calls from the first one on.
  SetEditor(std::make_unique<XInterface>(this));
}

void XSynthesizer::AllocateVoices() {
  XPatch& patch = *Multi->EditBuffer;
  const int count = std::clamp(Multi->MaxVoice + 1, 0, kMaxVoices);
  for (int i = 0; i < count; ++i) {
    XVoice& voice = *Voices[i];
    Multi->Voices[i] = &voice;
    voice.Patch = &patch;
    voice.Note = 0;
    voice.Velocity = 0;
    voice.Age = 0;
    voice.PedalHeld = false;
    VoiceWorkInit(patch, *voice.PatchWork);
  }
  ActiveVoices = count;
}

// ---- host rate ---------------------------------------------------------------------------------

void XSynthesizer::SetSampleRate(float sampleRate) {
  HostCallScope call(EditorNotices());
  AudioEffectX::SetSampleRate(sampleRate);
  // The process-wide rate and MIDI period.
  const float rate = EngineSampleRate(sampleRate);
  SampleRate = rate;
  MidiPeriod = static_cast<int32_t>(std::trunc(static_cast<double>(rate) * 0.003));
  // Hosts change the rate while suspended; one that does it while rendering still must not
  // meet half-rewritten constants, voices and delay, so the rest runs inside the bracket. The
  // bracket closes also when the new delay cannot be allocated: the old one then plays on.
  ProcessUpdateScope update(*this);
  // The constant block's rate values.
  SynthWork->RealDelta1 = QSingle::splat(1.0f / rate);
  SynthWork->RealSampleRate = QSingle::splat(rate);
  SynthWork->SampleScale = QSingle::splat(RealSampleBase.load() / rate);
  // Every voice idle at once.
  for (XPatchWork* work : PatchWork) work->EnvStage.set_lane(3, kStageEnd);
  // The patch's rate-dependent values, and a delay with lines as long as the new rate needs.
  XPatch& patch = *Multi->EditBuffer;
  PatchSampleRate(patch);
  PatchDCFilters(patch);
  DelayRebuild(patch, true);
  // The patch's preview note, if it has one, starts again.
  Multi->PlayNote();
}

// ---- rendering --------------------------------------------------------------------------------

bool XSynthesizer::EnterEngine() {
  uint32_t idle = 0;
  return RenderState.compare_exchange_strong(idle, kProcessing, std::memory_order_acquire, std::memory_order_relaxed);
}

void XSynthesizer::LeaveEngine() { RenderState.fetch_and(~kProcessing, std::memory_order_release); }

void XSynthesizer::ProcessReplacing(float** /*inputs*/, float** outputs, int32_t sampleFrames) {
  // Muted: silence, at once (a host that does not clear its buffers would play them again).
  // Otherwise Processing, in the same atomic step.
  if (!EnterEngine()) {
    WriteSilence(outputs, sampleFrames);
    return;
  }
  // Processing ends with the block, whatever happens inside it.
  struct EndOfBlock {
    XSynthesizer& synth;
    ~EndOfBlock() { synth.LeaveEngine(); }
  } end_of_block{*this};
  // Flush-to-zero and denormals-are-zero for the engine, the host's mode back afterwards.
  RenderFpMode fp_mode;
  RenderBlock(outputs, sampleFrames);
}

void XSynthesizer::Process(float** inputs, float** outputs, int32_t sampleFrames) {
  ProcessReplacing(inputs, outputs, sampleFrames);
}

float XSynthesizer::BlockTempo() {
  // Asked once per block.
  const VstTimeInfo* time = GetTimeInfo(kVstTempoValid);
  const bool has_tempo = time != nullptr && (time->flags & kVstTempoValid) != 0;
  return TempoFromBpm(has_tempo ? time->tempo : kDefaultTempoBpm);
}

void XSynthesizer::RenderBlock(float** outputs, int32_t sampleFrames) {
  PendingMidi.Drain([this](const uint8_t* bytes) { Multi->ProcessEvent(bytes); });
  if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || sampleFrames <= 0) {
    WriteSilence(outputs, sampleFrames);
    return;
  }
  RenderTarget target{*SynthWork, *Multi->EditBuffer, PatchWork.data(), ActiveVoices, MidiCount, *Downsampler2, Runner};
  RenderFrames(target, BlockTempo(), outputs[0], outputs[1], sampleFrames);
}

int32_t XSynthesizer::ProcessEvents(VstEvents* events) {
  if (events == nullptr) return 1;
  // While the user-interface thread holds the engine, events wait for the next render call; none
  // may meet voices or a patch that are being rebuilt.
  const bool inside = EnterEngine();
  if (inside) PendingMidi.Drain([this](const uint8_t* bytes) { Multi->ProcessEvent(bytes); });
  // The list is declared with two entries and allocated by the host with as many as it sends.
  VstEvent* const* list = events->events;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (event == nullptr || event->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const uint8_t*>(reinterpret_cast<const VstMidiEvent*>(event)->midiData);
    if (inside)
      Multi->ProcessEvent(midi);
    else
      PendingMidi.Push(midi);
  }
  if (inside) LeaveEngine();
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

// ---- host parameters: answered by the editor's controls -----------------------------------------

namespace {
// Hosts give the parameter texts a buffer of at least 32 bytes in practice, although the
// interface promises only 8: a name (27 characters at most) always fits whole, and a longer text
// is cut after 31 characters rather than written past the buffer.
constexpr size_t kHostTextCapacity = 32;

void CopyHostText(const std::string& text, char* buffer) {
  if (buffer == nullptr) return;
  const size_t n = std::min(text.size(), kHostTextCapacity - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}
}  // namespace

XInterface* XSynthesizer::Interface() const { return static_cast<XInterface*>(Editor()); }

INoticeSink* XSynthesizer::EditorNotices() const {
  XInterface* editor = Interface();
  return editor != nullptr ? editor->Notices() : nullptr;
}

// The editor holds Modifying while it applies a host's write (on whichever thread holds its
// controls then), so that a call on another thread never clears it under someone else's edit.
void XSynthesizer::SetParameter(int32_t index, float value) {
  // Possibly on the audio thread: its notices go to standard error alone.
  HostCallScope call;
  if (XInterface* editor = Interface()) editor->SetParam(index, value);
}

void XSynthesizer::Modify() {
  // A change the host itself caused (inside its parameter call) is not echoed back to it.
  if (Modifying) return;
  ModifyingScope modifying(Modifying);
  // With automation on, entry 1 is a section heading: the write changes nothing, the host only
  // learns that the instance's state has changed.
  SetParameterAutomated(Automation ? 1 : 0, 0.0f);
  if (Captioner) Captioner();
}

float XSynthesizer::GetParameter(int32_t index) {
  XInterface* editor = Interface();
  return editor != nullptr ? editor->GetParam(index) : 0.0f;
}

void XSynthesizer::GetParameterLabel(int32_t index, char* label) {
  XInterface* editor = Interface();
  CopyHostText(editor != nullptr ? editor->GetParamLabel(index) : std::string(), label);
}

void XSynthesizer::GetParameterDisplay(int32_t index, char* text) {
  if (text == nullptr) return;
  if (XInterface* editor = Interface()) editor->CopyParamDisplay(index, text);
  else text[0] = '\0';
}

void XSynthesizer::GetParameterName(int32_t index, char* text) {
  if (text == nullptr) return;
  if (XInterface* editor = Interface()) editor->CopyParamName(index, text);
  else CopyHostText(kUnknownParamName, text);
}

// ---- host state ----------------------------------------------------------------------------------

int32_t XSynthesizer::GetChunk(void** data, bool /*isPreset*/) {
  // A host may want the chunk for an autosave with nobody at the screen: nobody is asked, and
  // what goes wrong is a notice.
  HostCallScope call(EditorNotices());
  // A changed patch goes into its file first, without asking. A file that is no patch file is
  // never written; a patch without a file gets no dialog; a write that failed has been reported.
  // In each of these the patch stays marked changed (the next save or the close tries again), and
  // the chunk carries it marked as holding edits its file does not, so that the project plays it
  // when it is opened again. Whatever happens, the host still gets the chunk.
  if (Multi->Modified && !Multi->PatchFile.empty()) {
    try {
      Multi->Modified = PatchWriteBack() != WriteBackResult::Saved;
    } catch (const std::exception& error) {
      ShowLibraryMessage(error.what());
    }
  }
  return ChunkAsItIs(data, Multi->Modified);
}

int32_t XSynthesizer::ChunkAsItIs(void** data, bool edited) {
  // The chunk names the patch file, with the channel and the voice count, and carries the patch
  // itself for the day that file is gone; it stays in the instance, where the host reads it.
  ProgramChunkFields fields{Multi->Channel, Multi->MaxVoice, Multi->PatchFile, PatchText(*Multi->EditBuffer)};
  fields.Edited = edited;
  ChunkBlock = ProgramChunkEncode(fields);
  *data = ChunkBlock.data();
  return static_cast<int32_t>(ChunkBlock.size());
}

int32_t XSynthesizer::SetChunk(void* data, int64_t byteSize, bool /*isPreset*/) {
  if (data == nullptr) return 1;
  // The host waits while the engine is held: nobody is asked, and a sample or patch that cannot
  // be read is a notice.
  HostCallScope call(EditorNotices());
  // No parameter call of the host's meets the patch half-loaded, nor does a render call: the
  // whole restore runs with the editor's controls held (host writes posted meanwhile land after
  // it, on the reloaded controls) and inside the bracket.
  XInterface::TControlsHold controls(Interface());
  ProcessUpdateScope update(*this);
  try {
    // Channel, voice count and patch file from the chunk; a block of another size is reported
    // and changes none of them.
    const std::optional<ProgramChunkFields> chunk = ProgramChunkRead(data, byteSize);
    if (chunk) {
      Multi->Channel = chunk->Channel;
      Multi->MaxVoice = chunk->MaxVoice;
      Multi->PatchFile = chunk->PatchFile;
    } else {
      ShowLibraryMessage("Different synthesizer data format!");
    }
    // The named patch, then the voices relinked to it. A bare record (an earlier project's)
    // naming a file that does not exist leaves the patch (and whether it has changed) as it was.
    if (chunk && chunk->Patch) {
      RestoreCarriedPatch(*chunk);
    } else if (FileExists(Multi->PatchFile) && PatchLoad(*Multi->EditBuffer, Multi->PatchFile)) {
      Multi->Modified = false;
    }
    AllocateVoices();
    Multi->PlayNote();
    // The controls show the restored patch when they are let go at the end of this call.
    if (XInterface* editor = Interface()) editor->PatchReloaded();
  } catch (const std::exception& error) {  // no memory for a delay or a sample: reported, still 1
    ShowLibraryMessage(error.what());
  }
  return 1;
}

void XSynthesizer::RestoreCarriedPatch(const ProgramChunkFields& chunk) {
  XPatch& patch = *Multi->EditBuffer;
  // Edits its file could not take: the carried patch plays, under its file's name and still
  // marked changed, so that the user's next Save writes it there or asks where.
  if (chunk.Edited && PatchLoadText(patch, *chunk.Patch, Multi->PatchFile)) {
    Multi->Modified = true;
    return;
  }
  // Otherwise the file wins while it is a patch file (a patch improved in its file reaches every
  // project); when it is missing, moved or no patch any more, the carried patch plays.
  if (PatchLoadIfPatchFile(patch, Multi->PatchFile) || PatchLoadText(patch, *chunk.Patch, Multi->PatchFile))
    Multi->Modified = false;
  else
    ShowLibraryMessage("Different synthesizer data format!");
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

intptr_t XSynthesizer::VendorSpecific(int32_t index, intptr_t value, void* ptr, float) {
  if (index != kVendorCallId || ptr == nullptr) return 0;
  switch (value) {
    case kVendorCallPatchState: {
      auto* state = static_cast<VendorPatchState*>(ptr);
      state->Modified = Multi->Modified ? 1 : 0;
      state->Channel = Multi->Channel;
      const size_t length = std::min(Multi->PatchFile.size(), sizeof state->PatchFile - 1);
      Multi->PatchFile.copy(state->PatchFile, length);
      state->PatchFile[length] = '\0';
      return 1;
    }
    case kVendorCallChunkAsItIs:
      // Without the mark of edits: the close question that follows settles them.
      return ChunkAsItIs(static_cast<void**>(ptr), false);
    case kVendorCallKeysBackToHost:
    case kVendorCallKeyTaker:
    case kVendorCallReleaseKeys:
      return Interface() != nullptr ? Interface()->KeyCall(static_cast<VendorCall>(value), ptr) : 0;
    default:
      return 0;
  }
}

}  // namespace brelix
