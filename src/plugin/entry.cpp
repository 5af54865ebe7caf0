// The library's only exports: the VST 2.4 entry point, under its own name and again as "main"
// for hosts that look for that name.
#include "plugin/plugin_entry.h"
#include "synth/synthesizer.h"

namespace {

brelix::AudioEffect* CreateBrelix(audioMasterCallback host) { return brelix::XSynthesizer::Create(host); }

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  return brelix::PluginEntry(host, &CreateBrelix);
}

// The same function under the symbol name "main" (one address, two names).
extern "C" AEffect* VSTPluginMainAsMain(audioMasterCallback host) __asm__("main")
    __attribute__((visibility("default"), alias("VSTPluginMain")));
