// Where a right click on a slider's label (or a click with another button than the left on its
// bar) puts the value. Ctrl held undoes instead; that choice is the control's.
#pragma once

#include "editor/slider_ranges.h"

namespace brelix {

// Without modifiers: the control's default. Shift: the normal minimum, or 0 when that minimum is
// within +-1e-6 of it. Alt: the middle between that and the normal maximum. Shift + Alt: the
// normal maximum.
float SliderResetValue(bool shift, bool alt, TSliderRange normal, float defaultValue);

}  // namespace brelix
