// brelix-patch-doc: plays every patch under a folder through the plug-in's entry point, as a host
// plays it, the same short phrase each time (a rising arpeggio C3 G3 C4 E4, then the chord C3 G3
// E4 held and released), draws a small spectrogram of each with the editor's own canvas into a
// PNG, and writes the page that lists the patches by family with their one-line descriptions and
// pictures:
//
//   build/tools/brelix-patch-doc build/Brelix64.so patches docs
//
// writes docs/patches.md and docs/patches/<family>/<patch>.png. The renders are seeded, so the
// pictures are the same on every run.
#include <cairo.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "base/printable_text.h"
#include "render_state.h"
#include "ui/canvas.h"
#include "vst_host.h"

namespace {

namespace fs = std::filesystem;

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;
constexpr double kSeconds = 3.2;
constexpr int kWidth = 192, kHeight = 64;  // the spectrogram's cells, one pixel each
constexpr int kWindow = 2048;
constexpr double kLowHz = 40.0, kHighHz = 16000.0, kRangeDb = 72.0;

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

// The level in dB of each cell: columns in time, rows at log-spaced frequencies (row 0 the
// highest), each a Hann-windowed single-frequency transform of the window around the column.
std::vector<double> Spectrogram(const std::vector<float>& sound) {
  std::vector<double> hann(kWindow);
  for (int i = 0; i < kWindow; ++i) hann[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kWindow);
  std::vector<double> cells(kWidth * kHeight, -300.0);
  for (int x = 0; x < kWidth; ++x) {
    const long centre = static_cast<long>((x + 0.5) * static_cast<double>(sound.size()) / kWidth);
    const long start = centre - kWindow / 2;
    for (int y = 0; y < kHeight; ++y) {
      const double hz = kLowHz * std::pow(kHighHz / kLowHz, 1.0 - (y + 0.5) / kHeight);
      const double step = 2.0 * std::numbers::pi * hz / kRate;
      double re = 0.0, im = 0.0;
      for (int i = 0; i < kWindow; ++i) {
        const long at = start + i;
        if (at < 0 || at >= static_cast<long>(sound.size())) continue;
        const double v = sound[at] * hann[i];
        re += v * std::cos(step * i), im -= v * std::sin(step * i);
      }
      cells[y * kWidth + x] = 10.0 * std::log10(re * re + im * im + 1e-30);
    }
  }
  return cells;
}

// Dark blue through red to pale yellow, in eight steps (few colours keep the files small).
brelix::ui::TColor Heat(double level) {
  static const brelix::ui::TColor steps[] = {0x200A0A, 0x5A1A28, 0x8A1E5A, 0x6A20B0, 0x2A40E0, 0x1A80F0, 0x40C0F8, 0xB0F0FF};
  const int index = std::clamp(static_cast<int>(level * 8.0), 0, 7);
  return steps[index];
}

bool DrawPng(const std::vector<double>& cells, const fs::path& file) {
  const double top = *std::max_element(cells.begin(), cells.end());
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  brelix::ui::TCanvas canvas(cr, {0, 0, kWidth, kHeight});
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      canvas.FillRect({x, y, x + 1, y + 1}, Heat(1.0 + (cells[y * kWidth + x] - top) / kRangeDb));
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}

// The patch's name and its one-line description: the first comment line, "Name: what it is."
std::pair<std::string, std::string> Described(const fs::path& patch) {
  std::ifstream in(patch);
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.starts_with(";")) line = line.substr(line.find_first_not_of("; "));
  const size_t colon = line.find(": ");
  if (colon == std::string::npos) return {patch.stem().string(), line};
  return {line.substr(0, colon), line.substr(colon + 2)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: brelix-patch-doc PLUGIN PATCH-FOLDER DOCS-FOLDER\n");
    return 1;
  }
  setenv("BRELIX_SEED", "1", 1);
  const std::string plugin = argv[1];
  const fs::path patches = argv[2], docs = argv[3];
  std::map<std::string, std::vector<fs::path>> families;
  for (const auto& entry : fs::recursive_directory_iterator(patches))
    if (entry.is_regular_file() && entry.path().extension() == ".tw")
      families[fs::relative(entry.path().parent_path(), patches).string()].push_back(entry.path());

  std::ofstream page(docs / "patches.md");
  page << "# The patches\n\n<!-- Generated by brelix-patch-doc; the pictures are spectrograms of the same phrase for "
          "every patch. -->\n\n"
          "Every patch that ships in `patches/`, by family, with what it is and a spectrogram of the same short "
          "phrase: C3 G3 C4 E4 as a quarter-second arpeggio, then C3 G3 E4 held for a second and let go (velocity "
          "100, 3.2 seconds). Time runs to the right, pitch upwards from 40 Hz to 16 kHz on a logarithmic scale, "
          "the colour spans 72 dB from dark to pale. What the mod wheel, velocity and pressure do is written in "
          "each patch's own comment.\n";
  for (auto& [family, files] : families) {
    std::sort(files.begin(), files.end());
    std::string title = family == "." ? "Other" : family;  // "plucks-and-mallets": "Plucks and mallets"
    std::replace(title.begin(), title.end(), '-', ' ');
    title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    page << "\n## " << title << "\n\n| Patch | What it is | Phrase |\n|---|---|---|\n";
    fs::create_directories(docs / "patches" / family);
    for (const fs::path& file : files) {
      const fs::path picture = fs::path("patches") / family / (file.stem().string() + ".png");
      if (!DrawPng(Spectrogram(Play(plugin, file.string())), docs / picture)) {
        std::fprintf(stderr, "brelix-patch-doc: cannot write %s\n", brelix::PrintableText((docs / picture).string()).c_str());
        return 1;
      }
      const auto [name, description] = Described(file);
      page << "| **" << name << "** `" << fs::relative(file, patches).string() << "` | " << description << " | ![" << name
           << "](" << picture.lexically_normal().string() << ") |\n";
      std::printf("%s\n", brelix::PrintableText((docs / picture).string()).c_str());
    }
  }
  return page ? 0 : 1;
}
