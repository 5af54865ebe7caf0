// The item texts of the editor's option lists, in the line format of list_items.h. The pages hand
// them to their list controls; each list's value numbers are those the patch fields store:
//   sources       "None" 0, the LFO, envelope, key, velocity and matrix sources 1..46 (the
//                 reserved number 28 has no item), "Constant" 65535, "CC0" 48, controllers
//                 1..127 as 49..175, "PitchBend" 176, "Aftertouch/Pressure" 177
//   destinations  "None" 0 .. "SampleOsc4Level" 78, "Void" 65535
//   the others    their lines 0, 1, 2, ...
#pragma once

#include <string>

namespace brelix {

struct TEditorItemLists {
  std::string ModSources;
  std::string ModDestinations;
  std::string FilterTypes;
  std::string CurveNames;
  std::string LfoShapes;
  std::string EnvCurves;
  std::string EnvStages;
};

// Lines are separated by carriage returns.
TEditorItemLists BuildEditorItemLists();

}  // namespace brelix
