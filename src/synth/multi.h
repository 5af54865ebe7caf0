// XMulti: the MIDI and voice manager of one instance. It owns the edit buffer (the patch every
// voice plays), filters MIDI by channel, dispatches it by status, assigns notes to voices with a
// fixed stealing order, keeps one remembered key for one-voice playing, and turns controllers,
// pitch bend and channel pressure into normalised controller values in the patch.
//
// The sustain pedal (controller 64 at 64 or above), in a patch whose SustainPedal switch is on,
// holds the notes whose keys are let go: a held voice keeps sounding until the pedal comes up,
// its key is struck again, or controllers 120/123 end it. The pedal holds sound, not keys: a key
// let go under the pedal is no key to return to in one-voice playing, and a voice the pedal
// holds is taken for a new note before a voice whose key is still down.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/patch.h"

namespace brelix {

class XGlobalMemory;
class XVoice;

constexpr int kMaxVoices = 16;

class XMulti {
 public:
  // Takes the edit buffer and its delay lines from the arena and fills it with the prepared
  // default patch. No voices are linked yet (MaxVoice -1): every MIDI message is ignored.
  explicit XMulti(XGlobalMemory& memory);
  // Releases the edit buffer's delay object and sample memory; the arena records stay in the arena.
  ~XMulti();
  XMulti(const XMulti&) = delete;
  XMulti& operator=(const XMulti&) = delete;

  // One MIDI message (status and two data bytes); ignored while no voice is linked.
  void ProcessEvent(const uint8_t midi[3]);
  // Starts the patch's preview note, if it has one.
  void PlayNote();
  // Controllers 120 and 123: every voice silent at once, controllers reset.
  void AllNotesOff();

  uint8_t Channel = 0;
  XPatch* EditBuffer = nullptr;
  int32_t MaxVoice = -1;
  int32_t VoiceAge = 0;
  bool Modified = false;
  std::array<XVoice*, kMaxVoices> Voices{};
  std::string PatchFile;

 private:
  using MidiProc = void (XMulti::*)(const uint8_t* midi);
  using ControlHandler = void (XMulti::*)();

  void RunningStatus(const uint8_t*) {}
  void NoteOff(const uint8_t* midi);
  void NoteOn(const uint8_t* midi);
  void PolyPressure(const uint8_t*) {}
  void ControlChange(const uint8_t* midi);
  void ProgramChange(const uint8_t*) {}
  void Aftertouch(const uint8_t* midi);
  void PitchBend(const uint8_t* midi);
  void SystemExclusive(const uint8_t*) {}
  void NoOperation() {}

  void AssignNote(int32_t note, int32_t velocity);
  // The sustain pedal: controller 64's handler, its position, whether a key let go now is held,
  // a key's end (held or released), and the release of every held note or of those on one key.
  void SustainPedalMoved();
  bool PedalDown() const;
  bool PedalHoldsNotes() const;
  void KeyLetGo(XVoice& voice, int32_t release_velocity);
  void ReleasePedalHeld();
  void ReleasePedalHeldOnKey(int32_t note);
  // The stages of the assignment: the voice a note-on takes, the searches it runs in turn (each
  // among the linked voices, none when no voice qualifies), what the voice keeps or forgets of
  // its previous note, and the note's start.
  XVoice& ChooseVoice(int32_t note);
  XVoice* LowestIdleVoice() const;
  XVoice* OldestReleasingVoice() const;
  XVoice* OldestPedalHeldVoice() const;
  XVoice* OldestVoiceOnKey(int32_t note) const;
  XVoice* OldestVoice() const;
  template <class Wanted>
  XVoice* OldestVoiceWhere(Wanted wanted) const;  // on equal ages the lower index
  // A voice that was idle, or held on the key played again: no legato, no remembered key.
  static XVoice& StartsAfresh(XVoice& voice);
  // A voice taken from another note. With one voice, a key still held is remembered (to return
  // to) and the new note plays legato; a note only the pedal holds is not.
  XVoice& TakeOver(XVoice& voice);
  void StartAssignedNote(XVoice& voice, int32_t note, int32_t velocity);
  void ReleaseNote(int32_t note, int32_t release_velocity);
  float ControllerValue(int slot, float raw) const;
  // Voices 0..MaxVoice that take part (a MaxVoice beyond the table is kept inside it).
  int LinkedVoices() const;

  std::array<MidiProc, 16> MidiProcs;
  std::array<ControlHandler, 128> ControlTable;
};

}  // namespace brelix
