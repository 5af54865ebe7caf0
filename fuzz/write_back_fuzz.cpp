// The write-back guard: a chunk from a stranger's project (any bytes, its file name pointing into
// a sandbox of patch files, text files, links and missing names), a host parameter write, the
// host's request for the chunk, and the close answered Yes. Fails when a file that is no patch
// file changes, when a link stops being one, or when a file appears that no absolute ".tw" name
// asked for (in the sandbox, or in the working folder for a relative name).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "patch/program_chunk.h"
#include "plugin/plugin_module.h"
#include "ui/dialogs.h"

namespace {

namespace fs = std::filesystem;

// Yes to every save question; every file dialog cancelled (nobody at the screen).
class YesDialogs : public brelix::IDialogs {
 public:
  bool AskYesNo(std::string_view) override { return true; }
  std::optional<std::string> OpenFile(const brelix::FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> SaveFile(const brelix::FileDialogOptions&) override { return std::nullopt; }
};

struct SandboxFile {
  const char* name;
  const char* bytes;
  bool patch;  // may be written
};
const SandboxFile kFiles[] = {
    {"Brelix.Ini", "[Engine]\r\nRealSampleBase=44100\r\n\r\n[Editor]\r\nAutomation=1\r\n", false},
    {"a.tw", "[Voice]\r\nVolume=1\r\n", true},
    {"B.TW", "[Filter.1]\r\nFilterCutoff=1000\r\n\r\n[Test]\r\nKeep=1\r\n", true},
    {"notes.txt", "dear diary\n\n   indented\n", false},
    {".bashrc", "alias ll='ls -l'\n", false},
    {"empty.tw", "", false},
    {"target.cfg", "[Voice]x\nkey value\n", false},
    {"sub/inner.txt", "inner\n", false},
    // Text with section lines, under patch names and others.
    {"notes.tw", "[voice]\n", false},
    {"requires.tw", "[packages]\nnumpy=1.26\nscipy=1.11\n", false},
    {"prose.tw", "[Voice]\nVolume=1\nand some words of a letter\n", false},
    {"patch.txt", "[Voice]\r\nVolume=1\r\n", false},
    {"diary.ini", "; dear diary\n[Engine]\nRealSampleBase=48000\n", false},
    // A patch without a write bit: root may not write it either.
    {"locked.tw", "[Voice]\r\nVolume=1\r\n", false},
};
struct SandboxLink {
  const char* name;
  const char* target;
};
const SandboxLink kLinks[] = {
    {"link.tw", "notes.txt"}, {"patchlink.tw", "a.tw"}, {"dangling.tw", "gone.tw"}, {"sublink", "sub"},
    {"settings.tw", "Brelix.Ini"}, {"text.tw", "patch.txt"}, {"note-link.tw", "notes.tw"},
};
// Names a chunk may carry, relative to the sandbox unless they start with "!" (taken as they are).
const char* const kNames[] = {
    "a.tw", "B.TW", "notes.txt", ".bashrc", "empty.tw", "link.tw", "patchlink.tw", "dangling.tw",
    "settings.tw", "Brelix.Ini", "target.cfg", "sub/new.tw", "sub/.bashrc", "missing/new.tw", "new.Tw",
    "sublink/new.tw", "sub/../new.tw", "./a.tw", "sub", "!rel.tw", "!", "!sub/../rel.tw",
    "notes.tw", "requires.tw", "prose.tw", "patch.txt", "diary.ini", "locked.tw", "text.tw", "note-link.tw",
};

const std::string& Sandbox() {
  // In memory where there is such a folder: each write is flushed to its disk.
  static const std::string dir =
      std::string(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") + "/brelix-fuzz-write-back-" + std::to_string(getpid());
  return dir;
}

std::string Path(const std::string& name) { return Sandbox() + "/" + name; }

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void MakeSandbox() {
  fs::remove_all(Sandbox());
  fs::create_directories(Path("sub"));
  for (const SandboxFile& f : kFiles) std::ofstream(Path(f.name), std::ios::binary) << f.bytes;
  fs::permissions(Path("locked.tw"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  for (const SandboxLink& l : kLinks) fs::create_symlink(l.target, Path(l.name));
}

bool IsKnown(const std::string& relative) {
  if (relative == "sub") return true;
  for (const SandboxFile& f : kFiles)
    if (relative == f.name) return true;
  for (const SandboxLink& l : kLinks)
    if (relative == l.name) return true;
  return false;
}

bool EndsInTw(const std::string& name) {
  if (name.size() < 3) return false;
  std::string end = name.substr(name.size() - 3);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".tw";
}

// The sandbox after the instance is gone: what may have changed, did; nothing else.
void CheckSandbox(const std::string& named) {
  for (const SandboxFile& f : kFiles) {
    const std::string path = Path(f.name);
    if (fs::is_symlink(path) || !fs::is_regular_file(path)) std::abort();
    if (!f.patch && Bytes(path) != f.bytes) std::abort();
  }
  for (const SandboxLink& l : kLinks)
    if (!fs::is_symlink(Path(l.name)) || fs::read_symlink(Path(l.name)) != l.target) std::abort();
  std::error_code error;
  const std::string resolved_named = fs::weakly_canonical(named, error).string();
  for (auto it = fs::recursive_directory_iterator(Sandbox()); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relative = it->path().string().substr(Sandbox().size() + 1);
    if (IsKnown(relative)) continue;
    // A new file: only the absolute ".tw" name the chunk gave, in a folder that existed.
    if (named.empty() || named.front() != '/' || !EndsInTw(relative) || it->path().string() != resolved_named)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static YesDialogs dialogs;
  static brelix::fuzz::SilentMessages messages;
  brelix::SetDialogs(&dialogs);
  brelix::SetMessageBoxes(&messages);
  MakeSandbox();
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Sandbox(), ignored);
  });
  brelix::PluginDirectory = Sandbox() + "/";
  return 0;
}

// What an input may have changed back as it was: the patch files rewritten, new files gone (the
// rest cannot have changed, or the check would have stopped the run).
void RestoreSandbox() {
  for (const SandboxFile& f : kFiles)
    if (f.patch) std::ofstream(Path(f.name), std::ios::binary | std::ios::trunc) << f.bytes;
  std::vector<fs::path> added;
  for (auto it = fs::recursive_directory_iterator(Sandbox()); it != fs::recursive_directory_iterator(); ++it)
    if (!IsKnown(it->path().string().substr(Sandbox().size() + 1))) added.push_back(it->path());
  for (const fs::path& path : added) fs::remove(path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The name: one of the sandbox's, or the chunk's own bytes inside the sandbox (no "..").
  const uint8_t choice = data[0];
  const uint16_t param = static_cast<uint16_t>(data[1] | (data[2] << 8));
  std::vector<uint8_t> block(data + 3, data + size);
  if (block.size() < brelix::kProgramChunkSize) block.resize(brelix::kProgramChunkSize, 0);
  std::string named;
  if (choice < std::size(kNames)) {
    const std::string name = kNames[choice];
    named = name.front() == '!' ? name.substr(1) : Path(name);
  } else {
    std::string own(reinterpret_cast<const char*>(block.data() + 9), strnlen(reinterpret_cast<const char*>(block.data() + 9), block[8]));
    for (size_t at = own.find(".."); at != std::string::npos; at = own.find("..")) own.replace(at, 2, "__");
    named = Path(own).substr(0, brelix::kChunkFileNameSize);
  }
  block[8] = static_cast<uint8_t>(named.size());
  std::memcpy(block.data() + 9, named.data(), named.size());

  // A relative name lands wherever the host runs: nothing may appear there either.
  const bool relative = !named.empty() && named.front() != '/';
  const bool was_there = relative && fs::exists(named);

  // Building an instance costs far more than the rest (its editor, its tables), so one serves at
  // least 256 inputs; after those, an input whose second byte is 0 closes it (answering Yes to the
  // save question) and the next builds a new one. (The fuzzer keeps such inputs, since closing
  // reaches code of its own: without the count they would close almost every instance.)
  constexpr int kInputsPerInstance = 256;
  static brelix::XSynthesizer* synth = nullptr;
  static int served = 0;
  if (synth == nullptr) {
    synth = brelix::XSynthesizer::Create(&brelix::fuzz::Host);
    served = 0;
  }
  const bool close = ++served >= kInputsPerInstance && data[1] == 0;
  AEffect* e = synth->Effect();
  // The whole restore (which reloads every editor control) for one input in 64; the others
  // take only the chunk's file name, which is all the write-back goes by. Reading the rest of the
  // chunk is the chunk target's.
  if ((data[2] & 0x3F) == 0) {
    synth->SetChunk(block.data(), static_cast<int64_t>(block.size()), false);
  } else if (const std::optional<brelix::ProgramChunkFields> fields = brelix::ProgramChunkRead(block.data(), static_cast<int64_t>(block.size()))) {
    synth->Multi->PatchFile = fields->PatchFile;
  }
  // The project's automation: one parameter write; whatever it touched, the patch has changed.
  e->setParameter(e, param % e->numParams, static_cast<float>(param >> 9) / 127.0f);
  synth->Multi->Modified = true;
  // The name the instance went with: the chunk's, or its own when the block was refused.
  const std::string patch_file = synth->Multi->PatchFile;
  void* chunk = nullptr;
  synth->GetChunk(&chunk, false);
  if (close) {
    synth->Multi->Modified = true;
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    synth = nullptr;
  }
  CheckSandbox(patch_file);
  if (relative && !was_there && fs::exists(named)) std::abort();
  RestoreSandbox();
  return 0;
}
