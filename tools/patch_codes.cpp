#include "patch_codes.h"

#include "modulation/mod_sources.h"

namespace brelix {

namespace {

constexpr int kLanes = 4;
constexpr int kMatrixSlots = 16;
constexpr int kControllers = 128;
constexpr int32_t kSourcePitchBend = -129;
constexpr int32_t kSourcePressure = -130;

// "Log1".."Log10" then "Exp1".."Exp10": the curve tables that envelopes and LFOs share.
void AddLogAndExpCurves(std::vector<std::string>& names) {
  for (const char* kind : {"Log", "Exp"})
    for (int n = 1; n <= 10; ++n) names.push_back(kind + std::to_string(n));
}

// prefix + lane + suffix for lanes 1..4 ("Filter" 1 "Cutoff").
void AddLanes(std::vector<std::string>& names, const std::string& prefix, const std::string& suffix) {
  for (int n = 1; n <= kLanes; ++n) names.push_back(prefix + std::to_string(n) + suffix);
}

// Sources 0..46; 47 is the old code of "Constant".
std::vector<std::string> VoiceSourceNames() {
  std::vector<std::string> names = {"None"};
  AddLanes(names, "LFO", "");
  names.insert(names.end(), {"Env1", "Env2", "Env3", "Env4 [AmpEG]"});
  AddLanes(names, "LFO", "*MW");
  AddLanes(names, "LFO", "*Pressure");
  AddLanes(names, "Env", "*MW");
  AddLanes(names, "Env", "*Pressure");
  names.insert(names.end(), {"KeyFollow", "KeyTrack", "PitchFollow", "_Reserved", "Velocity", "ReleaseVel"});
  for (int slot = 1; slot <= kMatrixSlots; ++slot) names.push_back("ModMatrix" + std::to_string(slot));
  return names;
}

// Destinations 0..78.
std::vector<std::string> DestinationNames() {
  std::vector<std::string> names = {"None"};
  AddLanes(names, "Osc", "Pitch");
  AddLanes(names, "Osc", "Level");
  names.insert(names.end(), {"Osc1Mix12", "Osc2Mix12", "Osc3Mix34", "Osc4Mix34"});
  for (const char* field : {"Cutoff", "Reso", "Gain", "Qompensate", "Level", "Pan"}) AddLanes(names, "Filter", field);
  AddLanes(names, "Noise", "Mix");
  AddLanes(names, "LFO", "Rate");
  AddLanes(names, "Env", "Rate");
  for (const char* field : {"PW", "Sync", "Morph", "SawShape", "SawSigma1", "SawSigma2"}) AddLanes(names, "Osc", field);
  names.insert(names.end(), {"Pitch", "Volume"});
  AddLanes(names, "SampleOsc", "Level");
  return names;
}

}  // namespace

const CodeList& FilterTypes() {
  static const CodeList list{"FilterType",
                             {"LowPass4", "LowPass3", "LowPass2", "LowPass1", "HighPass4", "BandPass2+2",
                              "BandStop2 (Notch2)", "LowPass4-1", "Bypass"}};
  return list;
}

const CodeList& EnvelopeCurves() {
  static const CodeList list = [] {
    CodeList curves{"EnvCurve", {"Linear"}};
    AddLogAndExpCurves(curves.Names);
    curves.Names.push_back("Tanh");
    return curves;
  }();
  return list;
}

const CodeList& EnvelopeStages() {
  static const CodeList list{"EnvStep", {"Stage0 [A]", "Stage1 [D]", "Stage2 [S]", "Stage3", "Stage4 [R]", "Stop/End"}};
  return list;
}

const CodeList& LfoShapes() {
  static const CodeList list = [] {
    CodeList shapes{"LfoShape", {"Sine", "Saw", "Square", "Triangle"}};
    AddLogAndExpCurves(shapes.Names);
    shapes.Names.push_back("Tanh");
    return shapes;
  }();
  return list;
}

const CodeList& DeclickerModes() {
  static const CodeList list{"Declicker", {"Off", "Voice-On/Release", "Voice-On Only", "Voice-Release Only", "Always"}};
  return list;
}

const CodeList& SampleFilters() {
  static const CodeList list{"SampleFilter", {"Single", "Dual", "Tripple", "Quad"}};
  return list;
}

std::string ModSourceName(int32_t code) {
  static const std::vector<std::string> voice_sources = VoiceSourceNames();
  if (code == kModSourceConstant || code == kModSourceConstantOld) return "Constant";
  if (code >= 0 && code < static_cast<int32_t>(voice_sources.size())) return voice_sources[static_cast<size_t>(code)];
  if (code == kSourcePitchBend) return "PitchBend";
  if (code == kSourcePressure) return "Aftertouch/Pressure";
  if (code < 0 && code >= -kControllers) {
    const int controller = -code - 1;
    return "CC" + std::to_string(controller) + (controller == 1 ? " ModWheel" : "");
  }
  return "";
}

std::string ModDestName(int32_t code) {
  static const std::vector<std::string> destinations = DestinationNames();
  if (code == kModDestVoid || code == kModDestVoidOld) return "Void";
  if (code >= 0 && code < static_cast<int32_t>(destinations.size())) return destinations[static_cast<size_t>(code)];
  return "";
}

}  // namespace brelix
