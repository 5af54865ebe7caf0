// XVoice: one of the sixteen voices of an instance. It holds the note it plays and its work
// record, and starts, restarts and releases notes by running the modules' note hooks in their
// fixed order.
#pragma once

#include <cstdint>

#include "engine/patch.h"
#include "engine/patch_work.h"

namespace brelix {

constexpr int32_t kNoMonoNote = 255;

class XVoice {
 public:
  explicit XVoice(XPatchWork* work) : PatchWork(work) {}

  // Plain note start (also the return to a remembered key in one-voice playing).
  void NoteOn(int32_t note, int32_t velocity);
  // Declicked note start: envelopes restart from their value, filters keep their state where
  // the patch asks for it.
  void NoteOnClick(int32_t note, int32_t velocity);
  void NoteOff(int32_t release_velocity);

  XPatch* Patch = nullptr;
  XPatchWork* const PatchWork;
  int32_t Age = 0;
  int32_t Note = 0;
  int32_t Velocity = 0;
  int32_t MonoNote = kNoMonoNote;
  int32_t MonoVelocity = 0;
  // Set while the sustain pedal holds the note past its key's release; the release velocity the
  // note ends with when the pedal comes up.
  bool PedalHeld = false;
  int32_t PedalRelease = 0;

 private:
  void StartNote(int32_t note, int32_t velocity, bool declick);
};

}  // namespace brelix
