#include "render/voice_render.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/countdown.h"
#include "engine/filter.h"
#include "engine/oscillator.h"
#include "engine/qvector_multi.h"
#include "engine/voice_kernel.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"

namespace brelix {

void VoiceControlTick(const XSynthWork& sw, XPatch& p, XPatchWork& w) {
  LfoRateCalculate(sw, p, w);
  EnvRateCalculate(sw, p, w);
  LfoCalculate(sw, p, w);
  EnvCalculate(sw, p, w);
  ModMatrixCalculate(sw, p, w);
  // The pitch modulation this tick's matrix has just written ("Pitch" may be a destination).
  const QSingle pitch_mod = QSingle::splat(w.PitchMod);
  p.SampleCalculate(sw, p, w, pitch_mod);
  OscCalculate(sw, p, w, pitch_mod);
  FilterCalculate(sw, p, w);
}

void VoiceIdleFrames(const XPatch& p, XPatchWork& w, int frames) {
  for (int frame = 0; frame < frames; ++frame) {
    if (CountdownDue(w.ControlCounter, p.ControlRate)) w.LfoPhase = frac_trunc(w.LfoPhase + w.LfoDeltaPhase);
    w.AuxOscPhase = w.AuxOscPhase + w.AuxOscDeltaPhase;
  }
}

// Defined in voice_render_wide.cpp and voice_render_avx512.cpp, compiled for their processors.
extern const VoiceRunner WideVoiceRunner;
extern const VoiceRunner Avx512VoiceRunner;

VectorPath ChosenVectorPath() {
  const VectorPath widest = WidestVectorPath();
  const char* asked = std::getenv("BRELIX_SIMD");
  if (asked != nullptr && std::strcmp(asked, "sse") == 0) return VectorPath::Sse;
  if (asked != nullptr && std::strcmp(asked, "avx2") == 0) return std::min(widest, VectorPath::Avx2);
  return widest;
}

VoiceRunner ChooseVoiceRunner() {
  switch (ChosenVectorPath()) {
    case VectorPath::Avx512: return Avx512VoiceRunner;
    case VectorPath::Avx2: return WideVoiceRunner;
    case VectorPath::Sse: break;
  }
  // Four voices side by side, four lanes per register: sixteen registers are too few for eight.
  using Four = QPair<QPair<QSingle>>;
  static_assert(Four::kVoices == VoiceRunner::kSmall);
  return {KernelOf<Four, false>(), {}, {}};
}

}  // namespace brelix
