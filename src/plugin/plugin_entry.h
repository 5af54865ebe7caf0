// What the exported entry function does for each instance a host asks for: check the processor
// and the host, build the instance behind a progress box, and hand its AEffect record out.
#pragma once

#include "plugin/audio_effect.h"
#include "plugin/plugin_module.h"
#include "plugin/vst24.h"

namespace brelix {

// Builds one instance for `host`; may throw (any failure counts as "Initialization error!").
using EffectFactory = AudioEffect* (*)(audioMasterCallback host);
using ProcessorCheck = bool (*)();

// The entry function's steps. Returns the instance's record, or none when no instance was made.
// Never throws.
AEffect* PluginEntry(audioMasterCallback host, EffectFactory create, ProcessorCheck hasSSE3 = &CheckSSE3);

}  // namespace brelix
