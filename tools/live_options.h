// The command line of brelix, the standalone program.
#pragma once

#include <span>
#include <string>

namespace brelix {

struct LiveOptions {
  std::string PluginPath;  // empty: look in the usual places
  std::string PatchPath;   // a patch file to play instead of the one kept from last time
  int Channel = 0;         // 1..16; 0: as kept
  int Voices = 0;          // 1..16; 0: as kept
  bool Connect = false;    // outputs to the first two playback ports, physical MIDI sources to the input
  bool NoGui = false;      // no window: a synthesizer for a headless box
  bool ListPatches = false;  // list the patch library by family and play nothing
  bool QuitWithoutServer = false;  // end when the server goes away instead of waiting for it
  bool ShowHelp = false;
};

// Parses the arguments after the program name. --patch, --channel, --voices and --plugin are
// read and checked as brelix-render reads them (a library name for --patch included). Throws UsageError (render_options.h).
LiveOptions ParseLiveOptions(std::span<const std::string> args);

const char* LiveUsage();

}  // namespace brelix
