// Page 0, "Oscillators / Sound": the four oscillator columns, then the sound and voice blocks, the
// patch commands and the information labels.
#include "editor/editor_form.h"
#include "editor/page_controls.h"

namespace brelix {

using namespace callbacks;
using C = TSliderCurve;

namespace {

void AddOscillatorColumn(TEditorForm& f, const XPatch& p, int n) {
  const int l = n - 1;  // the lane's element
  f.AtRow(4);
  f.AddOscSection(n);
  f.ToRightHalf();
  f.AtRow(4);
  f.Add(&p.AuxOscStartPhase.lanes()[l], TSwitchRow{.caption = "FreeRun", .layer = TLayer::Primary});
  f.Add(&p.SampleOscLoop.lanes()[l], TSwitchRow{.caption = "SampleLoop", .layer = TLayer::Hidden, .set = SampleLoop});
  f.ToLeftHalf();
  f.Add(&p.AuxOscSemitone.lanes()[l], TSliderRow{.caption = "Semitone", .range = {-48, 48}, .extended = {-120, 120}, .kind = TParamKind::SingleInteger, .key = true, .set = OscPitch});
  f.Add(&p.AuxOscDetune.lanes()[l], TSliderRow{.caption = "Detune", .range = {-1, 1}, .set = OscPitch});
  f.Add(&p.AuxOscFixedFreq.lanes()[l], TSliderRow{.caption = "FixedFreq", .range = {0, kTopNoteFrequency}, .curve = C::Exp1, .mask = "####0.###", .set = OscFixed});
  f.Add(&p.AuxOscPW.lanes()[l], TSliderRow{.caption = "PulseWidth", .range = {-1, 1}, .key = true});
  f.Add(&p.AuxOscSync.lanes()[l], TSliderRow{.caption = "SyncOsc", .range = {0, 2}, .extended = {0, 8}, .reset = 1.0f, .key = true});
  f.Add(&p.AuxOscRange.lanes()[l], TSliderRow{.caption = "OscRange", .range = {0, kTopNoteFrequency}, .layer = TLayer::Primary, .curve = C::Exp1, .reset = kTopNoteFrequency, .mask = "####0.###", .set = OscFixed});
  f.Add(&p.AuxOscTracking.lanes()[l], TSliderRow{.caption = "Tracking", .range = {-1, 1}, .layer = TLayer::Hidden, .set = OscPitch});
  f.Add(&p.AuxOscSawShape.lanes()[l], TSliderRow{.caption = "SawShape", .range = {0, 0.999}, .extended = {0, 1}, .curve = C::Log10, .reset = 0.993f});
  f.Add(&p.AuxOscSawSigma1.lanes()[l], TSliderRow{.caption = "SawSigma1", .range = {-1, 1}, .extended = {-8, 8}, .reset = 1.0f});
  f.Add(&p.AuxOscSawSigma2.lanes()[l], TSliderRow{.caption = "SawSigma2", .range = {-1, 1}, .extended = {-8, 8}});
  f.Add(&p.AuxOscMorph.lanes()[l], TSliderRow{.caption = "Morph", .range = {-1, 1}, .extended = {-2, 2}, .reset = 0.8f, .key = true});
  f.Add(&p.AuxOscDCFilter.lanes()[l], TSliderRow{.caption = "DCFilter", .range = {0, 0.001}, .extended = {0, 0.1}, .layer = TLayer::Primary, .curve = C::Exp10, .reset = 0.0001f, .scaled = &p._AuxOscDCFilter.lanes()[l]});
  f.Add(&p.AuxOscCenter.lanes()[l], TSliderRow{.caption = "Center", .range = {0, 127}, .kind = TParamKind::SingleInteger, .layer = TLayer::Hidden, .reset = 60, .set = OscCenter});
  f.Add(&p.AuxOscLevel.lanes()[l], TSliderRow{.caption = "Level", .range = {0, 1}, .extended = {-8, 8}, .layer = TLayer::Primary, .reset = 0.25f, .key = true});
  f.Add(&p.SampleOscLevel.lanes()[l], TSliderRow{.caption = "SampleLevel", .range = {0, 1}, .extended = {-8, 8}, .layer = TLayer::Hidden, .reset = 0.25f});
  f.Add(&p.AuxOscMix.lanes()[l], TSliderRow{.caption = n <= 2 ? "Balance 1-2" : "Balance 3-4", .range = {-1, 1}, .key = true});
  f.FlushHiddenParams();
}

std::string ChannelItems() {
  std::string items;
  for (int c = 1; c <= 16; ++c) items += std::to_string(c) + (c < 16 ? "\r" : "");
  return items;
}

}  // namespace

void BuildOscillatorPage(TEditorForm& f, const XPatch& p) {
  for (int n = 1; n <= 4; ++n) {
    f.NextColumn();
    AddOscillatorColumn(f, p, n);
  }

  f.X = 4;
  f.AtRow(426);
  f.AddSection("Sound")->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.ToRightHalf();
  f.AtRow(426);
  f.Add(&p.SustainPedal, TSwitchRow{.caption = "SustainPedal", .off = 0, .on = 1, .hostParam = false});
  f.ToLeftHalf();
  f.Add(nullptr, TSliderRow{.caption = "Polyphony", .range = {0, 16}, .extended = {0, 16}, .kind = TParamKind::IntegerInteger, .layer = TLayer::Primary, .key = true, .get = VoiceCountGet, .set = VoiceCountSet});
  f.Add(&p.SampleFilter, TListRow{.caption = "SampleFilter", .items = "Single\rDual\rTripple\rQuad", .layer = TLayer::Hidden, .set = SampleRateFieldsList});
  f.Add(nullptr, TListRow{.caption = "MIDIChannel", .items = ChannelItems(), .key = true, .get = MidiChannelGet, .set = MidiChannelSet});
  f.Add(&p.PlayNote, TSliderRow{.caption = "PlayNote", .range = {-1, 127}, .extended = {-1, 127}, .kind = TParamKind::IntegerInteger, .reset = -1, .set = PreviewNote});

  f.NextColumn();
  f.AtRow(426);
  f.AddSection("Voice")->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.ToRightHalf();
  f.AtRow(426);
  f.Add(&p.Oversample, TSwitchRow{.caption = "Oversample", .off = 0, .on = 1, .set = Oversampling});
  f.ToLeftHalf();
  f.Add(&p.Volume, TSliderRow{.caption = "Amp/Volume", .range = {0, 1}, .extended = {-8, 8}, .layer = TLayer::Primary, .reset = 0.5f, .key = true});
  f.Add(&p.Upsample, TSliderRow{.caption = "Upsample", .range = {1, 32}, .extended = {1, 32}, .kind = TParamKind::IntegerInteger, .layer = TLayer::Hidden, .reset = 8, .set = SampleRateFields});
  f.Add(&p.VolumeModSource, TListRow{.caption = "AmpSource", .items = f.Lists.ModSources, .layer = TLayer::Primary, .reset = 8, .get = ModSourceGet, .set = AmpSourceSet});
  f.Add(&p.Declicker, TListRow{.caption = "Declicker", .items = "Off\rVoice-On/Release\rVoice-On Only\rVoice-Release Only\rAlways", .layer = TLayer::Hidden});
  f.Add(&p.VolumeModAmount, TSliderRow{.caption = "AmpAmount", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Primary});
  f.Add(&p.VolumeVelocity, TSliderRow{.caption = "Velocity", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Hidden});
  f.FlushHiddenParams();

  f.NextColumn();
  f.AtRow(426);
  f.AddPatchCommands();
  f.AddInformationLabels();
}

}  // namespace brelix
