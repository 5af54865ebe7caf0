// A small engine for module tests: an arena with its constant block and tables, one patch record
// and one voice work record, all zero until a test sets what it needs.
#pragma once

#include <memory>

#include "engine/engine_tables.h"
#include "engine/global_memory.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix::testing {

struct EngineFixture {
  EngineFixture() {
    sw = memory.AllocRecord<XSynthWork>();
    SynthWorkFill(*sw);
    EngineTablesBuild(memory);
    patch = memory.AllocRecord<XPatch>();
    patch->GlobalMemory = &memory;
    patch->SynthWork = sw;
    work = memory.AllocRecord<XPatchWork>();
    work->Patch = patch;
  }
  // The engine memory base seen as single-precision elements.
  const float* base() const { return reinterpret_cast<const float*>(memory.GlobalStart); }
  const float* table(uint32_t element_offset) const { return base() + element_offset; }

  XGlobalMemory memory{4};
  XSynthWork* sw = nullptr;
  XPatch* patch = nullptr;
  XPatchWork* work = nullptr;
};

}  // namespace brelix::testing
