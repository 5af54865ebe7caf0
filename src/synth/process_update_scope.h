// The engine bracket as a scope: BeginProcessUpdate at its start, EndProcessUpdate at its end,
// also when a step inside it throws. Everything on the user-interface side that rewrites several
// engine fields or voice records at once holds one.
#pragma once

#include "synth/synthesizer.h"

namespace brelix {

class ProcessUpdateScope {
 public:
  explicit ProcessUpdateScope(XSynthesizer& synth) : synth_(synth) { synth_.BeginProcessUpdate(); }
  ~ProcessUpdateScope() { synth_.EndProcessUpdate(); }
  ProcessUpdateScope(const ProcessUpdateScope&) = delete;
  ProcessUpdateScope& operator=(const ProcessUpdateScope&) = delete;

 private:
  XSynthesizer& synth_;
};

}  // namespace brelix
