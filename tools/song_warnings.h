// What a musician would miss in a render without a word: notes the plug-in does not hear, notes
// too short to sound, a sustain pedal nothing listens to.
#pragma once

#include <string>
#include <vector>

#include "midi_file.h"

namespace brelix {

struct SongListener {
  int Channel = 1;           // the MIDI channel the plug-in listens on, 1..16
  bool HearsPedal = false;   // something holds notes while controller 64 is down
  double SampleRate = 44100.0;
};

// The warnings for `song` (named `name` in them), one sentence each, in this order: notes on
// channels the plug-in does not hear, with the --channel to give when it hears none; notes of the
// heard channel whose note-off falls on their note-on's frame; controller 64 on the heard channel
// when nothing hears it, with the hint of --pedal.
std::vector<std::string> SongWarnings(const MidiSong& song, const std::string& name, const SongListener& listener);

}  // namespace brelix
