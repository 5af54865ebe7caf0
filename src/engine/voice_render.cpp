#include "engine/voice_render.h"

#include "engine/filter.h"
#include "engine/oscillator.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_matrix.h"
#include "modulation/mod_sources.h"

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

QSingle VoiceProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w) {
  p.SampleProcess(sw, p, w);
  OscProcess(sw, p, w);
  const QSingle pair = FilterProcess(sw, p, w);
  const float source = ModSourceValue(sw, w.VolumeModSourcePtr);
  const float gain = (p.Volume + w.VolumeMod + w.VolumeVelocityMod) * p.ControlValue[7] * (source * p.VolumeModAmount);
  return pair * QSingle::splat(gain);
}

void VoiceIdle(const XPatch& p, XPatchWork& w) {
  if (w.ControlCounter == 0) {
    w.LfoPhase = frac_trunc(w.LfoPhase + w.LfoDeltaPhase);
    w.ControlCounter = p.ControlRate;
  } else {
    --w.ControlCounter;
  }
  w.AuxOscPhase = w.AuxOscPhase + w.AuxOscDeltaPhase;
}

}  // namespace brelix
