// brelix-render: renders a Standard MIDI File through the Brelix plug-in into a WAV file.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/printable_text.h"
#include "held_notes.h"
#include "interruption.h"
#include "library_patches.h"
#include "midi_file.h"
#include "output_meter.h"
#include "patch/file_io.h"
#include "patch/patch_file.h"
#include "patch/program_chunk.h"
#include "patch_check.h"
#include "patch_facts.h"
#include "plugin_target.h"
#include "progress_bar.h"
#include "render_files.h"
#include "render_options.h"
#include "render_schedule.h"
#include "render_state.h"
#include "song_warnings.h"
#include "sustain_pedal.h"
#include "wav_output.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

// The quiet kept at the end of a file whose tail ended by itself.
constexpr double kQuietKeptSeconds = 0.5;
// Dither repeats from render to render: without --seed it takes this seed.
constexpr uint32_t kDefaultDitherSeed = 1;

const char* FormatName(WavSampleFormat format) {
  switch (format) {
    case WavSampleFormat::Pcm16: return "16-bit PCM";
    case WavSampleFormat::Pcm24: return "24-bit PCM";
    case WavSampleFormat::Float32: break;
  }
  return "32-bit float";
}

// The patch file a render plays, checked as --check-patch checks it: a file that is no patch
// ends the render before it starts; warnings are shown and the render goes on, as the plug-in
// would play the file. A sample that cannot be loaded the plug-in reports itself.
void CheckPatchToPlay(const std::string& path) {
  const PatchCheck check = CheckPatchFile(path, /*samples=*/false);
  for (const PatchProblem& problem : check.Problems) {
    std::fprintf(stderr, "brelix-render: %s\n", DescribeProblem(path, problem).c_str());
  }
  if (!check.IsPatch()) throw std::runtime_error("the patch file '" + PrintableText(path) + "' cannot be played");
}

// The state to restore: --load-state's chunk, or none for the instance's own.
std::optional<std::vector<uint8_t>> SavedState(const RenderOptions& options) {
  if (options.LoadStatePath.empty()) return std::nullopt;
  std::vector<uint8_t> chunk = ReadStateFile(options.LoadStatePath);
  const std::string patch = ChunkPatchFile(chunk);
  // A state file written since the chunk carries the patch plays that patch when its file is gone.
  const bool carried = ProgramChunkRead(chunk.data(), static_cast<int64_t>(chunk.size()))->Patch.has_value();
  if (!patch.empty() && !FileExists(patch)) {
    std::fprintf(stderr, "brelix-render: note: the patch file '%s' that %s names is missing; %s plays\n",
                 PrintableText(patch).c_str(), PrintableText(options.LoadStatePath).c_str(),
                 carried ? "the patch saved with it" : "the default patch");
  } else if (!patch.empty() && carried && !IsPatchFile(patch)) {
    std::fprintf(stderr, "brelix-render: note: '%s' that %s names is no patch file; the patch saved with it plays\n",
                 PrintableText(patch).c_str(), PrintableText(options.LoadStatePath).c_str());
  } else if (!patch.empty()) {
    CheckPatchToPlay(patch);
  }
  return chunk;
}

// No input is written over, no file written twice, and no file the user protected is replaced.
void CheckWrittenFiles(const RenderOptions& options, const std::string& patchPath) {
  const RenderFile output{"the output", options.OutputPath == kStandardOutput ? "" : options.OutputPath};
  const RenderFile stateOut{"the state file to write", options.SaveStatePath};
  const RenderFile files[] = {{"the MIDI file", options.MidiPath},
                              {"the patch file", patchPath},
                              {"the state file to load", options.LoadStatePath},
                              output,
                              stateOut};
  CheckFilesDiffer(files);
  if (options.OutputPath == kStandardOutput) CheckStandardOutputDiffers(files);
  if (!output.Path.empty()) CheckMayReplace(output);
  if (!stateOut.Path.empty()) {
    CheckStateFileCanBeWritten(stateOut.Path);
    CheckMayReplace(stateOut);
  }
}

// --patch, --load-state, --channel and --voices: the chunk a host would restore, made from the
// saved one or the instance's own.
void RestoreState(const RenderOptions& options, const std::optional<std::vector<uint8_t>>& saved,
                  PluginTarget& plugin) {
  const StateChanges changes{.PatchFile = options.PatchPath, .Channel = options.Channel, .Voices = options.Voices};
  if (!saved && changes.PatchFile.empty() && changes.Channel == 0 && changes.Voices == 0) return;
  plugin.SetChunk(ChangedChunk(saved ? *saved : plugin.GetChunk(), changes));
}

// The time stamp of a seeded render's file: $SOURCE_DATE_EPOCH when it holds a time the file can
// store, else 0, so that renders repeat byte for byte.
uint32_t SourceDate() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr) return 0;
  char* end = nullptr;
  errno = 0;
  const unsigned long long seconds = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || *text == '-' || seconds > UINT32_MAX) return 0;
  return static_cast<uint32_t>(seconds);
}

// Whether the patch the instance plays holds notes while the pedal is down: the patch its chunk
// carries, as the plug-in plays it (a bare record carries none: no).
bool PlayedPatchHoldsNotes(const std::vector<uint8_t>& chunk) {
  const std::optional<ProgramChunkFields> fields = ProgramChunkRead(chunk.data(), static_cast<int64_t>(chunk.size()));
  return fields && fields->Patch && PedalHoldsNotes(*fields->Patch);
}

// The song as the plug-in is to hear it, with what a musician would miss said: the patch's
// preview note left out (or released at the end), the pedal held (--pedal, for a patch that does
// not hold notes itself), notes still held at the end released there.
void PrepareSong(const RenderOptions& options, const std::vector<uint8_t>& chunk, double sampleRate, MidiSong& song) {
  const int channel = ChunkChannel(chunk);
  const std::string patch = ChunkPatchFile(chunk);
  if (const int preview = PreviewNote(patch); preview >= 0) {
    const MidiMessage off = NoteOff(channel - 1, preview & 0xFF);
    if (options.PreviewNote) {
      song.Events.push_back({song.EndSeconds, off});
    } else {
      song.Events.insert(song.Events.begin(), {0.0, off});
      std::fprintf(stderr, "brelix-render: warning: the patch %s sounds its preview note %d (PlayNote) when it is "
                   "loaded; the render leaves it out (--preview-note keeps it)\n", PrintableText(patch).c_str(), preview);
    }
  }
  const bool patchHoldsNotes = PlayedPatchHoldsNotes(chunk);
  if (options.Pedal && !patchHoldsNotes) HoldNotesWithPedal(song);
  const SongListener listener{.Channel = channel,
                              .HearsPedal = options.Pedal || patchHoldsNotes || ReadsController(patch, kSustainController),
                              .SampleRate = sampleRate};
  for (const std::string& warning : SongWarnings(song, PrintableText(options.MidiPath), listener)) {
    std::fprintf(stderr, "brelix-render: warning: %s\n", warning.c_str());
  }
  const size_t events = song.Events.size();
  ReleaseHeldNotes(song);
  if (song.Events.size() > events) {
    std::fprintf(stderr, "brelix-render: note: %zu note(s) still held at the end of %s are released there\n",
                 song.Events.size() - events, PrintableText(options.MidiPath).c_str());
  }
}

// Where an automatic tail's file ends: a little after the sound has fallen quiet for good, or
// with the song when the sound ended within it.
int64_t EndOfSound(int64_t songFrames, int64_t rendered, int64_t quietFrames, double rate) {
  const int64_t lastSound = rendered - quietFrames;
  if (lastSound <= songFrames) return songFrames;
  return std::min(rendered, lastSound + EventFrame(kQuietKeptSeconds, rate));
}

// The line that ends every render: the file, its length, its peak and what clipped.
void ReportOutput(const WavWriter& wav, const OutputMeter& meter, int sampleRate) {
  const bool pcm = wav.Format() != WavSampleFormat::Float32;
  const int64_t over = pcm ? wav.ClippedSamples() : meter.SamplesAboveFullScale();
  // The quiet an automatic tail cuts off is below this too, so the peak is the file's.
  char peak[32] = "silent (below -90 dBFS)";
  if (Decibels(meter.Peak()) >= kQuietDecibels) std::snprintf(peak, sizeof peak, "peak %+.1f dBFS", Decibels(meter.Peak()));
  std::string clipping;
  if (pcm) clipping = over == 0 ? "nothing clipped" : std::to_string(over) + " samples clipped";
  else clipping = over == 0 ? "nothing above 0 dBFS" : std::to_string(over) + " samples above 0 dBFS (kept in the float file)";
  std::fprintf(stderr, "brelix-render: %swrote %s: %.1f s, %d Hz, %s, %s, %s\n", pcm && over > 0 ? "warning: " : "",
               wav.Path() == kStandardOutput ? "standard output" : PrintableText(wav.Path()).c_str(),
               static_cast<double>(wav.Frames()) / sampleRate, sampleRate,
               FormatName(wav.Format()), peak, clipping.c_str());
}

int Run(const RenderOptions& options) {
  CatchInterruptions();
  const bool onTerminal = isatty(STDERR_FILENO) == 1;

  MidiSong song;
  try {
    song = ReadMidiFile(options.MidiPath, {.TempoBpm = options.TempoBpm});
  } catch (const MidiFileError& error) {
    throw std::runtime_error(PrintableText(options.MidiPath) + ": " + error.what());
  }
  if (song.SmpteTiming && options.TempoBpm > 0.0) {
    std::fprintf(stderr, "brelix-render: note: %s counts SMPTE time; --tempo sets only the plug-in's clock\n",
                 PrintableText(options.MidiPath).c_str());
  }
  if (song.Events.empty()) {
    std::fprintf(stderr, "brelix-render: note: %s holds no notes or controllers; the output is silent\n",
                 PrintableText(options.MidiPath).c_str());
  }

  // Everything that can be refused is refused before the render starts.
  if (!options.PatchPath.empty()) CheckPatchToPlay(options.PatchPath);
  const std::optional<std::vector<uint8_t>> saved = SavedState(options);
  CheckWrittenFiles(options, saved ? ChunkPatchFile(*saved) : options.PatchPath);
  const std::string pluginPath = FindPlugin(options.PluginPath);
  if (options.Seed) setenv("BRELIX_SEED", std::to_string(*options.Seed).c_str(), 1);

  const RenderSettings settings{.SampleRate = static_cast<double>(options.SampleRate),
                                .BlockSize = options.BlockSize,
                                .Tail = {.FixedSeconds = options.TailSeconds}};
  const int64_t songFrames = SongFrames(song, settings);
  const int64_t longest = LongestRender(song, settings);

  // The WAV goes to a temporary file until it is complete, so a render that fails leaves any
  // older file of that name as it was.
  WavWriter wav(options.OutputPath, options.SampleRate, options.Format, longest);
  if (options.Dither) wav.EnableDither(options.Seed.value_or(kDefaultDitherSeed));
  if (const char* seed = std::getenv("BRELIX_SEED"); seed != nullptr && *seed != '\0') wav.FixTimestamp(SourceDate());
  OutputMeter meter;
  ProgressBar progress(options.TailSeconds ? longest : songFrames, settings.SampleRate, onTerminal);
  auto plugin = std::make_unique<PluginTarget>(pluginPath, settings, song.Tempos, meter,
                                               [&](const float* left, const float* right, int frames) {
                                                 wav.Write(left, right, static_cast<size_t>(frames));
                                                 progress.Advance(frames);
                                               });
  RestoreState(options, saved, *plugin);
  PrepareSong(options, plugin->GetChunk(), settings.SampleRate, song);

  const int64_t rendered = RunRenderSchedule(song, settings, *plugin);
  if (!options.SaveStatePath.empty()) WriteStateFile(options.SaveStatePath, plugin->GetChunk());
  plugin.reset();
  progress.Finish();
  if (!options.TailSeconds) {
    const double quietNeeded = settings.Tail.QuietSeconds * settings.SampleRate;
    if (static_cast<double>(meter.QuietFrames()) < quietNeeded) {
      std::fprintf(stderr, "brelix-render: note: the sound had not died away %.0f s after the song's end; the file "
                   "ends there (--tail SECONDS sets another length)\n", settings.Tail.LongestSeconds);
    }
    wav.Truncate(EndOfSound(songFrames, rendered, meter.QuietFrames(), settings.SampleRate));
  }
  wav.Close();
  ReportOutput(wav, meter, options.SampleRate);
  return 0;
}

// --check-patch: every file's problems on standard output, then one line for the file.
// 0: all are patches without a fault; 1: one is no patch; 2: all are patches, with warnings.
int CheckPatches(const std::vector<std::string>& paths) {
  int result = 0;
  for (const std::string& path : paths) {
    const PatchCheck check = CheckPatchFile(path);
    for (const PatchProblem& problem : check.Problems) std::printf("%s\n", DescribeProblem(path, problem).c_str());
    if (!check.IsPatch()) {
      result = 1;
    } else if (check.Warnings() > 0) {
      std::printf("%s: %d warning(s)\n", PrintableText(path).c_str(), check.Warnings());
      if (result == 0) result = 2;
    } else {
      std::printf("%s: a patch, no problems\n", PrintableText(path).c_str());
    }
  }
  return result;
}

}  // namespace
}  // namespace brelix

int main(int argc, char** argv) {
  // The plug-in never opens a window here: without a display its messages go to standard error,
  // and a render never waits for a click on a box nobody sees.
  unsetenv("DISPLAY");
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    const brelix::RenderOptions options = brelix::ParseRenderOptions(args);
    if (options.ShowHelp) {
      std::fputs(brelix::RenderUsage(), stdout);
      return 0;
    }
    if (options.ListPatches) {
      brelix::ListLibraryPatches(stdout);
      return 0;
    }
    if (!options.CheckPatchPaths.empty()) return brelix::CheckPatches(options.CheckPatchPaths);
    return brelix::Run(options);
  } catch (const brelix::Interrupted& interruption) {
    std::fprintf(stderr, "\nbrelix-render: %s; nothing written\n", interruption.what());
    brelix::EndBySignal(interruption.Signal());
  } catch (const brelix::UsageError& error) {
    std::fprintf(stderr, "brelix-render: %s\nTry 'brelix-render --help'.\n", error.what());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brelix-render: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "brelix-render: unexpected error\n");
  }
  return 1;
}
