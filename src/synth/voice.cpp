#include "synth/voice.h"

#include "engine/engine_tables.h"
#include "engine/filter.h"
#include "engine/oscillator.h"
#include "engine/sample_osc.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"

namespace brelix {

namespace {
constexpr float kInv127 = 0.007874016f;             // bits 0x3C010204
constexpr float kInvNote127Frequency = 7.9720317e-5f;  // bits 0x38A72F85
}  // namespace

void XVoice::NoteOn(int32_t note, int32_t velocity) { StartNote(note, velocity, false); }

void XVoice::NoteOnClick(int32_t note, int32_t velocity) { StartNote(note, velocity, true); }

void XVoice::StartNote(int32_t note, int32_t velocity, bool declick) {
  Note = note;
  Velocity = velocity;
  // Notes reach here from MIDI data bytes (0..127) or the patch's preview note (low 8 bits).
  const int32_t key = note & 0x7F;
  XPatchWork& w = *PatchWork;
  const XPatch& p = *Patch;
  const XSynthWork& sw = *p.SynthWork;

  w.Notes = QSingle::splat(static_cast<float>(note));
  w.ControlCounter = 0;
  w.Note = static_cast<uint32_t>(note);
  w.KeyFollow = static_cast<float>(note) * 0.0078125f;
  w.KeyTrack = (w.KeyFollow - 0.5f) * 2.0f;
  w.PitchFollow = NoteFrequency[key] * kInvNote127Frequency;
  w.Velocity = static_cast<float>(velocity) * kInv127;
  w.FilterVelocityMod = p.FilterVelocity * QSingle::splat(w.Velocity);
  w.VolumeVelocityMod = w.Velocity * p.VolumeVelocity;

  OscPitchNoteOn(sw, p, w);
  FilterKeyTrack(sw, p, w);
  ModMatrixNoteOn(sw, p, w);
  if (declick)
    EnvNoteOnClick(sw, p, w);
  else
    EnvNoteOn(sw, p, w);
  LfoNoteOn(sw, p, w);
  OscPhaseNoteOn(sw, p, w);
  SampleNoteOn(sw, p, w);
  if (declick)
    FilterNoteOnClick(sw, p, w);
  else
    FilterNoteOn(sw, p, w);
}

void XVoice::NoteOff(int32_t release_velocity) {
  XPatchWork& w = *PatchWork;
  w.Relocity = static_cast<float>(release_velocity) * kInv127;
  EnvNoteOff(*Patch->SynthWork, *Patch, w);
}

}  // namespace brelix
