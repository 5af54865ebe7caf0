// The command line of brelix-render.
#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include "wav_output.h"

namespace brelix {

struct RenderOptions {
  std::string MidiPath;
  std::string OutputPath;  // the MIDI file's name with ".wav" unless given
  std::string PluginPath;  // empty: look in the usual places
  std::string PatchPath;      // a patch file (*.tw) restored through the program chunk
  std::string LoadStatePath;  // a program chunk saved by --save-state, restored as it is
  std::string SaveStatePath;  // where the program chunk at the end of the render goes
  int SampleRate = 44100;
  int BlockSize = 512;
  double TempoBpm = 0.0;   // 0: the file's own tempo map
  double TailSeconds = 2.0;
  WavSampleFormat Format = WavSampleFormat::Float32;
  bool ShowHelp = false;   // nothing else is checked when help is asked for
};

inline constexpr int kLowestSampleRate = 8000;
inline constexpr int kHighestSampleRate = 384000;
inline constexpr int kLargestBlock = 16384;
inline constexpr double kHighestTempo = 1000.0;
inline constexpr double kLongestTail = 600.0;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError with a message for an
// unknown option, a missing or malformed value, a value out of range, a missing or second MIDI
// file, or both --patch and --load-state.
RenderOptions ParseRenderOptions(std::span<const std::string> args);

// The --help text.
const char* RenderUsage();

}  // namespace brelix
