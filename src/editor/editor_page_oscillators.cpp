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
  f.Y = 4;
  f.AddOscSection(n);
  f.X += 76;
  f.Y = 4;
  Switch(f.AddPrimaryButton(&p.AuxOscStartPhase.lanes()[l], "FreeRun", 0, 0));
  Switch(f.AddHiddenButton(&p.SampleOscLoop.lanes()[l], "SampleLoop", 0, 0)).Set(SampleLoop);
  f.X -= 76;
  Slider(f.AddSliderI(&p.AuxOscSemitone.lanes()[l], "Semitone", -48, 48, -120, 120, "", nullptr)).Default(0).Curve(C::Lin).Key().Set(OscPitch);
  Slider(f.AddSlider(&p.AuxOscDetune.lanes()[l], "Detune", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Set(OscPitch);
  Slider(f.AddSlider(&p.AuxOscFixedFreq.lanes()[l], "FixedFreq", 0, kTopNoteFrequency, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Exp1).Mask("####0.###").Set(OscFixed);
  Slider(f.AddSlider(&p.AuxOscPW.lanes()[l], "PulseWidth", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Key();
  Slider(f.AddSlider(&p.AuxOscSync.lanes()[l], "SyncOsc", 0, 2, 0, 8, "", nullptr)).Default(1.0f).Curve(C::Lin).Key();
  Slider(f.AddPrimarySlider(&p.AuxOscRange.lanes()[l], "OscRange", 0, kTopNoteFrequency, 1e9, 1e9, "", nullptr)).Default(kTopNoteFrequency).Curve(C::Exp1).Mask("####0.###").Set(OscFixed);
  Slider(f.AddHiddenSlider(&p.AuxOscTracking.lanes()[l], "Tracking", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Set(OscPitch);
  Slider(f.AddSlider(&p.AuxOscSawShape.lanes()[l], "SawShape", 0, 0.999, 0, 1, "", nullptr)).Default(0.993f).Curve(C::Log10);
  Slider(f.AddSlider(&p.AuxOscSawSigma1.lanes()[l], "SawSigma1", -1, 1, -8, 8, "", nullptr)).Default(1.0f).Curve(C::Lin);
  Slider(f.AddSlider(&p.AuxOscSawSigma2.lanes()[l], "SawSigma2", -1, 1, -8, 8, "", nullptr)).Default(0).Curve(C::Lin);
  Slider(f.AddSlider(&p.AuxOscMorph.lanes()[l], "Morph", -1, 1, -2, 2, "", nullptr)).Default(0.8f).Curve(C::Lin).Key();
  Slider(f.AddPrimarySlider(&p.AuxOscDCFilter.lanes()[l], "DCFilter", 0, 0.001, 0, 0.1, "", &p._AuxOscDCFilter.lanes()[l])).Default(0.0001f).Curve(C::Exp10);
  Slider(f.AddHiddenSliderI(&p.AuxOscCenter.lanes()[l], "Center", 0, 127, 1e9, 1e9, "", nullptr)).Default(60).Curve(C::Lin).Set(OscCenter);
  Slider(f.AddPrimarySlider(&p.AuxOscLevel.lanes()[l], "Level", 0, 1, -8, 8, "", nullptr)).Default(0.25f).Curve(C::Lin).Key();
  Slider(f.AddHiddenSlider(&p.SampleOscLevel.lanes()[l], "SampleLevel", 0, 1, -8, 8, "", nullptr)).Default(0.25f).Curve(C::Lin);
  Slider(f.AddSlider(&p.AuxOscMix.lanes()[l], n <= 2 ? "Balance 1-2" : "Balance 3-4", -1, 1, 1e9, 1e9, "", nullptr)).Default(0).Curve(C::Lin).Key();
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
  f.Y = 426;
  f.AddSection("Sound");
  Slider(f.AddPrimarySliderII(nullptr, "Polyphony", 0, 16, 0, 16, "")).Default(0).Key().Get(VoiceCountGet).Set(VoiceCountSet);
  List(f.AddHiddenCombo(&p.SampleFilter, "SampleFilter", "Single\rDual\rTripple\rQuad", false, "", 0, nullptr, false)).Default(0).Set(SampleRateFieldsList);
  List(f.AddCombo(nullptr, "MIDIChannel", ChannelItems(), false, "", 0, nullptr, false)).Default(0).Key().Get(MidiChannelGet).Set(MidiChannelSet);
  Slider(f.AddSliderII(&p.PlayNote, "PlayNote", -1, 127, -1, 127, "")).Default(-1).Set(PreviewNote);

  f.NextColumn();
  f.Y = 426;
  f.AddSection("Voice")->SetSize(kHalfColumn, XSection::kDefaultHeight);
  f.X += 76;
  f.Y = 426;
  Switch(f.AddButton(&p.Oversample, "Oversample", 0, 0)).Values(0, 1).Set(Oversampling);
  f.X -= 76;
  Slider(f.AddPrimarySlider(&p.Volume, "Amp/Volume", 0, 1, -8, 8, "", nullptr)).Default(0.5f).Key();
  Slider(f.AddHiddenSliderII(&p.Upsample, "Upsample", 1, 32, 1, 32, "")).Default(8).Set(SampleRateFields);
  List(f.AddPrimaryCombo(&p.VolumeModSource, "AmpSource", f.Lists.ModSources, false, "", 0, nullptr, false)).Default(8).Get(ModSourceGet).Set(AmpSourceSet);
  List(f.AddHiddenCombo(&p.Declicker, "Declicker", "Off\rVoice-On/Release\rVoice-On Only\rVoice-Release Only\rAlways", false, "", 0, nullptr, false)).Default(0);
  Slider(f.AddPrimarySlider(&p.VolumeModAmount, "AmpAmount", -1, 1, -8, 8, "", nullptr)).Default(0);
  Slider(f.AddHiddenSlider(&p.VolumeVelocity, "Velocity", -1, 1, -8, 8, "", nullptr)).Default(0);
  f.FlushHiddenParams();

  f.NextColumn();
  f.Y = 426;
  f.AddPatchCommands();
  f.AddInformationLabels();
}

}  // namespace brelix
