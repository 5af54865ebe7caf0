// An instance that a test edits through its editor: before it closes, its edits go into its patch
// file as a host's project save puts them (effGetChunk), so that closing never stops at the
// question whether to save, also when a check failed half-way.
#pragma once

#include <memory>

#include "vst_host.h"

namespace brelix::testing {

struct SaveThenClose {
  void operator()(host::PluginInstance* instance) const {
    if (instance->is_open()) instance->getChunk();
    delete instance;
  }
};
using SavingInstance = std::unique_ptr<host::PluginInstance, SaveThenClose>;

}  // namespace brelix::testing
