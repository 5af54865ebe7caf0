#include "editor/editor_item_lists.h"

namespace brelix {
namespace {

std::string ModSourceText() {
  std::string text =
      "None#0\r"
      "LFO1#1\rLFO2#2\rLFO3#3\rLFO4#4\rEnv1#5\rEnv2#6\rEnv3#7\rEnv4 [AmpEG]#8\r"
      "LFO1*MW#9\rLFO2*MW#10\rLFO3*MW#11\rLFO4*MW#12\r"
      "LFO1*Pressure#13\rLFO2*Pressure#14\rLFO3*Pressure#15\rLFO4*Pressure#16\r"
      "Env1*MW#17\rEnv2*MW#18\rEnv3*MW#19\rEnv4*MW#20\r"
      "Env1*Pressure#21\rEnv2*Pressure#22\rEnv3*Pressure#23\rEnv4*Pressure#24\r"
      "KeyFollow#25\rKeyTrack#26\rPitchFollow#27\r_Reserved#28\rVelocity#29\rReleaseVel#30\r";
  for (int m = 1; m <= 16; ++m) text += "ModMatrix" + std::to_string(m) + "#" + std::to_string(30 + m) + "\r";
  text += "Constant#65535\r";
  text += "CC0#48\r";
  for (int c = 1; c <= 127; ++c) text += "CC" + std::to_string(c) + (c == 1 ? " ModWheel" : "") + "\r";
  text += "PitchBend\rAftertouch/Pressure";
  return text;
}

std::string ModDestinationText() {
  static constexpr const char* kNames[] = {
      "None",          "Osc1Pitch",     "Osc2Pitch",     "Osc3Pitch",     "Osc4Pitch",
      "Osc1Level",     "Osc2Level",     "Osc3Level",     "Osc4Level",     "Osc1Mix12",
      "Osc2Mix12",     "Osc3Mix34",     "Osc4Mix34",     "Filter1Cutoff", "Filter2Cutoff",
      "Filter3Cutoff", "Filter4Cutoff", "Filter1Reso",   "Filter2Reso",   "Filter3Reso",
      "Filter4Reso",   "Filter1Gain",   "Filter2Gain",   "Filter3Gain",   "Filter4Gain",
      "Filter1Qompensate", "Filter2Qompensate", "Filter3Qompensate", "Filter4Qompensate",
      "Filter1Level",  "Filter2Level",  "Filter3Level",  "Filter4Level",  "Filter1Pan",
      "Filter2Pan",    "Filter3Pan",    "Filter4Pan",    "Noise1Mix",     "Noise2Mix",
      "Noise3Mix",     "Noise4Mix",     "LFO1Rate",      "LFO2Rate",      "LFO3Rate",
      "LFO4Rate",      "Env1Rate",      "Env2Rate",      "Env3Rate",      "Env4Rate",
      "Osc1PW",        "Osc2PW",        "Osc3PW",        "Osc4PW",        "Osc1Sync",
      "Osc2Sync",      "Osc3Sync",      "Osc4Sync",      "Osc1Morph",     "Osc2Morph",
      "Osc3Morph",     "Osc4Morph",     "Osc1SawShape",  "Osc2SawShape",  "Osc3SawShape",
      "Osc4SawShape",  "Osc1SawSigma1", "Osc2SawSigma1", "Osc3SawSigma1", "Osc4SawSigma1",
      "Osc1SawSigma2", "Osc2SawSigma2", "Osc3SawSigma2", "Osc4SawSigma2", "Pitch",
      "Volume",        "SampleOsc1Level", "SampleOsc2Level", "SampleOsc3Level", "SampleOsc4Level",
  };
  std::string text;
  int number = 0;
  for (const char* name : kNames) text += std::string(name) + "#" + std::to_string(number++) + "\r";
  return text + "Void#65535";
}

}  // namespace

TEditorItemLists BuildEditorItemLists() {
  TEditorItemLists lists;
  lists.ModSources = ModSourceText();
  lists.ModDestinations = ModDestinationText();
  lists.FilterTypes =
      "LowPass4\rLowPass3\rLowPass2\rLowPass1\rHighPass4\rBandPass2+2\rBandStop2 (Notch2)\r"
      "LowPass4-1\rBypass";
  lists.CurveNames =
      "Log1\rLog2\rLog3\rLog4\rLog5\rLog6\rLog7\rLog8\rLog9\rLog10\r"
      "Exp1\rExp2\rExp3\rExp4\rExp5\rExp6\rExp7\rExp8\rExp9\rExp10";
  lists.LfoShapes = "Sine\rSaw\rSquare\rTriangle\r" + lists.CurveNames + "\rTanh";
  lists.EnvCurves = "Linear\r" + lists.CurveNames + "\rTanh";
  lists.EnvStages = "Stage0 [A]\rStage1 [D]\rStage2 [S]\rStage3\rStage4 [R]\rStop/End";
  return lists;
}

}  // namespace brelix
