// What the standalone program keeps from one start to the next: the plug-in's program chunk
// (as a host keeps it in a project), the window's position and the keyboard strip's octave, in $XDG_CONFIG_HOME/brelix/ (or
// ~/.config/brelix/). The files are read and replaced by the rules of state_folder.h: each is
// replaced in one step, so a program killed while writing leaves the older file whole, and
// nothing that is not one of them is read through, written or replaced.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state_folder.h"

namespace brelix {

struct WindowPosition {
  int X = 0;
  int Y = 0;
};

// The window file's text: two whole numbers (numbers beyond the range of int are taken as its
// ends). None for any other text.
std::optional<WindowPosition> ParseWindowPosition(std::string_view text);

// The octave file's text: the MIDI note of the keyboard strip's lowest key, a C from 0 to 96.
// None for any other text.
std::optional<int> ParseLowestKey(std::string_view text);

class LiveState {
 public:
  // The folder from the environment; throws std::runtime_error when neither variable is set.
  // `notify` hears of a kept file moved aside (by default a line on standard error).
  explicit LiveState(StateFolder::Notify notify = NotifyOnStandardError);
  LiveState(std::string folder, StateFolder::Notify notify = NotifyOnStandardError);

  const std::string& Folder() const { return folder_.Path(); }

  // None when nothing was kept (or what was there was moved aside); throws std::runtime_error
  // for a file that cannot be read.
  std::optional<std::vector<uint8_t>> LoadChunk() const;
  std::optional<WindowPosition> LoadWindowPosition() const;
  std::optional<int> LoadLowestKey() const;

  // Throw std::runtime_error naming the file when the folder cannot be made or the write fails.
  void StoreChunk(const std::vector<uint8_t>& chunk) const;
  void StoreWindowPosition(const WindowPosition& position) const;
  void StoreLowestKey(int note) const;

  static void NotifyOnStandardError(const std::string& line);

 private:
  StateFolder folder_;
};

}  // namespace brelix
