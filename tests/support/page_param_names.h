// The editor's host parameter names as its four pages build them: every section and control
// caption in build order, named and staged as the interface form does, so that the hidden layer's
// entries land where each flush puts them. The expected list of the tests that check the names,
// whether of the naming rules or of the built plug-in.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "editor/host_param_list.h"
#include "editor/param_names.h"

namespace brelix::testing {

class PageParamNames {
 public:
  struct Control {
    int id;
  };

  PageParamNames() { BuildPages(); }

  // Entry i's name with Automation on (entry 0 is "Extended").
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i, true, false));
    return names;
  }

  TParamNamer namer;
  THostParamList<Control> list;

 private:
  void Section(const std::string& caption, bool hidden = false) {
    if (auto naming = namer.Section(caption, hidden)) list.Add(naming->Name, nullptr, hidden);
  }
  void Controls(std::initializer_list<std::string> captions, bool hidden = false) {
    for (const std::string& caption : captions) {
      list.Add(namer.Control(caption, hidden)->Name, &control_, hidden);
    }
  }
  void Hidden(std::initializer_list<std::string> captions) { Controls(captions, true); }

  void BuildPages() {
    for (int n = 1; n <= 4; ++n) {
      const std::string osc = "Osc #" + std::to_string(n);
      Section(osc);
      Controls({"FreeRun", "Semitone", "Detune", "FixedFreq", "PulseWidth", "SyncOsc", "OscRange",
                "SawShape", "SawSigma1", "SawSigma2", "Morph", "DCFilter", "Level",
                n <= 2 ? "Balance 1-2" : "Balance 3-4"});
      Hidden({"SampleLoop", "Tracking", "Center", "SampleLevel"});
      list.FlushHiddenParams();
    }
    Section("");  // the patch name header
    Section("Sound");
    Controls({"Polyphony", "MIDIChannel", "PlayNote"});
    Hidden({"SampleFilter"});
    Section("Voice");
    Controls({"Oversample", "Amp/Volume", "AmpSource", "AmpAmount"});
    Hidden({"Upsample", "Declicker", "Velocity"});
    list.FlushHiddenParams();
    for (int n = 1; n <= 4; ++n) {
      Section("Filter #" + std::to_string(n));
      Controls({"PostFeed", "Type", "Cutoff", "Resonance", "Gain", "Qompensate", "FilterRange",
                "NoiseMix", "Pan", "Level"});
      Hidden({"Declick", "Velocity", "Tracking", "Center"});
      list.FlushHiddenParams();
    }
    for (int n = 1; n <= 4; ++n) {
      Section("LFO #" + std::to_string(n));
      Controls({"Clocked", "Shape", "Rate", "Level", "Random", "Offset", "FadeIn", "Quantize"});
      Hidden({"Smooth"});
      list.FlushHiddenParams();
    }
    for (int n = 1; n <= 4; ++n) {
      Section(n == 4 ? "Env #4 Amp" : "Env #" + std::to_string(n));
      Controls({"FreeLFO" + std::to_string(n), "Legato", "Time0 [A]", "Time1 [D]", "Time2 [S]",
                "Time3", "Time4 [R]", "Step0", "Step1", "Step2", "Step3", "Step4", "Level0",
                "Level1", "Level2", "Level3", "Level4", "Curve0", "Curve1", "Curve2", "Curve3",
                "Curve4"});
      Hidden({"VoiceLFO" + std::to_string(n), "Declick"});
      list.FlushHiddenParams();
    }
    for (int m = 1; m <= 16; ++m) {  // each slot: both headers, then both layers control by control
      Section("ModMatrix #" + std::to_string(m));
      Section("MIDI ModMatrix #" + std::to_string(m), true);
      for (const char* caption : {"Source", "Destination", "Amount"}) {
        Controls({caption});
        Hidden({caption});
      }
    }
    list.FlushHiddenParams();
    Section("Delay #1");
    Controls({"Clocked", "Wet", "Dry", "TimeL", "TimeR", "Input", "FeedbackL", "FeedbackR", "Damp",
              "StereoWidth", "Mix"});
    Section("Delay #2");
    Controls({"Serial", "Clocked", "Wet", "Dry", "TimeL", "TimeR", "Input", "FeedbackL",
              "FeedbackR", "Damp", "StereoWidth", "Mix"});
  }

  Control control_{0};
};

}  // namespace brelix::testing
