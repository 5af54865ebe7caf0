// brelix-patch-doc: plays every patch under a folder through the plug-in's entry point, as a host
// plays it, the same short phrase each time (a rising arpeggio C3 G3 C4 E4, then the chord C3 G3
// E4 held and released), draws a spectrogram of each with axes and a level legend into a PNG, and
// writes the page that lists the patches by family with their descriptions and pictures:
//
//   build/tools/brelix-patch-doc build/Brelix64.so patches docs
//
// writes docs/patches.md and docs/patches/<family>/<patch>.png. The renders are seeded, so the
// pictures are the same on every run.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/printable_text.h"
#include "patch_page.h"
#include "render_state.h"
#include "phrase_levels.h"
#include "phrase_picture.h"
#include "vst_host.h"

namespace {

namespace fs = std::filesystem;

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;
constexpr double kSeconds = 3.2;
constexpr int kColumns = 512, kRows = 200;  // the spectrogram's cells, one pixel each

struct NoteEvent {
  double at;
  uint8_t status, note;
};

// The phrase: four notes of a quarter second each, then a chord held one second and let go.
std::vector<NoteEvent> Phrase() {
  std::vector<NoteEvent> events;
  const uint8_t arpeggio[] = {48, 55, 60, 64};
  for (int i = 0; i < 4; ++i) {
    events.push_back({0.3 * i, 0x90, arpeggio[i]});
    events.push_back({0.3 * i + 0.25, 0x80, arpeggio[i]});
  }
  for (uint8_t note : {48, 55, 64}) events.push_back({1.3, 0x90, note}), events.push_back({2.3, 0x80, note});
  return events;
}

// The phrase played with the patch, mixed to mono.
std::vector<float> Play(const std::string& plugin, const std::string& patch) {
  brelix::host::HostConfig config;
  config.sample_rate = static_cast<float>(kRate);
  brelix::host::PluginInstance instance(brelix::host::PluginLibrary::Load(plugin), config);
  instance.open();
  instance.setSampleRate(static_cast<float>(kRate));
  instance.setBlockSize(kBlock);
  instance.resume();
  // The instance's own chunk naming the patch file, restored as a host restores a project.
  instance.setChunk(brelix::ChangedChunk(instance.getChunk(), {.PatchFile = fs::absolute(patch).string()}));

  std::vector<NoteEvent> events = Phrase();
  std::vector<float> mono;
  size_t next = 0;
  const int blocks = static_cast<int>(kSeconds * kRate / kBlock);
  for (int b = 0; b < blocks; ++b) {
    std::vector<brelix::host::MidiMessage> due;
    for (; next < events.size() && events[next].at * kRate < (b + 1) * kBlock; ++next)
      due.push_back({events[next].status, events[next].note, 100});
    if (!due.empty()) instance.sendMidi(due);
    instance.process(kBlock);
    for (int i = 0; i < kBlock; ++i) mono.push_back(0.5f * (instance.left()[i] + instance.right()[i]));
  }
  return mono;
}

// Pictures of every patch, then the page; false with a message when something cannot be written.
bool WriteDocs(const std::string& plugin, const fs::path& patches, const fs::path& docs) {
  for (const brelix::PatchFamily& family : brelix::PatchFamilies(patches)) {
    fs::create_directories(docs / "patches" / family.Folder);
    for (const fs::path& file : family.Files) {
      const fs::path picture = docs / brelix::PicturePath(family, file);
      const std::vector<float> sound = Play(plugin, file.string());
      if (!brelix::WriteSpectrogramPng(brelix::SpectrogramOf(sound, kRate, kColumns, kRows), picture)) {
        std::fprintf(stderr, "brelix-patch-doc: cannot write %s\n", brelix::PrintableText(picture.string()).c_str());
        return false;
      }
      std::printf("%s\n", brelix::PrintableText(picture.string()).c_str());
    }
  }
  const fs::path pageFile = docs / "patches.md";
  std::ofstream page(pageFile, std::ios::binary);
  page << brelix::PatchPageMarkdown(patches);
  page.close();
  if (!page) {
    std::fprintf(stderr, "brelix-patch-doc: cannot write %s\n", brelix::PrintableText(pageFile.string()).c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: brelix-patch-doc PLUGIN PATCH-FOLDER DOCS-FOLDER\n");
    return 1;
  }
  setenv("BRELIX_SEED", "1", 1);
  try {
    return WriteDocs(argv[1], argv[2], argv[3]) ? 0 : 1;
  } catch (const std::exception& e) {  // a folder or patch that cannot be read, a plug-in that cannot be loaded
    std::fprintf(stderr, "brelix-patch-doc: %s\n", brelix::PrintableText(e.what()).c_str());
    return 1;
  }
}
