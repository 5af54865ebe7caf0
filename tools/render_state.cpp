#include "render_state.h"

#include "base/printable_text.h"
#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "patch/file_io.h"
#include "patch/program_chunk.h"

namespace brelix {

namespace {

// The record, the patch's marker and count, and the largest patch a chunk carries.
constexpr size_t kLargestStateFileRead = kProgramChunkSize + kChunkPatchHeaderSize + kChunkPatchMaxBytes;

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
    if (!FileExists(patchFile)) throw StateError("no patch file '" + PrintableText(patchFile) + "'");
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(patchFile, error);
    fields.PatchFile = error ? patchFile : absolute.lexically_normal().string();
    if (fields.PatchFile.size() > kChunkFileNameSize) {
      throw StateError("the patch file's full name '" + PrintableText(fields.PatchFile) + "' is longer than the " +
                       std::to_string(kChunkFileNameSize) + " bytes a program chunk holds");
    }
  }
  if (changes.Channel > 0) fields.Channel = static_cast<uint8_t>(changes.Channel - 1);
  if (changes.Voices > 0) fields.MaxVoice = changes.Voices - 1;
  return ProgramChunkEncode(fields);
}

std::vector<uint8_t> ReadStateFile(const std::string& path) {
  std::optional<std::string> bytes;
  try {
    bytes = ReadWholeFile(path, kLargestStateFileRead);
  } catch (const FileError& error) {
    throw StateError("cannot read the state file '" + PrintableText(path) + "': " + error.what());
  }
  if (!bytes) throw StateError("no state file '" + PrintableText(path) + "'");
  if (!ProgramChunkRead(bytes->data(), static_cast<int64_t>(bytes->size())))
    throw StateError("'" + PrintableText(path) + "' is no Brelix state file (a program chunk)");
  return std::vector<uint8_t>(bytes->begin(), bytes->end());
}

void WriteStateFile(const std::string& path, const std::vector<uint8_t>& chunk) {
  try {
    ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(chunk.data()), chunk.size()));
  } catch (const FileError& error) {
    throw StateError("cannot write the state file '" + PrintableText(path) + "': " + error.what());
  }
}

void CheckStateFileCanBeWritten(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::absolute(path, error).parent_path();
  const auto refuse = [&](const std::string& reason) {
    return StateError("cannot write the state file '" + PrintableText(path) + "': " + reason);
  };
  if (fs::is_directory(path, error)) throw refuse("it is a folder");
  if (!fs::exists(folder, error)) throw refuse("no folder '" + PrintableText(folder.string()) + "'");
  if (!fs::is_directory(folder, error)) throw refuse("'" + PrintableText(folder.string()) + "' is not a folder");
  if (access(folder.c_str(), W_OK | X_OK) != 0) throw refuse("the folder '" + PrintableText(folder.string()) + "' is write-protected");
}

std::string ChunkPatchFile(const std::vector<uint8_t>& chunk) { return Fields(chunk).PatchFile; }

int ChunkChannel(const std::vector<uint8_t>& chunk) { return (Fields(chunk).Channel & 0x0F) + 1; }

}  // namespace brelix
