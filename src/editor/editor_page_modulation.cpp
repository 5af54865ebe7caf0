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
  f.AddPrimarySection("ModMatrix #" + number);
  f.AddHiddenSection("MIDI ModMatrix #" + number);
  List(f.AddPrimaryCombo(&p.ModSource[r].lanes()[l], "Source", f.Lists.ModSources, true, "", 0, nullptr, false)).Row(r).Default(0).Key().Get(ModSourceGet).Set(PatchModSourceSet);
  List(f.AddHiddenCombo(&p.MidiModSource[r].lanes()[l], "Source", f.Lists.ModSources, true, "", 0, nullptr, false)).Row(r).Default(0).Key().Get(ModSourceGet).Set(MidiModSourceSet);
  List(f.AddPrimaryCombo(&p.ModDest[r].lanes()[l], "Destination", f.Lists.ModDestinations, true, "", 0, nullptr, false)).Row(r).Default(0).Key().Set(PatchModDestSet);
  List(f.AddHiddenCombo(&p.MidiModDest[r].lanes()[l], "Destination", f.Lists.ModDestinations, true, "", 0, nullptr, false)).Row(r).Default(0).Key().Set(MidiModDestSet);
  Slider(f.AddPrimarySlider(&p.ModAmount[r].lanes()[l], "Amount", -1, 1, -8, 8, "", nullptr)).Default(0).Key();
  Slider(f.AddHiddenSlider(&p.MidiModAmount[r].lanes()[l], "Amount", -1, 1, -8, 8, "", nullptr)).Default(0).Key();
}

// The ten sliders of a delay, the first five at x, the others one column right.
struct TDelayFields {
  const float *Wet, *Dry, *TimeL, *TimeR, *Input, *FeedbackL, *FeedbackR, *Damp, *StereoWidth, *Mix;
  float DryDefault;
};

void AddDelaySliders(TEditorForm& f, const TDelayFields& d, int x) {
  f.X = x;
  f.Y = kDelayTop + 16;
  Slider(f.AddSlider(d.Wet, "Wet", 0, 1, -8, 8, "", nullptr)).Default(0.5f).Key().Set(DelayValues);
  Slider(f.AddSlider(d.Dry, "Dry", 0, 1, -8, 8, "", nullptr)).Default(d.DryDefault).Key().Set(DelayValues);
  Slider(f.AddSlider(d.TimeL, "TimeL", 0, 1, 1e9, 1e9, "", nullptr)).Default(0.25f).Mask("####0.#####").Key().Set(DelayValues);
  Slider(f.AddSlider(d.TimeR, "TimeR", 0, 1, 1e9, 1e9, "", nullptr)).Default(0.25f).Mask("####0.#####").Key().Set(DelayValues);
  Slider(f.AddSlider(d.Input, "Input", 0, 1, -8, 8, "", nullptr)).Default(0).Set(DelayValues);
  f.X = x + TEditorForm::kColumnStep;
  f.Y = kDelayTop + 16;
  Slider(f.AddSlider(d.FeedbackL, "FeedbackL", 0, 0.99, 1e9, 1e9, "", nullptr)).Default(0).Set(DelayValues);
  Slider(f.AddSlider(d.FeedbackR, "FeedbackR", 0, 0.99, 1e9, 1e9, "", nullptr)).Default(0).Set(DelayValues);
  Slider(f.AddSlider(d.Damp, "Damp", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Set(DelayValues);
  Slider(f.AddSlider(d.StereoWidth, "StereoWidth", 0, 1, 1e9, 1e9, "", nullptr)).Default(0).Key().Set(DelayValues);
  Slider(f.AddSlider(d.Mix, "Mix", 0, 1, -8, 8, "", nullptr)).Default(0).Set(DelayValues);
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
  Switch(f.AddButton(&p.DelayClocked.lanes()[0], "Clocked", 0, 0)).Set(DelayClock);
  AddDelaySliders(f, {&p.DelayWet, &p.DelayDry, &p.DelayTimeL, &p.DelayTimeR, &p.DelayInput, &p.DelayFeedbackL, &p.DelayFeedbackR, &p.DelayDamp, &p.DelayStereoWidth, &p.DelayMix, 1.0f}, 4);

  f.X = 314;
  f.Y = kDelayTop;
  f.AddDelaySection(2);
  f.X = 469;
  f.Y = kDelayTop;
  Switch(f.AddButton(&p.DelayRouting, "Serial", 0, 0)).Values(0, kDelayRoutingSerialBits).Get(DelayRoutingGet).Set(DelayRoutingSet);
  f.X = 545;
  f.Y = kDelayTop;
  Switch(f.AddButton(&p.DelayClocked.lanes()[2], "Clocked", 0, 0)).Set(DelayClock);
  AddDelaySliders(f, {&p.AuxDelayWet, &p.AuxDelayDry, &p.AuxDelayTimeL, &p.AuxDelayTimeR, &p.AuxDelayInput, &p.AuxDelayFeedbackL, &p.AuxDelayFeedbackR, &p.AuxDelayDamp, &p.AuxDelayStereoWidth, &p.AuxDelayMix, 0.0f}, 314);
}

}  // namespace brelix
