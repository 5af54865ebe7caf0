// Page 3, "Modulation / Delay": the sixteen slots of the patch modulation matrix, the MIDI
// matrix's sixteen on the hidden layer in the same places, and the two stereo delays below.
#include "editor/editor_form.h"
#include "editor/page_controls.h"

namespace brelix {

using namespace callbacks;

namespace {

constexpr int kSlotRows[4] = {4, 91, 178, 265};
constexpr int kDelayTop = 364;

// Slot m: row r = (m - 1) / 4 of the matrix arrays, lane (m - 1) % 4 + 1.
void AddSlot(TEditorForm& f, const XPatch& p, int m) {
  const int r = (m - 1) / 4, l = (m - 1) % 4;
  const std::string number = std::to_string(m);
  f.X = 4 + l * TEditorForm::kColumnStep;
  f.Y = kSlotRows[r];
  f.AddSection("ModMatrix #" + number, TLayer::Primary);
  f.AddSection("MIDI ModMatrix #" + number, TLayer::Hidden);
  f.Add(&p.ModSource[r].lanes()[l], TListRow{.caption = "Source", .items = f.Lists.ModSources, .layer = TLayer::Primary, .noLabel = true, .key = true, .row = r, .get = ModSourceGet, .set = PatchModSourceSet});
  f.Add(&p.MidiModSource[r].lanes()[l], TListRow{.caption = "Source", .items = f.Lists.ModSources, .layer = TLayer::Hidden, .noLabel = true, .key = true, .row = r, .get = ModSourceGet, .set = MidiModSourceSet});
  f.Add(&p.ModDest[r].lanes()[l], TListRow{.caption = "Destination", .items = f.Lists.ModDestinations, .layer = TLayer::Primary, .noLabel = true, .key = true, .row = r, .set = PatchModDestSet});
  f.Add(&p.MidiModDest[r].lanes()[l], TListRow{.caption = "Destination", .items = f.Lists.ModDestinations, .layer = TLayer::Hidden, .noLabel = true, .key = true, .row = r, .set = MidiModDestSet});
  f.Add(&p.ModAmount[r].lanes()[l], TSliderRow{.caption = "Amount", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Primary, .key = true});
  f.Add(&p.MidiModAmount[r].lanes()[l], TSliderRow{.caption = "Amount", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Hidden, .key = true});
}

// The ten sliders of a delay, the first five at x, the others one column right.
struct TDelayFields {
  const float *Wet, *Dry, *TimeL, *TimeR, *Input, *FeedbackL, *FeedbackR, *Damp, *StereoWidth, *Mix;
  float DryDefault;
};

void AddDelaySliders(TEditorForm& f, const TDelayFields& d, int x) {
  f.X = x;
  f.Y = kDelayTop + 16;
  f.Add(d.Wet, TSliderRow{.caption = "Wet", .range = {0, 1}, .extended = {-8, 8}, .reset = 0.5f, .key = true, .set = DelayValues});
  f.Add(d.Dry, TSliderRow{.caption = "Dry", .range = {0, 1}, .extended = {-8, 8}, .reset = d.DryDefault, .key = true, .set = DelayValues});
  f.Add(d.TimeL, TSliderRow{.caption = "TimeL", .range = {0, 1}, .reset = 0.25f, .mask = "####0.#####", .key = true, .set = DelayValues});
  f.Add(d.TimeR, TSliderRow{.caption = "TimeR", .range = {0, 1}, .reset = 0.25f, .mask = "####0.#####", .key = true, .set = DelayValues});
  f.Add(d.Input, TSliderRow{.caption = "Input", .range = {0, 1}, .extended = {-8, 8}, .set = DelayValues});
  f.X = x + TEditorForm::kColumnStep;
  f.Y = kDelayTop + 16;
  f.Add(d.FeedbackL, TSliderRow{.caption = "FeedbackL", .range = {0, 0.99}, .set = DelayValues});
  f.Add(d.FeedbackR, TSliderRow{.caption = "FeedbackR", .range = {0, 0.99}, .set = DelayValues});
  f.Add(d.Damp, TSliderRow{.caption = "Damp", .range = {0, 1}, .set = DelayValues});
  f.Add(d.StereoWidth, TSliderRow{.caption = "StereoWidth", .range = {0, 1}, .key = true, .set = DelayValues});
  f.Add(d.Mix, TSliderRow{.caption = "Mix", .range = {0, 1}, .extended = {-8, 8}, .set = DelayValues});
}

}  // namespace

void BuildModulationPage(TEditorForm& f, const XPatch& p) {
  for (int m = 1; m <= 16; ++m) AddSlot(f, p, m);
  f.FlushHiddenParams();

  f.X = 4;
  f.Y = kDelayTop;
  f.AddDelaySection(1)->SetSize(kColumnWidth * 3 / 2 + 4, XSection::kDefaultHeight);
  f.X = 235;
  f.Y = kDelayTop;
  f.Add(&p.DelayClocked.lanes()[0], TSwitchRow{.caption = "Clocked", .set = DelayClock});
  AddDelaySliders(f, {&p.DelayWet, &p.DelayDry, &p.DelayTimeL, &p.DelayTimeR, &p.DelayInput, &p.DelayFeedbackL, &p.DelayFeedbackR, &p.DelayDamp, &p.DelayStereoWidth, &p.DelayMix, 1.0f}, 4);

  f.X = 314;
  f.Y = kDelayTop;
  f.AddDelaySection(2);
  f.X = 469;
  f.Y = kDelayTop;
  f.Add(&p.DelayRouting, TSwitchRow{.caption = "Serial", .off = 0, .on = kDelayRoutingSerialBits, .get = DelayRoutingGet, .set = DelayRoutingSet});
  f.X = 545;
  f.Y = kDelayTop;
  f.Add(&p.DelayClocked.lanes()[2], TSwitchRow{.caption = "Clocked", .set = DelayClock});
  AddDelaySliders(f, {&p.AuxDelayWet, &p.AuxDelayDry, &p.AuxDelayTimeL, &p.AuxDelayTimeR, &p.AuxDelayInput, &p.AuxDelayFeedbackL, &p.AuxDelayFeedbackR, &p.AuxDelayDamp, &p.AuxDelayStereoWidth, &p.AuxDelayMix, 0.0f}, 314);
}

}  // namespace brelix
