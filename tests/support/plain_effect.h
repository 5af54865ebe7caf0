// An effect with nothing of the synthesizer in it, for tests of the entry steps and the boxes.
#pragma once

#include "plugin/audio_effect_x.h"
#include "support/minimal_host.h"

namespace brelix::testing {

class PlainEffect : public AudioEffectX {
 public:
  using AudioEffectX::AudioEffectX;
  void ProcessReplacing(float**, float**, int32_t) override {}
};

}  // namespace brelix::testing
