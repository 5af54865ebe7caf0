// What a patch file does with what a song plays, read as the plug-in reads the file: the preview
// note it sounds when it is loaded, whether any slot listens to a controller, and whether the
// sustain pedal holds its notes.
#pragma once

#include <string>
#include <string_view>

namespace brelix {

// The patch's PlayNote: the key the plug-in sounds when the patch is loaded, -1 for none (also
// for no patch file, or one that cannot be read).
int PreviewNote(const std::string& patchPath);

// True when a slot of either matrix (with a destination and an amount) or the level source reads MIDI
// controller `controller` (0..127).
bool ReadsController(const std::string& patchPath, int controller);

// True when the patch, given as the text of a patch file (the patch a program chunk carries),
// holds notes while the sustain pedal is down: its SustainPedal switch is on.
bool PedalHoldsNotes(std::string_view patchText);

}  // namespace brelix
