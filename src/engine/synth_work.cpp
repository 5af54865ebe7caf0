#include "engine/synth_work.h"

#include "engine/rates.h"

namespace brelix {

void SynthWorkFill(XSynthWork& sw) {
  auto splat = [](float x) { return QSingle::splat(x); };
  sw.S0 = splat(0.0f);
  sw.S1 = splat(1.0f);
  sw.I80000000 = QWord::splat(0x80000000u);
  sw.I4x16 = QWord::splat(64);
  sw.TablePhaseMask = QWord::splat(0x0007FFFFu);
  sw.PhaseDrift = QWord::splat(0x00FFFFFFu);
  sw.S0_5 = splat(0.5f);
  sw.S_1 = splat(-1.0f);
  sw.S1_5 = splat(1.5f);
  sw.S_1_5 = splat(-1.5f);
  sw.S2 = splat(2.0f);
  sw.S2_5 = splat(2.5f);
  sw.F40_9 = splat(4.4444447f);  // 40 / 9, bits 0x408E38E4
  sw.InvTablePhaseMask = splat(0x1p-19f);
  sw.TwoPow31 = splat(0x1p31f);
  sw.TableSize = splat(8192.0f);
  sw.RealDelta1 = splat(1.0f);
  sw.RealSampleRate = splat(SampleRate);
  sw.Minormal = splat(2e-07f);  // bits 0x3456BF95
  sw.S11 = splat(11.0f);
  sw.SInv12 = splat(0.083333336f);  // 1 / 12, bits 0x3DAAAAAB
  sw.Pow2Size = splat(744.7273f);   // 8192 / 11 steps an octave, bits 0x443A2E8C
  sw.TuneSize = splat(1024.0f);
  sw.S0_99 = splat(0.99f);    // bits 0x3F7D70A4
  sw.S0_376 = splat(0.376f);  // bits 0x3EC08312
  sw.S0_752 = splat(0.752f);  // bits 0x3F408312
  sw.S54 = splat(54.0f);
}

}  // namespace brelix
