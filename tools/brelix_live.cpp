// brelix: the synthesizer played live through a JACK server, with its editor and a keyboard in a
// window of its own (or none, with --no-gui). The plug-in is hosted through its entry point as a
// DAW hosts it; its state is kept from one start to the next.
#include <cairo.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/printable_text.h"
#include "interruption.h"
#include "jack_session.h"
#include "library_patches.h"
#include "kept_chunk.h"
#include "live_options.h"
#include "live_plugin.h"
#include "live_server.h"
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

// The chunk the instance would start with without the command line: the one kept from last
// time, or its own.
std::vector<uint8_t> KeptChunk(const LiveState& state, LivePlugin& plugin) {
  try {
    if (std::optional<std::vector<uint8_t>> kept = state.LoadChunk()) return *kept;
  } catch (const std::exception& error) {
    Note(std::string(error.what()) + "; starting afresh");
  }
  return plugin.GetChunk();
}

// `before` with the command line's patch, channel and voice count put in.
std::vector<uint8_t> ChunkToRestore(const LiveOptions& options, const std::vector<uint8_t>& before, LivePlugin& plugin) {
  const StateChanges changes{.PatchFile = options.PatchPath, .Channel = options.Channel, .Voices = options.Voices};
  const bool changed = !changes.PatchFile.empty() || changes.Channel != 0 || changes.Voices != 0;
  if (!changed) return before;
  try {
    return ChangedChunk(before, changes);
  } catch (const StateError& error) {
    if (!options.PatchPath.empty() && !FileExists(options.PatchPath)) throw;
    Note(std::string("the kept state is not understood (") + error.what() + "); starting afresh");
  }
  return ChangedChunk(plugin.GetChunk(), changes);
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

// Without a window the program plays until Ctrl-C or SIGTERM (or, with --quit-without-server,
// the server's end), through the server's comings and goings as with one.
void WaitHeadless(LiveServer& server) {
  using namespace std::chrono_literals;
  while (!server.Ended()) {
    try {
      ThrowIfInterrupted();
    } catch (const Interrupted&) {
      return;
    }
    server.Tend();
    std::this_thread::sleep_for(20ms);
  }
}

int Run(const LiveOptions& options) {
  CatchInterruptions();
  const LiveState state;
  if (!options.PatchPath.empty()) CheckPatchToPlay(options.PatchPath);
  const std::string pluginPath = FindPlugin(options.PluginPath);

  // The server first: without one nothing else is worth starting.
  auto session = std::make_unique<JackSession>();
  const float rate = session->SampleRate();
  const int32_t block = session->BlockSize();
  LivePlugin plugin(pluginPath);
  plugin.Start(rate, block);
  // However Run ends, the server stops calling into the plug-in before it closes.
  LiveServer server(std::move(session), plugin, options.Connect, options.QuitWithoutServer, Note);
  const std::vector<uint8_t> before = KeptChunk(state, plugin);
  std::vector<uint8_t> chunk = ChunkToRestore(options, before, plugin);
  plugin.SetChunk(chunk);
  // What the run started with, as the instance holds it: what still equals it at quit was not
  // changed by the player.
  const std::vector<uint8_t> started = plugin.ChunkAsItIs();
  server.Start();
  // The window before the word that it plays: without a display nothing plays.
  std::optional<LiveWindow> window;
  if (!options.NoGui) window.emplace(plugin, server, state.LoadWindowPosition(), state.LoadLowestKey());
  std::fprintf(stderr, "brelix: playing %s as JACK client '%s' at %.0f Hz, %d frames a block\n",
               PatchNameOf(chunk).c_str(), PrintableText(server.ClientName()).c_str(), server.SampleRate(), server.BlockSize());

  std::optional<WindowPosition> position;
  std::optional<int> lowestKey;
  bool displayLost = false;
  if (window) {
    window->Run();
    position = window->Position();
    lowestKey = window->LowestKey();
    displayLost = window->DisplayLost();
    if (displayLost) Note("the X display went away; quitting");
    window.reset();
  } else {
    WaitHeadless(server);
  }
  // Nothing from here on waits for the server, which may have stopped answering: the state is
  // kept before the client is closed.
  server.Stop();

  const bool gone = server.Ended();
  if (gone) Note("the JACK server went away (" + PrintableText(server.Reason()) + "); quitting");
  // The state kept is the instance's as it is now: the patch loaded last, the channel and voice
  // count chosen in the editor; what only the command line changed for this run goes back to
  // what was kept before. A changed patch is not saved into its file here, behind the user's
  // back: the plug-in's own question settles that when it closes.
  if (std::vector<uint8_t> now = plugin.ChunkAsItIs(); !now.empty()) chunk = ChunkToKeep(before, started, now);
  int result = gone || displayLost ? 1 : 0;
  try {
    if (!chunk.empty()) state.StoreChunk(chunk);
    if (position) state.StoreWindowPosition(*position);
    if (lowestKey) state.StoreLowestKey(*lowestKey);
  } catch (const std::exception& error) {
    Note(error.what());
    result = 1;
  }
  if (server.Xruns() > 0) Note(std::to_string(server.Xruns()) + " xrun(s) while playing");
  if (!server.Close(kServerWait)) {
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
