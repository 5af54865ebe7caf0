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
  f.Add(&p.LfoStartPhase.lanes()[l], TSwitchRow{.caption = "FreeLFO" + std::to_string(n), .layer = TLayer::Primary});
  f.Add(&p.VoiceLfo.lanes()[l], TSwitchRow{.caption = "VoiceLFO" + std::to_string(n), .layer = TLayer::Hidden, .off = 0xFFFFFFFFu, .on = 0});
  f.X = x + kColumnWidth * 3 / 2 + 5;
  f.Y = d;
  f.Add(&p.EnvRetrigger.lanes()[l], TSwitchRow{.caption = "Legato", .layer = TLayer::Primary});
  f.Add(&p.EnvDeclick.lanes()[l], TSwitchRow{.caption = "Declick", .layer = TLayer::Hidden});

  f.X = x;
  f.Y = d + 16;
  for (int i = 0; i < kStages; ++i) {
    f.Add(&p.EnvTime[i].lanes()[l], TSliderRow{.caption = "Time" + digit[i] + kTimeSuffix[i], .range = {0, 10}, .extended = {0, 1000}, .curve = C::Exp7, .mask = "####0.#####", .key = KeyStage(i), .set = EnvRates});
  }
  for (int i = 0; i < kStages; ++i) {
    const int row = d + 173 + i * kStepRow;
    f.X = x;
    f.Y = row + 2;
    f.AddLabel(digit[i])->SetSize(12, XLabel::kDefaultHeight);
    f.X = x + 12;
    f.Y = row;
    f.Add(&p.EnvStep[i].lanes()[l], TListRow{.caption = "Step" + digit[i], .items = f.Lists.EnvStages, .noLabel = true, .width = 139, .reset = 1, .stage = i, .get = EnvStepGet, .set = EnvStepSet});
  }

  f.X = x + 155;
  f.Y = d + 16;
  for (int i = 0; i < kStages; ++i) {
    f.Add(&p.EnvLevel[i].lanes()[l], TSliderRow{.caption = "Level" + digit[i], .range = {levelMin, 1}, .extended = {-8, 8}, .key = KeyStage(i)});
  }
  f.Y = d + 173;
  for (int i = 0; i < kStages; ++i) {
    f.Add(&p.EnvCurve[i].lanes()[l], TListRow{.caption = "Curve" + digit[i], .items = f.Lists.EnvCurves, .noLabel = true, .set = EnvCurve});
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
