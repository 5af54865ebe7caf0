#include "render_state.h"

#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "patch/file_io.h"
#include "patch/program_chunk.h"

namespace brelix {

namespace {

constexpr size_t kLargestStateFileRead = 1u << 20;  // to tell a wrong file by its size

ProgramChunkFields Fields(const std::vector<uint8_t>& chunk) {
  const auto fields = ProgramChunkRead(chunk.data(), static_cast<int64_t>(chunk.size()));
  if (!fields) throw StateError("the plug-in's state is " + std::to_string(chunk.size()) + " bytes, not a Brelix program chunk");
  return *fields;
}

}  // namespace

std::vector<uint8_t> ChangedChunk(const std::vector<uint8_t>& chunk, const StateChanges& changes) {
  ProgramChunkFields fields = Fields(chunk);
  if (!changes.PatchFile.empty()) {
    const std::string& patchFile = changes.PatchFile;
    if (!FileExists(patchFile)) throw StateError("no patch file '" + patchFile + "'");
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(patchFile, error);
    fields.PatchFile = error ? patchFile : absolute.lexically_normal().string();
    if (fields.PatchFile.size() > kChunkFileNameSize) {
      throw StateError("the patch file's full name '" + fields.PatchFile + "' is longer than the " +
                       std::to_string(kChunkFileNameSize) + " bytes a program chunk holds");
    }
  }
  if (changes.Channel > 0) fields.Channel = static_cast<uint8_t>(changes.Channel - 1);
  if (changes.Voices > 0) fields.MaxVoice = changes.Voices - 1;
  std::array<uint8_t, kProgramChunkSize> block{};
  ProgramChunkWrite(block, fields);
  return std::vector<uint8_t>(block.begin(), block.end());
}

std::vector<uint8_t> ReadStateFile(const std::string& path) {
  std::optional<std::string> bytes;
  try {
    bytes = ReadWholeFile(path, kLargestStateFileRead);
  } catch (const FileError& error) {
    throw StateError("cannot read the state file '" + path + "': " + error.what());
  }
  if (!bytes) throw StateError("no state file '" + path + "'");
  if (bytes->size() != static_cast<size_t>(kProgramChunkSize))
    throw StateError("'" + path + "' is no Brelix state file (" + std::to_string(kProgramChunkSize) + " bytes)");
  return std::vector<uint8_t>(bytes->begin(), bytes->end());
}

void WriteStateFile(const std::string& path, const std::vector<uint8_t>& chunk) {
  try {
    ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(chunk.data()), chunk.size()));
  } catch (const FileError& error) {
    throw StateError("cannot write the state file '" + path + "': " + error.what());
  }
}

void CheckStateFileCanBeWritten(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::absolute(path, error).parent_path();
  const auto refuse = [&](const std::string& reason) {
    return StateError("cannot write the state file '" + path + "': " + reason);
  };
  if (fs::is_directory(path, error)) throw refuse("it is a folder");
  if (!fs::exists(folder, error)) throw refuse("no folder '" + folder.string() + "'");
  if (!fs::is_directory(folder, error)) throw refuse("'" + folder.string() + "' is not a folder");
  if (access(folder.c_str(), W_OK | X_OK) != 0) throw refuse("the folder '" + folder.string() + "' is write-protected");
}

std::string ChunkPatchFile(const std::vector<uint8_t>& chunk) { return Fields(chunk).PatchFile; }

int ChunkChannel(const std::vector<uint8_t>& chunk) { return (Fields(chunk).Channel & 0x0F) + 1; }

}  // namespace brelix
