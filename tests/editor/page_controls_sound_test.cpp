// The controls of the editor's four pages driven as a musician or a host drives them, while notes
// sound: a value typed into a slider's edit box, an item chosen from a drop-down, a switch
// clicked, a header clicked, or a host parameter written. Each edit must reach its engine field
// through the control's call-back, and the rendered sound must follow. The call-backs themselves
// are tested directly elsewhere; this is the wiring from each page control to its call-back.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "callback_fixture.h"
#include "page_driver.h"
#include "editor/x_interface.h"
#include "widgets/x_label.h"
#include "widgets/x_section.h"
#include "widgets/x_slider.h"
#include "engine/engine_tables.h"
#include "modulation/delay.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"
#include "modulation/mod_sources.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/sine_wav.h"
#include "ui/headless_window.h"

namespace brelix::testing {
namespace {

// Made before the synthesizer, so that its editor works in a folder of its own, its messages
// recorded and its dialogs scripted.
struct EditorServicesFirst {
  PluginFolder folder;
  RecordedMessages messages;
  ScriptedDialogs dialogs;
};

class PageControlsWhilePlaying : public EditorServicesFirst, public CallbackTest, public PageDriver {
 protected:
  PageControlsWhilePlaying() { OpenEditor(); }
  ~PageControlsWhilePlaying() override { window.reset(); }

  // A new instance playing the default patch, with its editor shown.
  void Restart() {
    window.reset();
    {
      SynthFixture fresh;
      std::swap(f, fresh);
    }
    OpenEditor();
  }

  // Writes the host parameter of that name, as a host's automation does.
  // A host's write, then its idle call, in which the controls take what the host wrote.
  void Host(const std::string& id, float value) {
    char name[64];
    for (int32_t i = 0; i < synth().Interface()->Params.Count(); ++i) {
      synth().GetParameterName(i, name);
      if (id != name) continue;
      synth().SetParameter(i, value);
      synth().Interface()->Idle();
      return;
    }
    throw std::runtime_error("no host parameter " + id);
  }

  TEditorForm* form = nullptr;
  std::unique_ptr<ui::HeadlessWindow> window;

 private:
  void OpenEditor() {
    synth().Automation = true;
    form = dynamic_cast<TEditorForm*>(synth().Interface()->EditorForm());
    ASSERT_NE(form, nullptr);
    window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
    window->Idle();
    Drive(*form, *window);
  }
};

// ---- oscillators ---------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, PitchControlsRetuneTheSoundingNote) {
  struct Edit {
    const char* id;
    const char* typed;  // none: the host writes `host`
    float host = 0;
  };
  struct Case {
    const char* name;
    uint8_t note;
    std::vector<Edit> edits;
    double hz;
  };
  const Case cases[] = {
      {"Semitone typed 12", 60, {{"Osc1.Semitone", "12"}}, NoteHz(72)},
      {"Detune from the host, 0.75 of -1..1", 60, {{"Osc1.Detune", nullptr, 0.75f}}, NoteHz(60.5)},
      {"Tracking (hidden layer) 0: the centre note", 72, {{"Osc1.Tracking", "0"}}, NoteHz(60)},
      {"Center (hidden layer) 72 without tracking", 64, {{"Osc1.Tracking", "0"}, {"Osc1.Center", "72"}}, NoteHz(72)},
      {"FixedFreq 1000", 67, {{"Osc1.FixedFreq", "1000"}}, 1000.0},
      {"FixedFreq back to 0: the keyboard again", 67, {{"Osc1.FixedFreq", "1000"}, {"Osc1.FixedFreq", "0"}}, NoteHz(67)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    Hold(c.note);
    EXPECT_NEAR(SoundingHz(), NoteHz(c.note), NoteHz(c.note) * 0.01);
    for (const Edit& e : c.edits) {
      if (e.typed != nullptr)
        Type(e.id, e.typed);
      else
        Host(e.id, e.host);
    }
    EXPECT_NEAR(work(0).AuxOscFrequency.lane(0), c.hz, c.hz * 0.002);
    EXPECT_NEAR(SoundingHz(), c.hz, c.hz * 0.01);
  }
  // The last case's masks: lane 1 follows the keyboard again, the others never left it.
  EXPECT_EQ(patch().AuxOscFixedOsc.lane(0), 0xFFFFFFFFu);
}

// The bar keeps to the normal range; Alt and the edit box reach the extended one.
TEST_F(PageControlsWhilePlaying, BarDragsAndTypedValuesKeepToTheirRanges) {
  const auto drag_to_right_end = [this](XParamSlider& s, TShiftState shift) {
    Reveal(s);
    const TPoint o = s.Slider->FormOrigin();
    window->MouseDown(o.x + 75, o.y + 8, ui::TMouseButton::Left, shift);
    window->MouseMove(o.x + 170, o.y + 8, shift);
    window->MouseUp(o.x + 170, o.y + 8, ui::TMouseButton::Left, shift);
    window->Idle();
  };
  Hold(60);
  drag_to_right_end(Find<XParamSlider>("Osc1.Detune"), {});
  EXPECT_EQ(patch().AuxOscDetune.lane(0), 1.0f);
  EXPECT_NEAR(SoundingHz(), NoteHz(61), NoteHz(61) * 0.01);

  XParamSlider& semitone = Find<XParamSlider>("Osc1.Semitone");
  drag_to_right_end(semitone, {});
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), 48.0f);
  drag_to_right_end(semitone, {.Alt = true});
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), 120.0f);
  Type("Osc1.Semitone", "-300");
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), -120.0f);
  EXPECT_EQ(semitone.Edit->Text(), "-120");
  Type("Osc1.Semitone", "-12");
  EXPECT_NEAR(SoundingHz(), NoteHz(49), NoteHz(49) * 0.01);
}

TEST_F(PageControlsWhilePlaying, CenterResetByRightClickRecomputesTheBasePitch) {
  Type("Osc1.Tracking", "0");
  Type("Osc1.Center", "72");
  EXPECT_EQ(patch().AuxOscBasePitch.lane(0), NoteFrequency[72]);
  Hold(64);
  EXPECT_NEAR(SoundingHz(), NoteHz(72), NoteHz(72) * 0.01);
  XParamSlider& center = Find<XParamSlider>("Osc1.Center");
  const TPoint p = center.Text->FormOrigin();
  window->Click(p.x + 5, p.y + 5, ui::TMouseButton::Right);
  EXPECT_EQ(patch().AuxOscCenter.lane(0), 60.0f);
  EXPECT_EQ(patch().AuxOscBasePitch.lane(0), NoteFrequency[60]);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);
}

// A constant 0.1 on the pitch of oscillator 1, routed by the lists and the amount of slot 1: 0.1
// of the range in hertz, or 10 % of the oscillator's own frequency with the range at 0.
TEST_F(PageControlsWhilePlaying, OscRangeScalesThePitchModulationRoutedOnTheMatrixPage) {
  Choose("ModMatrix1.Source", "Constant");
  Choose("ModMatrix1.Destination", "Osc1Pitch");
  Type("ModMatrix1.Amount", "0.1");
  EXPECT_EQ(patch().ModSource[0].lane(0), 65535u);
  EXPECT_EQ(patch().ModDest[0].lane(0), 1u);
  EXPECT_EQ(patch().ModSlotOn[0], kModRowOn);
  Type("Osc1.OscRange", "1000");
  EXPECT_EQ(patch().AuxOscFixedRange.lane(0), 0u);
  Hold(60);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) + 100.0, 3.0);

  const uint32_t lane2 = patch().AuxOscFixedRange.lane(1);
  Type("Osc1.OscRange", "0");
  EXPECT_EQ(patch().AuxOscFixedRange.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(patch().AuxOscFixedRange.lane(1), lane2);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) * 1.1, 3.0);
}

// ---- modulation lists ----------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, SourceListsStoreControllersNegativeAndAimEveryVoice) {
  Type("Osc1.OscRange", "1000");  // 0.1 of pitch modulation is 100 Hz
  Choose("ModMatrix1.Source", "CC1 ModWheel");
  Choose("ModMatrix1.Destination", "Osc1Pitch");
  Type("ModMatrix1.Amount", "0.1");
  EXPECT_EQ(static_cast<int32_t>(patch().ModSource[0].lane(0)), -2);
  for (int v = 0; v < kMaxVoices; ++v)
    EXPECT_EQ(work(v).ModSourcePtr[0].lane(0), ResolveModSource(patch(), work(v), -2)) << v;
  Hold(60);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), 3.0) << "the wheel is down";
  f.Send(0xB0, 1, 127);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) + 100.0, 3.0);

  // The MIDI matrix's slot in the same place, on the hidden layer.
  Choose("MIDIModMatrix1.Source", "Aftertouch/Pressure");
  EXPECT_EQ(static_cast<int32_t>(patch().MidiModSource[0].lane(0)), -130);
  EXPECT_EQ(work(3).MidiModSourcePtr[0].lane(0), ResolveModSource(patch(), work(3), -130));
  EXPECT_EQ(static_cast<int32_t>(patch().ModSource[0].lane(0)), -2) << "the patch matrix is another";

  // Reloaded from the patch, the lists show the controller items again.
  form->LoadControls();
  EXPECT_EQ(Find<XParamCombo>("ModMatrix1.Source").DisplayText(), "CC1 ModWheel");
  EXPECT_EQ(Find<XParamCombo>("MIDIModMatrix1.Source").DisplayText(), "Aftertouch/Pressure");
}

TEST_F(PageControlsWhilePlaying, DestinationListsSetTheRowFlagsAndTheMatrixCount) {
  struct Case {
    const char* id;
    const char* item;
    int row;
    bool midi;
    int32_t count;
  };
  const Case cases[] = {
      {"ModMatrix16.Destination", "Volume", 3, false, 12},
      {"ModMatrix10.Destination", "Filter2Pan", 2, false, 12},
      {"ModMatrix16.Destination", "None", 3, false, 8},
      {"ModMatrix10.Destination", "None", 2, false, 0},
      {"MIDIModMatrix6.Destination", "LFO1Rate", 1, true, 4},
      {"MIDIModMatrix6.Destination", "None", 1, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + c.item);
    Choose(c.id, c.item);
    const uint32_t* rows = c.midi ? patch().MidiModSlotOn : patch().ModSlotOn;
    EXPECT_EQ(rows[c.row], std::string(c.item) == "None" ? 0u : kModRowOn);
    EXPECT_EQ(c.midi ? patch().MidiModMatrixCount : patch().ModMatrixCount, c.count);
  }
}

TEST_F(PageControlsWhilePlaying, AmpSourceListGatesTheVoices) {
  Choose("Voice.AmpSource", "CC1 ModWheel");
  EXPECT_EQ(patch().VolumeModSource, -2);
  Hold(60);
  EXPECT_TRUE(Silent()) << "the wheel is down";
  f.Send(0xB0, 1, 127);
  EXPECT_GT(SoundingRms(), 0.01);
}

// ---- filters -------------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, FilterTypeListWritesTheWeightsAndTheToneFollows) {
  const auto weights = [this](int lane) {
    const XPatch& p = patch();
    return std::array<float, 5>{p.FilterPole0.lane(lane), p.FilterPole1.lane(lane), p.FilterPole2.lane(lane),
                                p.FilterPole3.lane(lane), p.FilterPole4.lane(lane)};
  };
  Hold(60);
  const double low_pass = SoundingRms();
  Choose("Filter1.Type", "HighPass4");
  EXPECT_EQ(weights(0), (std::array<float, 5>{1, -4, 6, -4, 1}));
  EXPECT_LT(SoundingRms(), 0.3 * low_pass);
  Choose("Filter3.Type", "Bypass");
  EXPECT_EQ(weights(2), (std::array<float, 5>{1, 0, 0, 0, 0}));
  Choose("Filter1.Type", "LowPass4");
  EXPECT_EQ(weights(0), weights(1));
  EXPECT_NEAR(SoundingRms(), low_pass, 0.1 * low_pass);
}

TEST_F(PageControlsWhilePlaying, FilterRangeZeroScalesCutoffModulationByTheCutoff) {
  Type("Filter1.Cutoff", "50");
  Choose("ModMatrix1.Source", "Constant");
  Choose("ModMatrix1.Destination", "Filter1Cutoff");
  Type("ModMatrix1.Amount", "0.1");
  Hold(48);
  const double open = SoundingRms();
  Type("Filter1.FilterRange", "0");
  EXPECT_EQ(patch().FilterFixedRange.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(patch().FilterFixedRange.lane(1), 0u);
  EXPECT_LT(SoundingRms(), 0.6 * open);
}

TEST_F(PageControlsWhilePlaying, FilterTrackingAndCenterMoveTheCutoffOfTheSoundingVoice) {
  Type("Filter1.Cutoff", "300");
  Hold(84);
  const double untracked = SoundingRms();
  Type("Filter1.Tracking", "1");  // two octaves above the centre 60: four times the cutoff
  EXPECT_NEAR(work(0).FilterRatio.lane(0), 4.0f, 0.01f);
  EXPECT_GT(SoundingRms(), 1.5 * untracked);
  Type("Filter1.Center", "84");
  EXPECT_NEAR(work(0).FilterRatio.lane(0), 1.0f, 0.01f);
  EXPECT_NEAR(SoundingRms(), untracked, 0.1 * untracked);
}

// ---- LFOs ----------------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, LfoShapeRateAndClockReachTheLoudness) {
  // LFO 1 as the amplitude source: the loudness follows it. 10 ms peaks of one second.
  const auto loudness = [this] { return BlockPeaks(Render(44100), 441); };
  const auto depth = [](const std::vector<float>& peaks) {
    return *std::min_element(peaks.begin(), peaks.end()) / *std::max_element(peaks.begin(), peaks.end());
  };
  Choose("Voice.AmpSource", "LFO1");
  Type("LFO1.Rate", "4");
  EXPECT_EQ(patch().LfoTime.lane(0), 4.0f);
  Hold(60);
  EXPECT_LT(depth(loudness()), 0.3f) << "a sine swells and fades";

  Choose("LFO1.Shape", "Square");
  EXPECT_EQ(patch().LfoTable.lane(0), LfoShapeTable[2]);
  EXPECT_EQ(patch().LfoTableSize.lane(0), static_cast<float>(LfoShapeSize[2]));
  EXPECT_GT(depth(loudness()), 0.7f) << "a square hardly moves";

  Choose("LFO1.Shape", "Tanh");
  EXPECT_EQ(patch().LfoTable.lane(0), LfoShapeTable[24]);

  Toggle("LFO1.Clocked");
  EXPECT_EQ(patch().LfoTime.lane(0), 0.25f);
  EXPECT_EQ(patch().LfoTime.lane(1), 0.1f) << "the other lanes keep their rate";
  Type("LFO1.Rate", "0");
  EXPECT_EQ(patch().LfoTime.lane(0), 0.0f);
}

// ---- envelopes -----------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, ReleaseTimeTypedLengthensTheTail) {
  Type("Env4Amp.Time4R", "0.5");
  EXPECT_EQ(patch().EnvRate[4].lane(kAmpLane), 2.0f);
  Hold(60);
  const double held = SoundingRms();
  f.NoteOff(60);
  EXPECT_GT(RmsOf(Render(8820), 4410, 8820), 0.2 * held) << "a tenth of a second after the key";
}

TEST_F(PageControlsWhilePlaying, StepListStopEndAfterTheSustainEndsAHeldNote) {
  XParamCombo& step = Choose("Env4Amp.Step2", "Stop/End");
  EXPECT_EQ(patch().EnvStep[2].lane(kAmpLane), 48);
  f.NoteOn(60);
  Render(2048);
  EXPECT_EQ(f.stage(0), kStageEnd);
  EXPECT_TRUE(Silent());
  // Back to the sustain: the note holds again.
  Choose("Env4Amp.Step2", "Stage2 [S]");
  EXPECT_EQ(patch().EnvStep[2].lane(kAmpLane), 0);
  EXPECT_EQ(step.Value, 2u);
  Hold(60);
  EXPECT_GT(SoundingRms(), 0.01);
}

TEST_F(PageControlsWhilePlaying, CurveListShapesTheAttack) {
  Type("Env4Amp.Time0A", "0.5");
  const float default_curve = AttackMidway();
  Choose("Env4Amp.Curve0", "Linear");
  EXPECT_EQ(patch().EnvCurves[0].lane(kAmpLane), EnvCurveTable[0]);
  const float linear = AttackMidway();
  EXPECT_NEAR(linear, 0.5f, 0.1f);
  EXPECT_GT(std::abs(linear - default_curve), 0.15f);
}

// ---- voices and MIDI -----------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, PolyphonyTypedOrFromTheHostSetsTheVoiceCount) {
  Type("Sound.Polyphony", "0");
  EXPECT_EQ(multi().MaxVoice, -1);
  Hold(60);
  EXPECT_TRUE(Silent()) << "no voice plays";
  Host("Sound.Polyphony", 0.5f);
  EXPECT_EQ(multi().MaxVoice, 7);
  EXPECT_EQ(Find<XParamSlider>("Sound.Polyphony").Value, 8.0f);
  Hold(60);
  EXPECT_GT(SoundingRms(), 0.01);
  Type("Sound.Polyphony", "99");  // beyond 16: the edit box keeps to 16
  EXPECT_EQ(multi().MaxVoice, 15);
}

TEST_F(PageControlsWhilePlaying, MidiChannelListChoosesWhichNotesPlay) {
  EXPECT_EQ(Find<XParamCombo>("Sound.MIDIChannel").DisplayText(), "1");
  Choose("Sound.MIDIChannel", "4");
  EXPECT_EQ(multi().Channel, 3);
  Hold(60, 0);
  EXPECT_TRUE(Silent());
  Hold(60, 3);
  EXPECT_GT(SoundingRms(), 0.01);
}

TEST_F(PageControlsWhilePlaying, PlayNoteStartsThePreviewAndMinusOneSilencesEverything) {
  Type("Sound.PlayNote", "60");
  EXPECT_EQ(patch().PlayNote, 60);
  EXPECT_EQ(synth().Voices[0]->Note, 60);
  EXPECT_EQ(synth().Voices[0]->Velocity, 127);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);
  Hold(64);
  Type("Sound.PlayNote", "-1");
  for (int v = 0; v <= multi().MaxVoice; ++v) EXPECT_EQ(f.stage(v), kStageEnd) << v;
  EXPECT_TRUE(Silent());
}

// ---- delays --------------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, DelaySlidersSwitchTheEchoOnAndTheHeaderClearsIt) {
  Type("Delay1.Wet", "1");
  Type("Delay1.TimeL", "0.1");
  Type("Delay1.TimeR", "0.1");
  EXPECT_EQ(patch().FX1Ptr, patch().Delay);
  EXPECT_EQ(patch().Delay->DelayWork->DelayTime.lane(0), 0.1f);
  const Stereo echo = Ping();
  EXPECT_LT(At(echo.left, 0.05), 0.01);
  EXPECT_GT(At(echo.left, 0.1), 0.1);
  EXPECT_GT(At(echo.right, 0.1), 0.1);

  // A click on "Delay #1" while the echo is on its way clears the line; no value changes.
  f.NoteOn(60);
  Render(kNoteFrames);
  f.NoteOff(60);
  Render(kNoteFrames);
  XSection* header = nullptr;
  for (TComponent* c : form->PageControls[static_cast<int>(TPage::ModPage)])
    if (auto* s = dynamic_cast<XSection*>(c); s != nullptr && s->Caption.find("Delay #1") != std::string::npos) header = s;
  ASSERT_NE(header, nullptr);
  ASSERT_TRUE(header->Visible()) << "the delay page is shown";
  Click(*header);
  const std::vector<float> after = Render(8820);
  EXPECT_LT(ChangeRms(after, 0, after.size()), kSilence) << "the echo is gone";
  EXPECT_EQ(patch().DelayWet, 1.0f);
  EXPECT_EQ(patch().DelayTimeL, 0.1f);
}

TEST_F(PageControlsWhilePlaying, DelaySwitchesCoverTheirLanesAndSerialRoutes) {
  Toggle("Delay1.Clocked");
  EXPECT_EQ(patch().DelayClocked.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(patch().DelayClocked.lane(1), 0xFFFFFFFFu);
  EXPECT_EQ(patch().DelayClocked.lane(2) | patch().DelayClocked.lane(3), 0u);
  Toggle("Delay2.Clocked");
  EXPECT_EQ(patch().DelayClocked.lane(3), 0xFFFFFFFFu);
  XParamButton& serial = Toggle("Delay2.Serial");
  EXPECT_EQ(patch().DelayRouting, 1.0f);
  EXPECT_TRUE(serial.Value);
  Toggle("Delay2.Serial");
  EXPECT_EQ(patch().DelayRouting, 0.0f);

  // Delay 1 clocked: a time of 0.1 is a tenth of a bar, 0.2 s at the default 120 BPM.
  Type("Delay1.Wet", "1");
  Type("Delay1.TimeL", "0.1");
  Type("Delay1.TimeR", "0.1");
  const Stereo echo = Ping();
  EXPECT_LT(At(echo.left, 0.1), 0.01);
  EXPECT_GT(At(echo.left, 0.2), 0.1);
}

// ---- rates ---------------------------------------------------------------------------------------

TEST_F(PageControlsWhilePlaying, OversampleSwitchKeepsThePitchAtTheNewRate) {
  ASSERT_EQ(patch().Oversample, 1u);
  Hold(60);
  Toggle("Voice.Oversample");
  EXPECT_EQ(patch().Oversample, 0u);
  EXPECT_EQ(patch().AudioSampleRate.lane(0), 44100.0f);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);
  Toggle("Voice.Oversample");
  EXPECT_EQ(patch().Oversample, 1u);
  EXPECT_EQ(patch().AudioSampleRate.lane(0), 88200.0f);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);
}

// ---- the sustain pedal ---------------------------------------------------------------------------

// The switch beside the Sound header: on in a new patch, and a click decides whether the pedal
// holds a note let go. It is no host parameter: the host's list keeps its 443 entries.
TEST_F(PageControlsWhilePlaying, SustainPedalSwitchDecidesWhetherThePedalHoldsNotes) {
  XParamButton* pedal = nullptr;
  for (TComponent* c : form->PageControls[static_cast<int>(TPage::OscPage)])
    if (auto* b = dynamic_cast<XParamButton*>(c); b != nullptr && b->Caption == "SustainPedal") pedal = b;
  ASSERT_NE(pedal, nullptr);
  EXPECT_TRUE(pedal->ParamID.empty());
  EXPECT_EQ(synth().Interface()->Params.Count(), 443);
  ASSERT_EQ(patch().SustainPedal, 1u);
  EXPECT_TRUE(pedal->Down);
  const auto heldAfterRelease = [&] {
    f.Send(0xB0, 64, 127);
    Hold(60);
    f.NoteOff(60);
    Render(256);
    const bool held = AmpStage(work(0)) < kStageRelease;
    f.Send(0xB0, 64, 0);
    Render(4096);
    return held;
  };
  EXPECT_TRUE(heldAfterRelease());
  Reveal(*pedal);
  Click(*pedal);
  EXPECT_EQ(patch().SustainPedal, 0u);
  EXPECT_TRUE(multi().Modified);
  EXPECT_FALSE(heldAfterRelease());
  Click(*pedal);
  EXPECT_EQ(patch().SustainPedal, 1u);
}

TEST_F(PageControlsWhilePlaying, SampleHeaderAndSampleRateControlsKeepTheSamplePitch) {
  // Lane 1 plays a 441 Hz sine chosen through its header, and nothing else sounds.
  const std::string sine = WriteSineWav(folder.path() / "sine.wav", 441.0, 44100);
  dialogs.files = {sine};
  Click(*form->OscSection[0]);
  EXPECT_EQ(std::string(patch().SampleOscFile[0]), sine);
  Type("Osc1.Level", "0");
  Type("Osc1.SampleLevel", "1");
  Hold(60);
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);

  Type("Voice.Upsample", "4");
  EXPECT_EQ(patch().Upsample, 4u);
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);
  Choose("Sound.SampleFilter", "Quad");
  EXPECT_EQ(patch().SampleFilter, 3u);
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);
  Toggle("Osc1.SampleLoop");
  EXPECT_EQ(patch().SampleOscLoop.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(patch()._SampleOscLoop.lane(0), 44100.0);
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace brelix::testing
