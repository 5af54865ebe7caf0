// The editor's engine call-backs: what a parameter control runs after it has written its patch
// field, so that the edit reaches the sound engine, and the get side of the controls whose value
// lives outside the patch. Each takes explicitly what it acts on: the synthesizer (the engine
// bracket and the voices 0..MaxVoice), the patch the control edits (the voice manager's edit
// buffer, which those voices play), the lane or slot, and the control's value where it needs one.
//
// How the controls attach them (ii is the control's lane 1..4, the list tag a step list's stage;
// "get" runs as OnGetParam and replaces the control's value, everything else runs as OnSetParam):
//
//   "Semitone", "Detune", "Tracking" (osc.)   UpdateOscPitch(synth)
//   "FixedFreq", "OscRange"                   UpdateOscFixed(synth, patch)
//   "Center" (oscillators)                    UpdateOscCenter(synth, patch, ii)
//   "SampleLoop"                              UpdateSampleLoop(synth, patch, ii)
//   "Upsample", "SampleFilter"                UpdateSampleRateFields(synth, patch)
//   "Oversample"                              UpdateOversampling(synth, patch)
//   "Polyphony"                               get VoiceCountShown(multi); set: the control's
//                                             SetValue(SetVoiceCount(synth, value), true)
//   "MIDIChannel"                             get MidiChannelShown(multi); set SetMidiChannel(multi, value)
//   "PlayNote"                                PlayPreviewNote(synth, value)
//   "AmpSource"                               get ModSourceShown(field); set SetAmpSource(synth, patch, value)
//   "Type" (filters)                          SetFilterType(synth, patch, ii, value)
//   "FilterRange"                             UpdateFilterRange(synth, patch)
//   "Tracking", "Center" (filters)            UpdateFilterTracking(synth)
//   "Shape", "Rate", "Clocked" (LFOs)         UpdateLfos(synth, patch)
//   "Quantize"                                get LfoQuantizeShown(field); set SetLfoQuantize(patch, ii, value)
//   "Time" sliders, "Curve" lists             UpdateEnvelopes(synth, patch)
//   "Step" lists                              get EnvStepShown(tag, field); set SetEnvStep(patch, tag, ii, value)
//   "Source" (matrix slot m)                  get ModSourceShown(field); set SetModSource(synth, patch, slot, value)
//   "Destination" (matrix slot m)             UpdateModDest(synth, patch, slot)
//   delay sliders                             UpdateDelay(synth, patch)
//   "Clocked" (delays)                        UpdateDelayClock(synth, patch)
//   "Serial"                                  get DelayRoutingShown(field); set SetDelayRouting(patch, on)
//   a click on "Delay #1" or "Delay #2"       ResetDelay(synth, patch)
//
// Every call-back that rewrites more than the control's own field, or touches a voice, runs
// inside the engine bracket (closed also when a step fails); the rest write one field, which the
// engine takes between two samples. Bad input (a lane or slot beyond the lists, numbers no list
// carries, NaN) changes nothing it could break: lanes and slots outside their range do nothing,
// list numbers beyond the engine's lists select what the engine selects for them.
#pragma once

#include <cstdint>

#include "synth/shown_values.h"
#include "engine/patch.h"
#include "modulation/mod_matrix.h"

namespace brelix {

class XMulti;
class XSynthesizer;

// One slot of one modulation matrix. The page's slot m (1..16) is Slot m - 1: row Slot / 4,
// lane Slot % 4 + 1.
struct TModSlot {
  TModMatrix Matrix = TModMatrix::Patch;
  int Slot = 0;
};

// ---- oscillators -------------------------------------------------------------------------------

// The pitch of every sounding voice from the patch's pitch fields (as at its note-on).
void UpdateOscPitch(XSynthesizer& synth);
// The fixed-frequency and fixed-range masks from AuxOscFixedFreq and AuxOscRange (all ones where
// they are 0), then the pitch of the sounding voices.
void UpdateOscFixed(XSynthesizer& synth, XPatch& patch);
// The base pitch of the lane's centre note and the lane's sample playback step, then the pitch of
// the sounding voices.
void UpdateOscCenter(XSynthesizer& synth, XPatch& patch, int32_t lane);

// ---- sample oscillators and rates --------------------------------------------------------------

// The lane's loop length and playback step after its loop switch changed.
void UpdateSampleLoop(XSynthesizer& synth, XPatch& patch, int32_t lane);
// The rate-dependent values after Upsample or SampleFilter changed (each kept within what the
// engine runs first).
void UpdateSampleRateFields(XSynthesizer& synth, XPatch& patch);
// The same after Oversample changed, then the DC blockers scaled to the new audio rate.
void UpdateOversampling(XSynthesizer& synth, XPatch& patch);

// ---- voices and MIDI ---------------------------------------------------------------------------

// MaxVoice + 1.
int32_t VoiceCountShown(const XMulti& multi);
// Takes trunc(value) voices, at most 16 and at least 0 (NaN keeps the count), relinks and resets
// every voice, and returns the count taken: the control shows it with SetValue(count, true).
int32_t SetVoiceCount(XSynthesizer& synth, float value);

uint32_t MidiChannelShown(const XMulti& multi);
// Channels 0..15 ("1".."16"); a number beyond them leaves the channel as it is.
void SetMidiChannel(XMulti& multi, uint32_t value);

// trunc(value) below 0: every voice silent at once and the controllers reset (controller 123);
// otherwise the patch's preview note starts at velocity 127 on the synthesizer's channel.
void PlayPreviewNote(XSynthesizer& synth, float value);

// ---- modulation --------------------------------------------------------------------------------

// Stores the list item as the source of the slot (controllers negative, see shown_values.h) and
// points the slot of every voice at it.
void SetModSource(XSynthesizer& synth, XPatch& patch, TModSlot slot, uint32_t value);
// The same for the amplitude source, VolumeModSource.
void SetAmpSource(XSynthesizer& synth, XPatch& patch, uint32_t value);
// After the slot's destination changed: every voice's slot leaves its old destination (taking
// its share of it along) and is aimed at the new one; then the row flag and the matrix count.
void UpdateModDest(XSynthesizer& synth, XPatch& patch, TModSlot slot);

// ---- filters -----------------------------------------------------------------------------------

// The five output weights of filter type `value` into the lane (an unknown type bypasses).
void SetFilterType(XSynthesizer& synth, XPatch& patch, int32_t lane, uint32_t value);
// The fixed-range mask from FilterRange (all ones where it is 0).
void UpdateFilterRange(XSynthesizer& synth, XPatch& patch);
// The key tracking of every sounding voice from FilterCenter and FilterTracking.
void UpdateFilterTracking(XSynthesizer& synth);

// ---- LFOs and envelopes ------------------------------------------------------------------------

// LfoTime from rate and clock, table and table size from the shape (an unknown shape plays the
// sine), all four lanes.
void UpdateLfos(XSynthesizer& synth, XPatch& patch);
// Stores the quantise mask of the control's n (see shown_values.h) into the lane.
void SetLfoQuantize(XPatch& patch, int32_t lane, uint32_t n);
// EnvRate and EnvCurves of every stage and lane from the times and curve numbers (an unknown
// curve plays "Linear"). A sounding voice takes a stage's new rate and curve when it enters the
// stage.
void UpdateEnvelopes(XSynthesizer& synth, XPatch& patch);
// Stores the step of `stage` (0..4) in the lane that leads to the stage the list shows.
void SetEnvStep(XPatch& patch, int32_t stage, int32_t lane, uint32_t item);

// ---- delays ------------------------------------------------------------------------------------

// The delay object takes the patch's delay values; the delay routines run while either wet level
// is not 0.
void UpdateDelay(XSynthesizer& synth, XPatch& patch);
// Each delay's clock flag covers its two lanes (lane 2 := lane 1, lane 4 := lane 3); then the
// delay object takes the values.
void UpdateDelayClock(XSynthesizer& synth, XPatch& patch);
// DelayRouting := 1.0 or 0.0. The "Serial" switch is built with kDelayRoutingSerialBits as its
// on value (shown_values.h).
void SetDelayRouting(XPatch& patch, bool serial);
// Clears both delays' lines and states; no value changes.
void ResetDelay(XSynthesizer& synth, XPatch& patch);

}  // namespace brelix
