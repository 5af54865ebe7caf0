// The command line of brelix-render.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "wav_output.h"

namespace brelix {

struct RenderOptions {
  // --check-patch: the patch files to check; nothing is rendered then.
  std::vector<std::string> CheckPatchPaths;
  std::string MidiPath;
  std::string OutputPath;  // the MIDI file's name with ".wav" unless given
  std::string PluginPath;  // empty: look in the usual places
  std::string PatchPath;      // a patch file (*.tw) restored through the program chunk
  std::string LoadStatePath;  // a program chunk saved by --save-state, restored as it is
  std::string SaveStatePath;  // where the program chunk at the end of the render goes
  int SampleRate = 44100;
  int BlockSize = 512;
  double TempoBpm = 0.0;   // 0: the file's own tempo map
  std::optional<double> TailSeconds;  // none: until the output has fallen silent
  WavSampleFormat Format = WavSampleFormat::Float32;
  bool Dither = false;     // triangular dither before PCM rounding
  int Channel = 0;         // the MIDI channel 1..16 the plug-in listens on; 0: as restored
  int Voices = 0;          // 1..16; 0: as restored
  bool Pedal = false;         // note-offs wait while controller 64 is down
  bool PreviewNote = false;   // the patch's preview note (PlayNote) plays too
  std::optional<uint32_t> Seed;  // the plug-in's random generator's seed; none: the clock's
  bool ListPatches = false;  // --list-patches: the library by family; nothing is rendered
  bool ShowHelp = false;   // nothing else is checked when help is asked for
};

inline constexpr int kLowestSampleRate = 8000;
inline constexpr int kHighestSampleRate = 384000;
inline constexpr int kLargestBlock = 16384;
inline constexpr double kHighestTempo = 1000.0;
inline constexpr double kLongestTail = 600.0;
inline constexpr int kMidiChannels = 16;
inline constexpr int kMostVoices = 16;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError with a message for an
// unknown option, a missing or malformed value, a value out of range, a missing or second MIDI
// file, both --patch and --load-state, or --dither with float output. With --check-patch every
// file named without an option is a patch file to check too. A patch named by --patch or
// --check-patch that is no file as given may be a library name (library_patches.h): the library's
// file then takes its place.
RenderOptions ParseRenderOptions(std::span<const std::string> args);

// The --help text.
const char* RenderUsage();

}  // namespace brelix
