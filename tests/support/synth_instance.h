// A synthesizer instance made without a plug-in host library: a minimal host call-back, and an
// owner that ends the instance through its AEffect record, as a host's effClose does.
#pragma once

#include <memory>

#include "support/minimal_host.h"
#include "synth/synthesizer.h"

namespace brelix::testing {

struct CloseThroughRecord {
  void operator()(XSynthesizer* s) const {
    AEffect* e = s->Effect();
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  }
};
using Synth = std::unique_ptr<XSynthesizer, CloseThroughRecord>;

inline Synth MakeSynth() { return Synth(XSynthesizer::Create(&MinimalHost)); }

}  // namespace brelix::testing
