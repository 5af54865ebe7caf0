// Page 1, "Filters / LFOs": the four filter columns above, the four LFO columns below.
#include "editor/editor_form.h"
#include "editor/page_controls.h"

namespace brelix {

using namespace callbacks;
using C = TSliderCurve;

namespace {

void AddFilterColumn(TEditorForm& f, const XPatch& p, int n) {
  const int l = n - 1;
  f.AtRow(4);
  f.AddSection("Filter #" + std::to_string(n))->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.ToRightHalf();
  f.AtRow(4);
  f.Add(&p.FilterPostFeed.lanes()[l], TSwitchRow{.caption = "PostFeed", .layer = TLayer::Primary});
  f.Add(&p.FilterDeclick.lanes()[l], TSwitchRow{.caption = "Declick", .layer = TLayer::Hidden});
  f.ToLeftHalf();
  f.Add(&p.FilterType.lanes()[l], TListRow{.caption = "Type", .items = f.Lists.FilterTypes, .noLabel = true, .set = FilterTypeSet});
  f.Add(&p.FilterCutoff.lanes()[l], TSliderRow{.caption = "Cutoff", .range = {0, kTopNoteFrequency}, .curve = C::Exp5, .mask = "####0.###", .key = true});
  f.Add(&p.FilterReso.lanes()[l], TSliderRow{.caption = "Resonance", .range = {0, 1}, .key = true});
  f.Add(&p.FilterGain.lanes()[l], TSliderRow{.caption = "Gain", .range = {0, 1}, .extended = {-8, 8}, .layer = TLayer::Primary, .reset = 1.0f});
  f.Add(&p.FilterVelocity.lanes()[l], TSliderRow{.caption = "Velocity", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Hidden});
  f.Add(&p.FilterQompensate.lanes()[l], TSliderRow{.caption = "Qompensate", .range = {0, 1}, .layer = TLayer::Primary, .curve = C::Exp10});
  f.Add(&p.FilterTracking.lanes()[l], TSliderRow{.caption = "Tracking", .range = {-1, 1}, .layer = TLayer::Hidden, .set = FilterTracking});
  f.Add(&p.FilterRange.lanes()[l], TSliderRow{.caption = "FilterRange", .range = {0, kTopNoteFrequency}, .layer = TLayer::Primary, .curve = C::Exp1, .reset = kTopNoteFrequency, .mask = "####0.###", .set = FilterRange});
  f.Add(&p.FilterCenter.lanes()[l], TSliderRow{.caption = "Center", .range = {0, 127}, .kind = TParamKind::SingleInteger, .layer = TLayer::Hidden, .reset = 60, .set = FilterTracking});
  f.Add(&p.NoiseMix.lanes()[l], TSliderRow{.caption = "NoiseMix", .range = {0, 1}, .extended = {-8, 8}});
  f.Add(&p.FilterPan.lanes()[l], TSliderRow{.caption = "Pan", .range = {-1, 1}, .key = true});
  f.Add(&p.FilterLevel.lanes()[l], TSliderRow{.caption = "Level", .range = {0, 1}, .extended = {-8, 8}, .reset = 1.0f, .key = true});
  f.FlushHiddenParams();
}

void AddLfoColumn(TEditorForm& f, const XPatch& p, int n) {
  const int l = n - 1;
  f.AtRow(302);
  f.AddSection("LFO #" + std::to_string(n))->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.ToRightHalf();
  f.AtRow(302);
  f.Add(&p.LfoClocked.lanes()[l], TSwitchRow{.caption = "Clocked", .set = LfoTimeSwitch});
  f.ToLeftHalf();
  f.Add(&p.LfoShape.lanes()[l], TListRow{.caption = "Shape", .items = f.Lists.LfoShapes, .key = true, .set = LfoShape});
  f.Add(&p.LfoRate.lanes()[l], TSliderRow{.caption = "Rate", .range = {0, 10}, .extended = {0, 1000}, .curve = C::Exp3, .reset = 0.1f, .mask = "####0.#####", .key = true, .set = LfoTime});
  f.Add(&p.LfoLevel.lanes()[l], TSliderRow{.caption = "Level", .range = {0, 1}, .extended = {-8, 8}, .reset = 1.0f});
  f.Add(&p.LfoRandom.lanes()[l], TSliderRow{.caption = "Random", .range = {0, 1}});
  f.Add(&p.LfoOffset.lanes()[l], TSliderRow{.caption = "Offset", .range = {-1, 1}, .extended = {-8, 8}});
  f.Add(&p.LfoFadeIn.lanes()[l], TSliderRow{.caption = "FadeIn", .range = {0, 10}, .extended = {0, 100}, .layer = TLayer::Primary});
  f.Add(&p.LfoSmooth.lanes()[l], TSliderRow{.caption = "Smooth", .range = {0, 1}, .layer = TLayer::Hidden, .curve = C::Log5});
  f.Add(&p.LfoQuantize.lanes()[l], TSliderRow{.caption = "Quantize", .range = {0, 8191}, .extended = {0, 8191}, .kind = TParamKind::IntegerInteger, .get = LfoQuantizeGet, .set = LfoQuantizeSet});
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
