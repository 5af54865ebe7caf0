// What the standalone program keeps from one start to the next: the plug-in's program chunk
// (opaque bytes, as a host keeps them in a project) and the window's position, in
// $XDG_CONFIG_HOME/brelix/ (or ~/.config/brelix/). Each file is replaced in one step, so a
// program killed while writing leaves the older file whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelix {

struct WindowPosition {
  int X = 0;
  int Y = 0;
};

class LiveState {
 public:
  // The folder from the environment; throws std::runtime_error when neither variable is set.
  LiveState();
  explicit LiveState(std::string folder) : folder_(std::move(folder)) {}

  const std::string& Folder() const { return folder_; }

  // None when nothing was kept; throws std::runtime_error for a file that cannot be read.
  std::optional<std::vector<uint8_t>> LoadChunk() const;
  std::optional<WindowPosition> LoadWindowPosition() const;

  // Throw std::runtime_error naming the file when the folder cannot be made or the write fails.
  void StoreChunk(const std::vector<uint8_t>& chunk) const;
  void StoreWindowPosition(const WindowPosition& position) const;

 private:
  void Store(const std::string& name, const std::string& content) const;
  std::string folder_;
};

}  // namespace brelix
