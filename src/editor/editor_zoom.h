// The editor's zoom for screens of high resolution: the Zoom setting (percent) becomes the form's
// scale, and the host's rectangle is the form's size in device pixels at that scale. Widgets keep
// their logical pixels; the form scales the drawing and maps the pointer back (editor/form.h).
#pragma once

#include <cstdint>

#include "plugin/vst24.h"

namespace brelix {

class TForm;

// The form's scale for a Zoom setting: 1.25, 1.5 or 2 for 125, 150 or 200, else 1 (the exact
// pixels of the design).
double ZoomScale(int32_t percent);

// Gives `form` its logical size and the zoom's scale; returns the rectangle a host gets from
// effEditGetRect, which is the size of the window the form is shown in.
ERect ZoomForm(TForm& form, int width, int height, int32_t percent);

}  // namespace brelix
