#include "engine/synth_work.h"

#include "engine/rates.h"

namespace brelix {

void SynthWorkFill(XSynthWork& sw) {
  auto f = [](uint32_t bits) { return QSingle::splat(float_of(bits)); };
  sw.S0 = QSingle::splat(0.0f);
  sw.S1 = QSingle::splat(1.0f);
  sw.I7fffffff = QWord::splat(0x7FFFFFFFu);
  sw.I80000000 = QWord::splat(0x80000000u);
  sw.I4x16 = QWord::splat(64);
  sw.TablePhaseMask = QWord::splat(0x0007FFFFu);
  sw.PhaseDrift = QWord::splat(0x00FFFFFFu);
  sw.S0_5 = QSingle::splat(0.5f);
  sw.S0_25 = QSingle::splat(0.25f);
  sw.S_1 = QSingle::splat(-1.0f);
  sw.S1_5 = QSingle::splat(1.5f);
  sw.S_1_5 = QSingle::splat(-1.5f);
  sw.S2 = QSingle::splat(2.0f);
  sw.S2_5 = QSingle::splat(2.5f);
  sw.S4 = QSingle::splat(4.0f);
  sw.S8 = QSingle::splat(8.0f);
  sw.S_8 = QSingle::splat(-8.0f);
  sw.SPi = f(0x40490FDB);
  sw.F40_9 = f(0x408E38E4);
  sw.InvTablePhaseMask = f(0x36000000);
  sw.TwoPow31 = QSingle::splat(2147483648.0f);
  sw.InvTwoPow31 = QSingle::splat(static_cast<float>(1.0 / 2147483648.0));
  sw.TableSize = QSingle::splat(8192.0f);
  sw.RealDelta1 = QSingle::splat(1.0f);
  sw.RealSampleRate = QSingle::splat(SampleRate);
  sw.Minormal = f(0x3456BF95);
  sw.S11 = QSingle::splat(11.0f);
  sw.SInv12 = f(0x3DAAAAAB);
  sw.S128 = QSingle::splat(128.0f);
  sw.Pow2Size = f(0x443A2E8C);
  sw.TuneSize = QSingle::splat(1024.0f);
  sw.S0_99 = f(0x3F7D70A4);
  sw.S0_376 = f(0x3EC08312);
  sw.S0_752 = f(0x3F408312);
  sw.S54 = QSingle::splat(54.0f);
  sw.I4 = QInteger::splat(4);
  sw.I_4 = QInteger::splat(-4);
}

}  // namespace brelix
