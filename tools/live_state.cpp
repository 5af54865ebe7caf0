#include "live_state.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "patch/file_io.h"

namespace brelix {

namespace {
constexpr const char* kChunkFile = "program.chunk";
constexpr const char* kWindowFile = "window";
constexpr size_t kLargestChunk = 64u << 20;
constexpr size_t kLargestWindowFile = 256;

std::optional<std::string> Read(const std::string& path, size_t largest) {
  try {
    return ReadWholeFile(path, largest);
  } catch (const FileError& error) {
    throw std::runtime_error("cannot read '" + path + "': " + error.what());
  }
}
}  // namespace

LiveState::LiveState() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    folder_ = std::string(config) + "/brelix";
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folder_ = std::string(home) + "/.config/brelix";
  } else {
    throw std::runtime_error("neither $XDG_CONFIG_HOME nor $HOME is set: nowhere to keep the state");
  }
}

std::optional<std::vector<uint8_t>> LiveState::LoadChunk() const {
  const std::optional<std::string> bytes = Read(folder_ + "/" + kChunkFile, kLargestChunk);
  if (!bytes || bytes->empty()) return std::nullopt;
  return std::vector<uint8_t>(bytes->begin(), bytes->end());
}

std::optional<WindowPosition> LiveState::LoadWindowPosition() const {
  const std::optional<std::string> text = Read(folder_ + "/" + kWindowFile, kLargestWindowFile);
  if (!text) return std::nullopt;
  std::istringstream in(*text);
  WindowPosition position;
  if (!(in >> position.X >> position.Y)) return std::nullopt;  // a damaged file: the default place
  return position;
}

void LiveState::StoreChunk(const std::vector<uint8_t>& chunk) const {
  Store(kChunkFile, std::string(chunk.begin(), chunk.end()));
}

void LiveState::StoreWindowPosition(const WindowPosition& position) const {
  Store(kWindowFile, std::to_string(position.X) + " " + std::to_string(position.Y) + "\n");
}

void LiveState::Store(const std::string& name, const std::string& content) const {
  const std::string path = folder_ + "/" + name;
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error) throw std::runtime_error("cannot make the folder '" + folder_ + "': " + error.message());
  try {
    ReplaceFile(path, content);
  } catch (const FileError& failure) {
    throw std::runtime_error("cannot write '" + path + "': " + failure.what());
  }
}

}  // namespace brelix
