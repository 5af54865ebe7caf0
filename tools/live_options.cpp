#include "live_options.h"

#include <set>
#include <vector>

#include "base/printable_text.h"
#include "render_options.h"

namespace brelix {

const char* LiveUsage() {
  return "Usage: brelix [options]\n"
         "Plays the Brelix synthesizer live through a JACK server (or PipeWire's JACK interface):\n"
         "a client \"Brelix\" with two audio outputs and one MIDI input, with the editor and a\n"
         "keyboard in a window. The patch, channel, voice count and keyboard octave chosen while it\n"
         "plays are kept from one start to the next (in $XDG_CONFIG_HOME/brelix or\n"
         "~/.config/brelix); --patch, --channel and --voices apply to one run only. When the server\n"
         "goes away brelix waits for it to come back.\n"
         "\n"
         "Options:\n"
         "      --connect       connect the outputs to the first two playback ports and every\n"
         "                      physical MIDI source to the input\n"
         "      --patch FILE    play the patch file FILE.tw, or a library patch by name\n"
         "                      (pads/warm-pad, or warm-pad)\n"
         "      --list-patches  list the patch library by family and play nothing\n"
         "      --channel N     the MIDI channel to listen on, 1 to 16\n"
         "      --voices N      the number of voices, 1 to 16\n"
         "      --plugin PATH   the plug-in to load (default: $BRELIX_PLUGIN, the Brelix64.so\n"
         "                      next to this program, ~/.vst, /usr/local/lib/vst, /usr/lib/vst)\n"
         "      --no-gui        run without a window; Ctrl-C quits\n"
         "      --quit-without-server\n"
         "                      end (exit status 1) when the JACK server goes away\n"
         "  -h, --help          show this text\n";
}

LiveOptions ParseLiveOptions(std::span<const std::string> args) {
  LiveOptions options;
  // The options shared with brelix-render go to its parser, with a stand-in for the MIDI file it
  // insists on, so that both programs read and refuse them alike.
  static const std::set<std::string> shared = {"--patch", "--channel", "--voices", "--plugin"};
  // Help is shown whatever else the line holds.
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help") {
      options.ShowHelp = true;
      return options;
    }
  }
  std::vector<std::string> forwarded;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--connect") {
      options.Connect = true;
      continue;
    }
    if (arg == "--no-gui") {
      options.NoGui = true;
      continue;
    }
    if (arg == "--list-patches") {
      options.ListPatches = true;
      continue;
    }
    if (arg == "--quit-without-server") {
      options.QuitWithoutServer = true;
      continue;
    }
    const std::string name = arg.substr(0, arg.find('='));
    if (!shared.contains(name)) {
      if (arg.starts_with("-")) throw UsageError("unknown option '" + PrintableText(arg) + "'");
      throw UsageError("unexpected argument '" + PrintableText(arg) + "'");
    }
    forwarded.push_back(arg);
    if (name == arg) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      forwarded.push_back(args[++i]);
    }
  }
  forwarded.push_back("--");
  forwarded.push_back("live");
  const RenderOptions shared_options = ParseRenderOptions(forwarded);
  options.PluginPath = shared_options.PluginPath;
  options.PatchPath = shared_options.PatchPath;
  options.Channel = shared_options.Channel;
  options.Voices = shared_options.Voices;
  return options;
}

}  // namespace brelix
