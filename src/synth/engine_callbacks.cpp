#include "synth/engine_callbacks.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "widgets/param_kind.h"
#include "engine/filter.h"
#include "engine/oscillator.h"
#include "engine/patch_work.h"
#include "engine/sample_osc.h"
#include "modulation/delay.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_sources.h"
#include "patch/patch_derived.h"
#include "synth/multi.h"
#include "synth/process_update_scope.h"
#include "synth/synthesizer.h"

namespace brelix {

namespace {

constexpr int kLanes = 4;
constexpr uint32_t kMidiChannels = 16;

bool IsLane(int32_t lane) { return lane >= 1 && lane <= kLanes; }
bool IsSlot(TModSlot slot) { return slot.Slot >= 0 && slot.Slot < kModSlots; }

// The work records of voices 0..MaxVoice.
std::span<XPatchWork* const> LinkedWork(const XSynthesizer& synth) {
  const int count = std::clamp(synth.Multi->MaxVoice + 1, 0, kMaxVoices);
  return {synth.PatchWork.data(), static_cast<size_t>(count)};
}

// Runs `update` on the work record of every voice whose amplitude envelope has not ended.
template <typename Update>
void ForSoundingVoices(const XSynthesizer& synth, Update update) {
  for (XPatchWork* work : LinkedWork(synth))
    if (!VoiceIsIdle(*work)) update(*work);
}

void PitchOfSoundingVoices(XSynthesizer& synth) { ForSoundingVoices(synth, OscPitchUpdate); }

}  // namespace

// ---- oscillators -------------------------------------------------------------------------------

void UpdateOscPitch(XSynthesizer& synth) {
  ProcessUpdateScope update(synth);
  PitchOfSoundingVoices(synth);
}

void UpdateOscFixed(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  OscPatchRecalculate(patch);
  PitchOfSoundingVoices(synth);
}

void UpdateOscCenter(XSynthesizer& synth, XPatch& patch, int32_t lane) {
  if (!IsLane(lane)) return;
  ProcessUpdateScope update(synth);
  OscPatchRecalculate(patch);
  SampleRateUpdate(patch, lane);
  PitchOfSoundingVoices(synth);
}

// ---- sample oscillators and rates --------------------------------------------------------------

void UpdateSampleLoop(XSynthesizer& synth, XPatch& patch, int32_t lane) {
  if (!IsLane(lane)) return;
  ProcessUpdateScope update(synth);
  SampleRateUpdate(patch, lane);
}

void UpdateSampleRateFields(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  PatchKeepRateFields(patch);
  PatchSampleRate(patch);
}

void UpdateOversampling(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  PatchKeepRateFields(patch);
  PatchSampleRate(patch);
  PatchDCFilters(patch);
}

// ---- voices and MIDI ---------------------------------------------------------------------------

int32_t VoiceCountShown(const XMulti& multi) { return multi.MaxVoice + 1; }

int32_t SetVoiceCount(XSynthesizer& synth, float value) {
  XMulti& multi = *synth.Multi;
  if (std::isnan(value)) return VoiceCountShown(multi);
  const int32_t count = std::clamp(TruncateToInt32(value), 0, kMaxVoices);
  ProcessUpdateScope update(synth);
  multi.MaxVoice = count - 1;
  synth.AllocateVoices();
  return count;
}

uint32_t MidiChannelShown(const XMulti& multi) { return multi.Channel; }

void SetMidiChannel(XMulti& multi, uint32_t value) {
  if (value < kMidiChannels) multi.Channel = static_cast<uint8_t>(value);
}

void PlayPreviewNote(XSynthesizer& synth, float value) {
  ProcessUpdateScope update(synth);
  if (TruncateToInt32(value) < 0)
    synth.Multi->AllNotesOff();
  else
    synth.Multi->PlayNote();
}

// ---- modulation --------------------------------------------------------------------------------

void SetModSource(XSynthesizer& synth, XPatch& patch, TModSlot slot, uint32_t value) {
  if (!IsSlot(slot)) return;
  ProcessUpdateScope update(synth);
  QWord* sources = slot.Matrix == TModMatrix::Patch ? patch.ModSource : patch.MidiModSource;
  sources[slot.Slot / kLanes].lanes()[slot.Slot % kLanes] = ModSourceStored(value);
  for (XPatchWork* work : LinkedWork(synth)) VoiceModSlotSource(patch, *work, slot.Matrix, slot.Slot);
}

void SetAmpSource(XSynthesizer& synth, XPatch& patch, uint32_t value) {
  ProcessUpdateScope update(synth);
  patch.VolumeModSource = static_cast<int32_t>(ModSourceStored(value));
  for (XPatchWork* work : LinkedWork(synth))
    work->VolumeModSourcePtr = ResolveModSource(patch, *work, patch.VolumeModSource);
}

void UpdateModDest(XSynthesizer& synth, XPatch& patch, TModSlot slot) {
  if (!IsSlot(slot)) return;
  ProcessUpdateScope update(synth);
  for (XPatchWork* work : LinkedWork(synth)) VoiceModSlotDest(patch, *work, slot.Matrix, slot.Slot);
  ModMatrixRowRecalculate(patch, slot.Matrix, slot.Slot / kLanes);
}

// ---- filters -----------------------------------------------------------------------------------

void SetFilterType(XSynthesizer& synth, XPatch& patch, int32_t lane, uint32_t value) {
  if (!IsLane(lane)) return;
  const int l = lane - 1;
  ProcessUpdateScope update(synth);
  FilterTypeWeights(value, patch.FilterPole0.lanes()[l], patch.FilterPole1.lanes()[l], patch.FilterPole2.lanes()[l],
                    patch.FilterPole3.lanes()[l], patch.FilterPole4.lanes()[l]);
}

void UpdateFilterRange(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  FilterPatchRecalculate(patch);
}

void UpdateFilterTracking(XSynthesizer& synth) {
  ProcessUpdateScope update(synth);
  ForSoundingVoices(synth, FilterTrackUpdate);
}

// ---- LFOs and envelopes ------------------------------------------------------------------------

void UpdateLfos(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  LfoPatchRecalculate(patch);
}

void SetLfoQuantize(XPatch& patch, int32_t lane, uint32_t n) {
  if (IsLane(lane)) patch.LfoQuantize.lanes()[lane - 1] = LfoQuantizeStored(n);
}

void UpdateEnvelopes(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  EnvPatchRecalculate(patch);
}

void SetEnvStep(XPatch& patch, int32_t stage, int32_t lane, uint32_t item) {
  // The last stage has no step list: its step is the engine's own.
  if (stage < 0 || stage >= kEnvStages - 1 || !IsLane(lane)) return;
  patch.EnvStep[stage].lanes()[lane - 1] = EnvStepStored(stage, item);
}

// ---- delays ------------------------------------------------------------------------------------

void UpdateDelay(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  if (patch.Delay != nullptr) patch.Delay->Update();
  DelaySelect(patch);
}

void UpdateDelayClock(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  uint32_t* clocked = patch.DelayClocked.lanes();
  clocked[1] = clocked[0];
  clocked[3] = clocked[2];
  if (patch.Delay != nullptr) patch.Delay->Update();
}

void SetDelayRouting(XPatch& patch, bool serial) { patch.DelayRouting = DelayRoutingStored(serial); }

void ResetDelay(XSynthesizer& synth, XPatch& patch) {
  ProcessUpdateScope update(synth);
  if (patch.Delay != nullptr) patch.Delay->Initialize();
}

}  // namespace brelix
