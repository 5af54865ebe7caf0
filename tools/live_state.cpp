#include "live_state.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "patch/program_chunk.h"

namespace brelix {

namespace {

bool ReadsAsChunk(std::string_view bytes) {
  return ProgramChunkRead(bytes.data(), static_cast<int64_t>(bytes.size())).has_value();
}

bool ReadsAsWindowPosition(std::string_view text) { return ParseWindowPosition(text).has_value(); }

constexpr KeptFileKind kChunkFile{.Name = "program.chunk",
                                  .Holds = "brelix's program chunk",
                                  .Largest = kProgramChunkSize + kChunkPatchHeaderSize + kChunkPatchMaxBytes,
                                  .ReadsAsOurs = ReadsAsChunk};
bool ReadsAsLowestKey(std::string_view text) { return ParseLowestKey(text).has_value(); }

constexpr KeptFileKind kOctaveFile{
    .Name = "octave", .Holds = "brelix's keyboard octave", .Largest = 64, .ReadsAsOurs = ReadsAsLowestKey};
constexpr KeptFileKind kWindowFile{
    .Name = "window", .Holds = "brelix's window place", .Largest = 256, .ReadsAsOurs = ReadsAsWindowPosition};

std::string FolderFromEnvironment() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/')
    return std::string(config) + "/brelix";
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return std::string(home) + "/.config/brelix";
  throw std::runtime_error("neither $XDG_CONFIG_HOME nor $HOME is set: nowhere to keep the state");
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One whole number after any white space, taken to the ends of int when it lies beyond them.
std::optional<int> TakeNumber(std::string_view& text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::invalid_argument) return std::nullopt;
  if (error == std::errc::result_out_of_range) value = text.front() == '-' ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  if (!text.empty() && !IsSpace(text.front())) return std::nullopt;
  constexpr long long kLeast = std::numeric_limits<int>::min(), kMost = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(value, kLeast, kMost));
}

}  // namespace

std::optional<WindowPosition> ParseWindowPosition(std::string_view text) {
  const std::optional<int> x = TakeNumber(text);
  const std::optional<int> y = x ? TakeNumber(text) : std::nullopt;
  if (!y) return std::nullopt;
  for (char c : text)
    if (!IsSpace(c)) return std::nullopt;
  return WindowPosition{*x, *y};
}

std::optional<int> ParseLowestKey(std::string_view text) {
  const std::optional<int> note = TakeNumber(text);
  if (!note || *note < 0 || *note > 96 || *note % 12 != 0) return std::nullopt;
  for (char c : text)
    if (!IsSpace(c)) return std::nullopt;
  return note;
}

LiveState::LiveState(StateFolder::Notify notify) : folder_(FolderFromEnvironment(), std::move(notify)) {}

LiveState::LiveState(std::string folder, StateFolder::Notify notify) : folder_(std::move(folder), std::move(notify)) {}

void LiveState::NotifyOnStandardError(const std::string& line) { std::fprintf(stderr, "brelix: %s\n", line.c_str()); }

std::optional<std::vector<uint8_t>> LiveState::LoadChunk() const {
  const std::optional<std::string> bytes = folder_.Read(kChunkFile);
  if (!bytes) return std::nullopt;
  return std::vector<uint8_t>(bytes->begin(), bytes->end());
}

std::optional<WindowPosition> LiveState::LoadWindowPosition() const {
  const std::optional<std::string> text = folder_.Read(kWindowFile);
  return text ? ParseWindowPosition(*text) : std::nullopt;
}

std::optional<int> LiveState::LoadLowestKey() const {
  const std::optional<std::string> text = folder_.Read(kOctaveFile);
  return text ? ParseLowestKey(*text) : std::nullopt;
}

void LiveState::StoreLowestKey(int note) const { folder_.Write(kOctaveFile, std::to_string(note) + "\n"); }

void LiveState::StoreChunk(const std::vector<uint8_t>& chunk) const {
  folder_.Write(kChunkFile, std::string_view(reinterpret_cast<const char*>(chunk.data()), chunk.size()));
}

void LiveState::StoreWindowPosition(const WindowPosition& position) const {
  folder_.Write(kWindowFile, std::to_string(position.X) + " " + std::to_string(position.Y) + "\n");
}

}  // namespace brelix
