// The two modulation matrices of a patch: the patch matrix, run at every control tick of a voice,
// and the MIDI matrix, run every MidiPeriod output samples for every active voice.
//
// Each matrix has 16 slots in 4 rows of 4 lanes (slot n, 1..16, is row (n - 1) / 4, lane
// (n - 1) % 4), so a row is one 4-lane multiply. A slot adds source x amount to one destination
// field of the voice. Contributions are incremental: a slot remembers what it last added
// (ModValue / MidiModValue) and adds only the change, so any number of slots of either matrix can
// share a destination and the destination holds the sum of the current contributions.
#pragma once

#include <cstdint>

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"
#include "modulation/mod_sources.h"

namespace brelix {

enum class TModMatrix { Patch, Midi };

constexpr int kModSlots = 16;
constexpr uint32_t kModRowOn = 1;  // value of a set ModSlotOn / MidiModSlotOn row flag

// ---- patch operations ----------------------------------------------------------------------------

// Row flags and counts of both matrices from the destination indices: a row is on when any of its
// four destinations is not 0 ("Void" counts); the count is 4 x the last row that is on, 0 when
// only row 0 (or none) is.
void ModMatrixPatchRecalculate(XPatch& p);

// The same for one row of one matrix, then that matrix's count (the editor, after it changed a
// destination of the row).
void ModMatrixRowRecalculate(XPatch& p, TModMatrix m, int row);

// ---- voice routing ---------------------------------------------------------------------------------

// Removes a slot's share from the destination it was aimed at: when `offset` is not 0 the single
// there loses `contribution` (subtracted in double precision, stored as single) and the
// contribution becomes 0. Call before a slot's destination offset is replaced.
void ReleaseModDest(const XPatch& p, uint32_t offset, float& contribution);

// Re-resolves the source offset of slot `slot` (0..15) of matrix `m` in voice `w` from the patch.
// Nothing needs releasing: the next tick adds the difference to the same destination.
void VoiceModSlotSource(const XPatch& p, XPatchWork& w, TModMatrix m, int slot);

// Re-aims slot `slot` (0..15) of matrix `m` in voice `w` at the patch's destination for it: the
// old destination loses the slot's contribution at once, the new one receives the full value at
// the next tick of the matrix.
void VoiceModSlotDest(const XPatch& p, XPatchWork& w, TModMatrix m, int slot);

// Resolves every slot of both matrices and the amplitude source (VolumeModSourcePtr from
// VolumeModSource) of one voice; part of the voice record initialisation.
void VoiceModPointers(const XPatch& p, XPatchWork& w);

// ---- engine routines (audio thread) --------------------------------------------------------------

// Patch matrix: every control tick of an active voice, after the envelopes.
void ModMatrixCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// MIDI matrix: every MidiPeriod output samples for every active voice.
void MidiModMatrixCalculate(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// Note-on: every destination of both matrices (whatever the row flags) and every contribution
// goes to 0.
void ModMatrixNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

}  // namespace brelix
