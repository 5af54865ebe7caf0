// The engine's rooms stand on each other in one direction: the engine includes only itself, the
// modulation the engine, the render loop both. Reads every quoted include of their sources, so
// an include that runs back up fails here with its file and line, before it can grow a cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Room {
  const char* name;
  std::set<std::string> may_include;
};

// The lower rooms first; each may include itself and the rooms below it.
const Room kRooms[] = {
    {"engine", {"engine"}},
    {"modulation", {"engine", "modulation"}},
    {"render", {"engine", "modulation", "render"}},
};

// "file:line: include" for every quoted include of `file` whose room is not in `allowed` (an
// include without a room folder counts as a wrong one).
std::vector<std::string> WrongIncludes(const fs::path& file, const std::set<std::string>& allowed) {
  static const std::regex include(R"(^\s*#\s*include\s*"([^"]*)\")");
  std::vector<std::string> wrong;
  std::ifstream in(file);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch match;
    if (!std::regex_search(line, match, include)) continue;
    const std::string target = match[1];
    const size_t slash = target.find('/');
    if (slash == std::string::npos || allowed.count(target.substr(0, slash)) == 0)
      wrong.push_back(file.filename().string() + ":" + std::to_string(number) + ": " + target);
  }
  return wrong;
}

TEST(RoomLayering, IncludesRunOnlyDownwards) {
  for (const Room& room : kRooms) {
    const fs::path folder = fs::path(BRELIX_SOURCE_DIR) / "src" / room.name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      ++files;
      for (const std::string& wrong : WrongIncludes(entry.path(), room.may_include))
        ADD_FAILURE() << "src/" << room.name << "/" << wrong << " runs against the layering";
    }
    EXPECT_GT(files, 0) << "no sources read in " << folder;
  }
}

}  // namespace
