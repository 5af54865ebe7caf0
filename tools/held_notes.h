// Notes that a song leaves held at its end (a note-on whose note-off never comes) are released
// there, so that they end with their release instead of being cut off by the end of the file.
#pragma once

#include "midi_file.h"

namespace brelix {

// Appends a note-off (velocity 0) at the song's end for every channel and key whose last word in
// the song is a note-on. All-notes-off and all-sound-off (controllers 123 and 120) end every note
// of their channel.
void ReleaseHeldNotes(MidiSong& song);

}  // namespace brelix
