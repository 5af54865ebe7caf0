// Output stays finite for patches with extreme values: gains, feedbacks, resonances and levels
// far beyond their editor ranges, as a patch file can hold them.
#include <cmath>
#include <functional>

#include "modulation/delay.h"
#include "patch/patch_derived.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

struct Extreme {
  const char* name;
  std::function<void(XPatch&, float)> set;
};

const Extreme kExtremes[] = {
    {"oscillator level", [](XPatch& p, float x) { p.AuxOscLevel = QSingle::splat(x); }},
    {"oscillator morph", [](XPatch& p, float x) { p.AuxOscMorph = QSingle::splat(x); }},
    {"oscillator saw shape", [](XPatch& p, float x) { p.AuxOscSawShape = QSingle::splat(x); }},
    {"oscillator weights", [](XPatch& p, float x) { p.AuxOscSawSigma1 = p.AuxOscSawSigma2 = QSingle::splat(x); }},
    {"oscillator pitch", [](XPatch& p, float x) { p.AuxOscSemitone = QSingle::splat(x); }},
    {"oscillator fixed frequency", [](XPatch& p, float x) { p.AuxOscFixedFreq = QSingle::splat(x); }},
    {"oscillator DC filter", [](XPatch& p, float x) { p.AuxOscDCFilter = QSingle::splat(x); }},
    {"noise", [](XPatch& p, float x) { p.NoiseMix = QSingle::splat(x); }},
    {"filter cutoff", [](XPatch& p, float x) { p.FilterCutoff = QSingle::splat(x); }},
    {"filter resonance", [](XPatch& p, float x) { p.FilterReso = QSingle::splat(x); }},
    {"filter gain", [](XPatch& p, float x) { p.FilterGain = QSingle::splat(x); }},
    {"filter feedback", [](XPatch& p, float x) { p.FilterFeedback = QSingle::splat(x); }},
    {"filter compensation", [](XPatch& p, float x) { p.FilterQompensate = QSingle::splat(x); }},
    {"filter poles", [](XPatch& p, float x) { p.FilterPole0 = p.FilterPole2 = QSingle::splat(x); }},
    {"filter level", [](XPatch& p, float x) { p.FilterLevel = QSingle::splat(x); }},
    {"filter pan", [](XPatch& p, float x) { p.FilterPan = QSingle::splat(x); }},
    {"LFO", [](XPatch& p, float x) { p.LfoRate = p.LfoLevel = p.LfoMax = QSingle::splat(x); p.LfoMin = QSingle::splat(-x); }},
    {"envelope", [](XPatch& p, float x) { for (QSingle& level : p.EnvLevel) level = QSingle::splat(x); }},
    {"volume", [](XPatch& p, float x) { p.Volume = x; p.VolumeModAmount = x; }},
    {"DC filter", [](XPatch& p, float x) { p.DCFilter = x; }},
    {"delays", [](XPatch& p, float x) {
       p.DelayWet = p.AuxDelayWet = p.DelayInput = p.DelayMix = x;
       p.DelayFeedbackL = p.DelayFeedbackR = p.AuxDelayFeedbackL = p.AuxDelayFeedbackR = x;
       p.DelayDamp = p.AuxDelayDamp = p.DelayStereoWidth = x;
       p.DelayRouting = 1.0f;
     }},
    {"matrix", [](XPatch& p, float x) {
       for (int row = 0; row < 4; ++row) {
         p.ModSource[row] = QWord::of(1, 5, 47, 25);
         p.ModDest[row] = QWord::of(1 + row, 13 + row, 17 + row, 73);
         p.ModAmount[row] = QSingle::splat(x);
       }
     }},
};

TEST(ExtremeValues, RenderingNeverWritesNaNOrInfinity) {
  for (const Extreme& e : kExtremes) {
    for (float x : {1e30f, -1e30f, 1e6f, -1e6f, 100.0f, -100.0f}) {
      testing::SynthFixture f;
      XPatch& p = f.patch();
      e.set(p, x);
      PatchRecalculate(p);
      PatchSampleRate(p);
      PatchDCFilters(p);
      DelayRebuild(p, true);
      f.synth->AllocateVoices();
      f.NoteOn(60);
      f.NoteOn(67);
      f.Send(0xE0, 0, 127);
      int bad = 0;
      for (int block = 0; block < 40 && bad == 0; ++block) {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        f.synth->ProcessReplacing(nullptr, outputs, 256);
        if (block == 20) f.NoteOff(60);
        for (int i = 0; i < 256; ++i)
          if (!std::isfinite(left[i]) || !std::isfinite(right[i])) ++bad;
      }
      EXPECT_EQ(bad, 0) << e.name << " = " << x;
    }
  }
}

}  // namespace
}  // namespace brelix
