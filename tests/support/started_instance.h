// An instance made ready to play as a host does before its first process call: opened, told the
// rate (44.1 kHz) and the largest block (512), and switched on.
#pragma once

#include "vst_host.h"

namespace brelix::testing {

inline void StartAsHost(host::PluginInstance& instance) {
  instance.open();
  instance.setSampleRate(44100.0f);
  instance.setBlockSize(512);
  instance.resume();
}

}  // namespace brelix::testing
