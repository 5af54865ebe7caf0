// brelix: the synthesizer played live through a JACK server, with its editor and a keyboard in a
// window of its own (or none, with --no-gui). The plug-in is hosted through its entry point as a
// DAW hosts it; its state is kept from one start to the next.
#include <cairo.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/printable_text.h"
#include "interruption.h"
#include "jack_session.h"
#include "library_patches.h"
#include "live_options.h"
#include "live_plugin.h"
#include "live_state.h"
#include "live_window.h"
#include "patch/file_io.h"
#include "patch/program_chunk.h"
#include "patch_check.h"
#include "plugin_target.h"
#include "render_options.h"
#include "render_state.h"

namespace brelix {
namespace {

// How long quitting waits for the server to let the client go.
constexpr std::chrono::milliseconds kServerWait{1000};

void Note(const std::string& text) { std::fprintf(stderr, "brelix: %s\n", text.c_str()); }

// The chunk the instance starts with: the one kept from last time (or its own), with the
// command line's patch, channel and voice count put in.
std::vector<uint8_t> ChunkToRestore(const LiveOptions& options, const LiveState& state, LivePlugin& plugin) {
  std::optional<std::vector<uint8_t>> kept;
  try {
    kept = state.LoadChunk();
  } catch (const std::exception& error) {
    Note(std::string(error.what()) + "; starting afresh");
  }
  const StateChanges changes{.PatchFile = options.PatchPath, .Channel = options.Channel, .Voices = options.Voices};
  const bool changed = !changes.PatchFile.empty() || changes.Channel != 0 || changes.Voices != 0;
  if (kept && !changed) return *kept;
  if (kept) {
    try {
      return ChangedChunk(*kept, changes);
    } catch (const StateError& error) {
      if (!options.PatchPath.empty() && !FileExists(options.PatchPath)) throw;
      Note(std::string("the kept state is not understood (") + error.what() + "); starting afresh");
    }
  }
  const std::vector<uint8_t> own = plugin.GetChunk();
  return changed ? ChangedChunk(own, changes) : own;
}

std::string PatchNameOf(const std::vector<uint8_t>& chunk) {
  try {
    return PrintableText(std::filesystem::path(ChunkPatchFile(chunk)).filename().string());
  } catch (const std::exception&) {
    return {};
  }
}

void CheckPatchToPlay(const std::string& path) {
  const PatchCheck check = CheckPatchFile(path);
  for (const PatchProblem& problem : check.Problems) Note(DescribeProblem(path, problem));
  if (!check.IsPatch()) throw std::runtime_error("the patch file '" + PrintableText(path) + "' cannot be played");
}

// Without a window the program plays until Ctrl-C, SIGTERM or the server's end.
void WaitHeadless(JackSession& session) {
  using namespace std::chrono_literals;
  while (!session.ServerGone()) {
    try {
      ThrowIfInterrupted();
    } catch (const Interrupted&) {
      return;
    }
    session.Tend();
    std::this_thread::sleep_for(20ms);
  }
}

int Run(const LiveOptions& options) {
  CatchInterruptions();
  const LiveState state;
  if (!options.PatchPath.empty()) CheckPatchToPlay(options.PatchPath);
  const std::string pluginPath = FindPlugin(options.PluginPath);

  // The server first: without one nothing else is worth starting.
  JackSession session;
  LivePlugin plugin(pluginPath);
  // However Run ends, the server stops calling into the plug-in before it closes.
  struct StopFirst {
    JackSession& session;
    ~StopFirst() { session.Stop(); }
  } stopFirst{session};
  plugin.Start(session.SampleRate(), session.BlockSize());
  std::vector<uint8_t> chunk = ChunkToRestore(options, state, plugin);
  plugin.SetChunk(chunk);
  session.Start(plugin);
  if (options.Connect) {
    const std::string problems = session.Connect();
    if (!problems.empty()) Note(problems.substr(0, problems.size() - 1));
  }
  // The window before the word that it plays: without a display nothing plays.
  std::optional<LiveWindow> window;
  if (!options.NoGui) window.emplace(plugin, session, state.LoadWindowPosition());
  std::fprintf(stderr, "brelix: playing %s as JACK client '%s' at %.0f Hz, %d frames a block\n",
               PatchNameOf(chunk).c_str(), PrintableText(session.ClientName()).c_str(), session.SampleRate(), session.BlockSize());

  std::optional<WindowPosition> position;
  bool displayLost = false;
  if (window) {
    window->Run();
    position = window->Position();
    displayLost = window->DisplayLost();
    if (displayLost) Note("the X display went away; quitting");
    window.reset();
  } else {
    WaitHeadless(session);
  }
  // Nothing from here on waits for the server, which may have stopped answering: the state is
  // kept before the client is closed.
  session.Stop();

  const bool gone = session.ServerGone();
  if (gone) Note("the JACK server went away (" + PrintableText(session.Reason()) + "); quitting");
  // The state kept is the instance's as it is now: the patch loaded last, the channel and voice
  // count chosen in the editor. A changed patch is not saved into its file here, behind the
  // user's back: the plug-in's own question settles that when it closes.
  if (std::vector<uint8_t> now = plugin.ChunkAsItIs(); !now.empty()) chunk = std::move(now);
  int result = gone || displayLost ? 1 : 0;
  try {
    if (!chunk.empty()) state.StoreChunk(chunk);
    if (position) state.StoreWindowPosition(*position);
  } catch (const std::exception& error) {
    Note(error.what());
    result = 1;
  }
  if (session.Xruns() > 0) Note(std::to_string(session.Xruns()) + " xrun(s) while playing");
  if (!session.Close(kServerWait)) {
    // The server may still call the client any time: the process ends as it is, the plug-in
    // with it (its chunk, the patch's edits included, is kept).
    Note("the JACK server does not answer; quitting without waiting for it");
    std::fflush(nullptr);
    std::_Exit(1);
  }
  return result;
}

}  // namespace
}  // namespace brelix

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    const brelix::LiveOptions options = brelix::ParseLiveOptions(args);
    if (options.ShowHelp) {
      std::fputs(brelix::LiveUsage(), stdout);
      return 0;
    }
    if (options.ListPatches) {
      brelix::ListLibraryPatches(stdout);
      return 0;
    }
    // Without a window the plug-in's messages go to standard error and no box waits for a click.
    if (options.NoGui) unsetenv("DISPLAY");
    const int result = brelix::Run(options);
    // Cairo keeps its fonts for the life of the process; with the window and the plug-in gone
    // they are given back, so that a leak checker sees what is really left.
    cairo_debug_reset_static_data();
    return result;
  } catch (const brelix::UsageError& error) {
    std::fprintf(stderr, "brelix: %s\nTry 'brelix --help'.\n", error.what());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brelix: %s\n", error.what());
  }
  return 1;
}
