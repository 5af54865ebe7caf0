// The numeric codes a patch file stores for its list choices, with the names the editor shows for
// them: modulation sources and destinations, filter types, envelope curves and stages, LFO shapes,
// the declicker modes and the sample filter sections.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelix {

// A list whose codes count from 0: the name of code i is entry i.
struct CodeList {
  const char* Key;  // the patch file key that stores a code of the list
  std::vector<std::string> Names;
};

const CodeList& FilterTypes();      // FilterType
const CodeList& EnvelopeCurves();   // EnvCurve.0 .. EnvCurve.4
const CodeList& EnvelopeStages();   // the stages that EnvStep counts between
const CodeList& LfoShapes();        // LfoShape
const CodeList& DeclickerModes();   // Declicker
const CodeList& SampleFilters();    // SampleFilter

// The source a code names ("LFO1", "CC1 ModWheel", "Constant"), or "" for a code that names
// none (it reads 0).
std::string ModSourceName(int32_t code);
// The destination a code names ("Filter1Cutoff", "Void"), or "" for a code that names none (the
// slot then adds to nothing).
std::string ModDestName(int32_t code);

}  // namespace brelix
