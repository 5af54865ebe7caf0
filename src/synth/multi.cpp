#include "synth/multi.h"

#include <algorithm>

#include "engine/global_memory.h"
#include "engine/patch_work.h"
#include "modulation/delay.h"
#include "patch/patch_defaults.h"
#include "patch/patch_derived.h"
#include "engine/sample_memory.h"
#include "synth/voice.h"

namespace brelix {

namespace {

// Declicker modes of the patch: which note start a voice in stage `stage` gets.
bool UseDeclickedStart(uint32_t declicker, int32_t stage) {
  switch (declicker) {
    case 0: return false;                     // "Off"
    case 1: return stage < kStageEnd;         // "Voice-On/Release"
    case 2: return stage < kStageRelease;     // "Voice-On Only"
    case 3: return stage == kStageRelease;    // "Voice-Release Only"
    default: return true;                     // "Always"
  }
}

int32_t StageOf(const XVoice& voice) { return AmpStage(*voice.PatchWork); }

// A voice still sounding its note only because the pedal holds it (the flag outlives a voice that
// was silenced otherwise, and then means nothing).
bool HeldByPedal(const XVoice& voice) { return voice.PedalHeld && StageOf(voice) < kStageRelease; }

constexpr float kPedalDownFrom = 64.0f;  // controller 64's value from which the pedal is down

}  // namespace

XMulti::XMulti(XGlobalMemory& memory) {
  EditBuffer = memory.AllocRecord<XPatch>();
  EditBuffer->GlobalMemory = &memory;
  DelayBuffersAllocate(*EditBuffer, memory);
  PatchDefaults(*EditBuffer);
  PatchPrepare(*EditBuffer);

  MidiProcs.fill(&XMulti::RunningStatus);
  MidiProcs[8] = &XMulti::NoteOff;
  MidiProcs[9] = &XMulti::NoteOn;
  MidiProcs[10] = &XMulti::PolyPressure;
  MidiProcs[11] = &XMulti::ControlChange;
  MidiProcs[12] = &XMulti::ProgramChange;
  MidiProcs[13] = &XMulti::Aftertouch;
  MidiProcs[14] = &XMulti::PitchBend;
  MidiProcs[15] = &XMulti::SystemExclusive;
  ControlTable.fill(&XMulti::NoOperation);
  ControlTable[kControlSustainPedal] = &XMulti::SustainPedalMoved;
  ControlTable[120] = &XMulti::AllNotesOff;
  ControlTable[123] = &XMulti::AllNotesOff;
}

XMulti::~XMulti() {
  DelayRelease(*EditBuffer);
  for (int lane = 0; lane < 4; ++lane) SampleMemoryRelease(EditBuffer->SampleOscMemory.p[lane]);
}

int XMulti::LinkedVoices() const { return std::clamp(MaxVoice + 1, 0, kMaxVoices); }

void XMulti::ProcessEvent(const uint8_t midi[3]) {
  if (MaxVoice == -1) return;
  (this->*MidiProcs[midi[0] >> 4])(midi);
}

void XMulti::NoteOn(const uint8_t* midi) {
  if ((midi[0] & 0x0F) != Channel) return;
  if (midi[2] == 0)
    ReleaseNote(midi[1], 0);
  else
    AssignNote(midi[1], midi[2]);
}

void XMulti::NoteOff(const uint8_t* midi) {
  if ((midi[0] & 0x0F) != Channel) return;
  ReleaseNote(midi[1], midi[2]);
}

// Voice assignment, in the order of preference: the lowest idle voice, else the oldest releasing
// voice, else the oldest voice the pedal holds, else (all held by their keys) the oldest voice
// already on the key, else the oldest voice of all. A key struck again while the pedal holds its
// note first lets that note go, as a note-off would have without the pedal.
void XMulti::AssignNote(int32_t note, int32_t velocity) {
  if (LinkedVoices() == 0) return;
  ReleasePedalHeldOnKey(note);
  StartAssignedNote(ChooseVoice(note), note, velocity);
}

XVoice& XMulti::ChooseVoice(int32_t note) {
  if (XVoice* idle = LowestIdleVoice()) return StartsAfresh(*idle);
  if (XVoice* releasing = OldestReleasingVoice()) return TakeOver(*releasing);
  if (XVoice* pedal_held = OldestPedalHeldVoice()) return TakeOver(*pedal_held);
  // All voices are held from here on.
  if (XVoice* same_key = OldestVoiceOnKey(note)) return StartsAfresh(*same_key);
  return TakeOver(*OldestVoice());
}

XVoice* XMulti::LowestIdleVoice() const {
  for (int i = 0; i < LinkedVoices(); ++i)
    if (StageOf(*Voices[i]) >= kStageEnd) return Voices[i];
  return nullptr;
}

template <class Wanted>
XVoice* XMulti::OldestVoiceWhere(Wanted wanted) const {
  XVoice* oldest = nullptr;  // on equal ages the lower index
  for (int i = 0; i < LinkedVoices(); ++i)
    if (wanted(*Voices[i]) && (oldest == nullptr || Voices[i]->Age < oldest->Age)) oldest = Voices[i];
  return oldest;
}

XVoice* XMulti::OldestReleasingVoice() const {
  return OldestVoiceWhere([](const XVoice& voice) { return StageOf(voice) >= kStageRelease; });
}

XVoice* XMulti::OldestPedalHeldVoice() const { return OldestVoiceWhere(HeldByPedal); }

XVoice* XMulti::OldestVoiceOnKey(int32_t note) const {
  return OldestVoiceWhere([note](const XVoice& voice) { return voice.Note == note; });
}

XVoice* XMulti::OldestVoice() const {
  return OldestVoiceWhere([](const XVoice&) { return true; });
}

XVoice& XMulti::StartsAfresh(XVoice& voice) {
  voice.PatchWork->Retrigger = 0;
  voice.MonoNote = kNoMonoNote;
  return voice;
}

XVoice& XMulti::TakeOver(XVoice& voice) {
  if (MaxVoice != 0) {
    voice.MonoNote = kNoMonoNote;
  } else if (voice.MonoNote == kNoMonoNote && StageOf(voice) < kStageRelease && !voice.PedalHeld) {
    // One voice, its key still down: remembered, to return to when the new key is let go.
    voice.MonoNote = voice.Note;
    voice.MonoVelocity = voice.Velocity;
  }
  const bool legato = MaxVoice == 0 && voice.MonoNote != kNoMonoNote;
  voice.PatchWork->Retrigger = legato ? 0xFFFFFFFFu : 0u;
  return voice;
}

void XMulti::StartAssignedNote(XVoice& voice, int32_t note, int32_t velocity) {
  voice.Age = VoiceAge;
  voice.PedalHeld = false;  // the new note's key is down
  // The declicker looks at the stage the voice was in before this note.
  if (UseDeclickedStart(EditBuffer->Declicker, StageOf(voice)))
    voice.NoteOnClick(note, velocity);
  else
    voice.NoteOn(note, velocity);
  ++VoiceAge;
}

void XMulti::ReleaseNote(int32_t note, int32_t release_velocity) {
  const int count = LinkedVoices();
  for (int i = 0; i < count; ++i) {
    XVoice& voice = *Voices[i];
    if (StageOf(voice) >= kStageRelease) continue;  // releasing and idle voices are not touched
    if (voice.Note == note) {
      if (voice.MonoNote == kNoMonoNote || voice.MonoNote == voice.Note)
        KeyLetGo(voice, release_velocity);
      else
        voice.NoteOn(voice.MonoNote, voice.MonoVelocity);  // glide back to the remembered key
      voice.MonoNote = kNoMonoNote;
    } else if (voice.MonoNote == note) {
      voice.MonoNote = voice.Note;  // the remembered key was let go
    }
  }
}

float XMulti::ControllerValue(int slot, float raw) const {
  const XPatch& p = *EditBuffer;
  return std::min(std::max(raw * p.ControlScale[slot] + p.ControlOffset[slot], p.ControlMin[slot]), p.ControlMax[slot]);
}

void XMulti::ControlChange(const uint8_t* midi) {
  if ((midi[0] & 0x0F) != Channel) return;
  const int controller = midi[1] & 0x7F;
  EditBuffer->ControlValue[controller] = ControllerValue(controller, static_cast<float>(midi[2]));
  (this->*ControlTable[controller])();
}

void XMulti::PitchBend(const uint8_t* midi) {
  if ((midi[0] & 0x0F) != Channel) return;
  const int bend = midi[2] * 128 + midi[1];
  EditBuffer->ControlValue[kControlPitchBend] = ControllerValue(kControlPitchBend, static_cast<float>(bend));
}

void XMulti::Aftertouch(const uint8_t* midi) {
  if ((midi[0] & 0x0F) != Channel) return;
  EditBuffer->ControlValue[kControlPressure] = ControllerValue(kControlPressure, static_cast<float>(midi[1]));
}

void XMulti::AllNotesOff() {
  for (int i = LinkedVoices() - 1; i >= 0; --i) {
    Voices[i]->PatchWork->EnvStage.set_lane(3, kStageEnd);
    Voices[i]->PedalHeld = false;
  }
  ResetControllers(*EditBuffer);  // the pedal reads up too
}

// ---- the sustain pedal -------------------------------------------------------------------------

// The pedal's position is its controller value, so the patch's controller reset (a patch load,
// controllers 120 and 123) puts it up as it does every controller, and the MIDI matrix and the
// held notes always agree about it.
bool XMulti::PedalDown() const {
  return EditBuffer->ControlValue[kControlSustainPedal] >= ControllerValue(kControlSustainPedal, kPedalDownFrom);
}

bool XMulti::PedalHoldsNotes() const { return EditBuffer->SustainPedal != 0 && PedalDown(); }

// Up: every note it holds ends, also when the patch's switch went off meanwhile.
void XMulti::SustainPedalMoved() {
  if (!PedalDown()) ReleasePedalHeld();
}

void XMulti::KeyLetGo(XVoice& voice, int32_t release_velocity) {
  if (PedalHoldsNotes()) {
    voice.PedalHeld = true;
    voice.PedalRelease = release_velocity;
  } else {
    voice.NoteOff(release_velocity);
  }
}

// A note the pedal held ends as its key's note-off would have ended it then.
void XMulti::ReleasePedalHeld() {
  for (int i = 0; i < LinkedVoices(); ++i) {
    XVoice& voice = *Voices[i];
    if (HeldByPedal(voice)) voice.NoteOff(voice.PedalRelease);
    voice.PedalHeld = false;
  }
}

void XMulti::ReleasePedalHeldOnKey(int32_t note) {
  for (int i = 0; i < LinkedVoices(); ++i) {
    XVoice& voice = *Voices[i];
    if (!HeldByPedal(voice) || voice.Note != note) continue;
    voice.NoteOff(voice.PedalRelease);
    voice.PedalHeld = false;
  }
}

void XMulti::PlayNote() {
  if (EditBuffer->PlayNote < 0 || MaxVoice < 0) return;
  const uint8_t midi[3] = {static_cast<uint8_t>(0x90 + Channel), static_cast<uint8_t>(EditBuffer->PlayNote & 0xFF), 127};
  ProcessEvent(midi);
}

}  // namespace brelix
