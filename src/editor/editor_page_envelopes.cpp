// Page 2, "Envelopes": the four envelopes two by two (envelope 4 shapes the amplitude), each with
// five stages of time, step target, level and curve, and the start-phase and per-voice switches
// of the LFO with the same number.
#include "editor/editor_form.h"
#include "editor/page_controls.h"

namespace brelix {

using namespace callbacks;
using C = TSliderCurve;

namespace {

constexpr int kStages = 5;
constexpr const char* kTimeSuffix[kStages] = {" [A]", " [D]", " [S]", "", " [R]"};
constexpr int kStepRow = 18;

bool KeyStage(int i) { return i != 3; }

void AddEnvelope(TEditorForm& f, const XPatch& p, int n, int x, int d) {
  const int l = n - 1;
  const std::string digit[kStages] = {"0", "1", "2", "3", "4"};
  const float levelMin = n == 4 ? 0.0f : -1.0f;

  f.X = x;
  f.Y = d;
  f.AddSection(n == 4 ? "Env #4 Amp" : "Env #" + std::to_string(n));
  f.X = x + 155;
  f.Y = d;
  Switch(f.AddPrimaryButton(&p.LfoStartPhase.lanes()[l], "FreeLFO" + std::to_string(n), 0, 0));
  Switch(f.AddHiddenButton(&p.VoiceLfo.lanes()[l], "VoiceLFO" + std::to_string(n), 0, 0)).Values(0xFFFFFFFFu, 0);
  f.X = x + kColumnWidth * 3 / 2 + 5;
  f.Y = d;
  Switch(f.AddPrimaryButton(&p.EnvRetrigger.lanes()[l], "Legato", 0, 0));
  Switch(f.AddHiddenButton(&p.EnvDeclick.lanes()[l], "Declick", 0, 0));

  f.X = x;
  f.Y = d + 16;
  for (int i = 0; i < kStages; ++i) {
    auto time = Slider(f.AddSlider(&p.EnvTime[i].lanes()[l], "Time" + digit[i] + kTimeSuffix[i], 0, 10, 0, 1000, "", nullptr)).Default(0).Curve(C::Exp7).Mask("####0.#####").Set(EnvRates);
    if (KeyStage(i)) time.Key();
  }
  for (int i = 0; i < kStages; ++i) {
    const int row = d + 173 + i * kStepRow;
    f.X = x;
    f.Y = row + 2;
    f.AddLabel(digit[i])->SetSize(12, XLabel::kDefaultHeight);
    f.X = x + 12;
    f.Y = row;
    List(f.AddCombo(&p.EnvStep[i].lanes()[l], "Step" + digit[i], f.Lists.EnvStages, true, "", 139, nullptr, false)).Stage(i).Default(1).Get(EnvStepGet).Set(EnvStepSet);
  }

  f.X = x + 155;
  f.Y = d + 16;
  for (int i = 0; i < kStages; ++i) {
    auto level = Slider(f.AddSlider(&p.EnvLevel[i].lanes()[l], "Level" + digit[i], levelMin, 1, -8, 8, "", nullptr)).Default(0).Curve(C::Lin);
    if (KeyStage(i)) level.Key();
  }
  f.Y = d + 173;
  for (int i = 0; i < kStages; ++i) {
    List(f.AddCombo(&p.EnvCurve[i].lanes()[l], "Curve" + digit[i], f.Lists.EnvCurves, true, "", 0, nullptr, false)).Default(0).Set(EnvCurve);
  }
  f.FlushHiddenParams();
}

}  // namespace

void BuildEnvelopePage(TEditorForm& f, const XPatch& p) {
  AddEnvelope(f, p, 1, 4, 4);
  AddEnvelope(f, p, 2, 314, 4);
  AddEnvelope(f, p, 3, 4, 272);
  AddEnvelope(f, p, 4, 314, 272);
}

}  // namespace brelix
