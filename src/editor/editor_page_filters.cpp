// Page 1, "Filters / LFOs": the four filter columns above, the four LFO columns below.
#include "editor/editor_form.h"
#include "editor/page_controls.h"

namespace brelix {

using namespace callbacks;
using C = TSliderCurve;

namespace {

void AddFilterColumn(TEditorForm& f, const XPatch& p, int n) {
  const int l = n - 1;
  f.Y = 4;
  f.AddSection("Filter #" + std::to_string(n))->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.X += 76;
  f.Y = 4;
  Switch(f.AddPrimaryButton(&p.FilterPostFeed.lanes()[l], "PostFeed", 0, 0));
  Switch(f.AddHiddenButton(&p.FilterDeclick.lanes()[l], "Declick", 0, 0));
  f.X -= 76;
  List(f.AddCombo(&p.FilterType.lanes()[l], "Type", f.Lists.FilterTypes, true, "", 0, nullptr, false)).Default(0).Set(FilterTypeSet);
  Slider(f.AddSlider(&p.FilterCutoff.lanes()[l], "Cutoff", 0, kTopNoteFrequency, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Exp5).Mask("####0.###").Key();
  Slider(f.AddSlider(&p.FilterReso.lanes()[l], "Resonance", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Key();
  Slider(f.AddPrimarySlider(&p.FilterGain.lanes()[l], "Gain", 0, 1, -8, 8, "", nullptr)).Default(1.0f).Curve(C::Lin);
  Slider(f.AddHiddenSlider(&p.FilterVelocity.lanes()[l], "Velocity", -1, 1, -8, 8, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddPrimarySlider(&p.FilterQompensate.lanes()[l], "Qompensate", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Exp10);
  Slider(f.AddHiddenSlider(&p.FilterTracking.lanes()[l], "Tracking", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Set(FilterTracking);
  Slider(f.AddPrimarySlider(&p.FilterRange.lanes()[l], "FilterRange", 0, kTopNoteFrequency, 1e9, 1e9, "", nullptr)).Default(kTopNoteFrequency).Curve(C::Exp1).Mask("####0.###").Set(FilterRange);
  Slider(f.AddHiddenSliderI(&p.FilterCenter.lanes()[l], "Center", 0, 127, 1e9, 1e9, "", nullptr)).Default(60).Curve(C::Lin).Set(FilterTracking);
  Slider(f.AddSlider(&p.NoiseMix.lanes()[l], "NoiseMix", 0, 1, -8, 8, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddSlider(&p.FilterPan.lanes()[l], "Pan", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Key();
  Slider(f.AddSlider(&p.FilterLevel.lanes()[l], "Level", 0, 1, -8, 8, "", nullptr)).Default(1.0f).Curve(C::Lin).Key();
  f.FlushHiddenParams();
}

void AddLfoColumn(TEditorForm& f, const XPatch& p, int n) {
  const int l = n - 1;
  f.Y = 302;
  f.AddSection("LFO #" + std::to_string(n))->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.X += 76;
  f.Y = 302;
  Switch(f.AddButton(&p.LfoClocked.lanes()[l], "Clocked", 0, 0)).Set(LfoTimeSwitch);
  f.X -= 76;
  List(f.AddCombo(&p.LfoShape.lanes()[l], "Shape", f.Lists.LfoShapes, false, "", 0, nullptr, false)).Default(0).Key().Set(LfoShape);
  Slider(f.AddSlider(&p.LfoRate.lanes()[l], "Rate", 0, 10, 0, 1000, "", nullptr)).Default(0.1f).Curve(C::Exp3).Mask("####0.#####").Key().Set(LfoTime);
  Slider(f.AddSlider(&p.LfoLevel.lanes()[l], "Level", 0, 1, -8, 8, "", nullptr)).Default(1.0f).Curve(C::Lin);
  Slider(f.AddSlider(&p.LfoRandom.lanes()[l], "Random", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddSlider(&p.LfoOffset.lanes()[l], "Offset", -1, 1, -8, 8, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddPrimarySlider(&p.LfoFadeIn.lanes()[l], "FadeIn", 0, 10, 0, 100, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddHiddenSlider(&p.LfoSmooth.lanes()[l], "Smooth", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Log5);
  Slider(f.AddSliderII(&p.LfoQuantize.lanes()[l], "Quantize", 0, 8191, 0, 8191, "")).Default(0).Curve(C::Lin).Get(LfoQuantizeGet).Set(LfoQuantizeSet);
  f.FlushHiddenParams();
}

}  // namespace

void BuildFilterPage(TEditorForm& f, const XPatch& p) {
  for (int n = 1; n <= 4; ++n) {
    f.NextColumn();
    AddFilterColumn(f, p, n);
  }
  f.X = -151;
  for (int n = 1; n <= 4; ++n) {
    f.NextColumn();
    AddLfoColumn(f, p, n);
  }
}

}  // namespace brelix
