// What a patch file does with what a song plays, read as the plug-in reads the file: the preview
// note it sounds when it is loaded, and whether any slot listens to a controller.
#pragma once

#include <string>

namespace brelix {

// The patch's PlayNote: the key the plug-in sounds when the patch is loaded, -1 for none (also
// for no patch file, or one that cannot be read).
int PreviewNote(const std::string& patchPath);

// True when a slot of either matrix (with a destination and an amount) or the level source reads MIDI
// controller `controller` (0..127).
bool ReadsController(const std::string& patchPath, int controller);

}  // namespace brelix
