// The sustain pedal as a keyboard's own sustain plays it: while controller 64 is down (64 or
// above) the note-offs of its channel wait, and they come when the pedal comes up.
#pragma once

#include "midi_file.h"

namespace brelix {

// Moves every note-off (or note-on of velocity 0) that comes while its channel's pedal is down to
// the moment the pedal comes up, just after the controller message, which stays where it was. A
// key struck again while its note-off waits is held by the hand again: its own next note-off ends
// it. A note still held by the pedal at the song's end keeps no note-off (ReleaseHeldNotes ends it).
void HoldNotesWithPedal(MidiSong& song);

}  // namespace brelix
