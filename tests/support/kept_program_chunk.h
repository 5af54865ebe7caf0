// The standalone program's kept program chunk in a configuration folder: one written as an
// earlier run leaves it, and whether a run wrote it anew (the file is replaced by a new one, so
// the file under the name is another one).
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/program_chunk_bytes.h"
#include "support/temp_folder.h"

namespace brelix::testing {

inline std::string KeptChunkFile(const TempFolder& config) { return config.file("brelix/program.chunk"); }

// A kept chunk naming `patch` on channel 1 with 16 voices, as an earlier run playing it leaves.
inline void KeepChunkNaming(const TempFolder& config, const std::string& patch) {
  std::filesystem::create_directories(config.file("brelix"));
  const std::vector<uint8_t> chunk = ProgramChunkBytes(0, 15, patch);
  WriteBytes(KeptChunkFile(config), std::string(chunk.begin(), chunk.end()));
}

// The file's identity on its file system (0 when there is none): a file replaced has another.
inline ino_t FileIdentity(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

}  // namespace brelix::testing
