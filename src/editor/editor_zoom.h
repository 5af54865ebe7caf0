// The editor's zoom for screens of high resolution: the Zoom setting (percent) becomes the form's
// scale, and the host's rectangle is the form's size in device pixels at that scale. Widgets keep
// their logical pixels; the form scales the drawing and maps the pointer back (editor/form.h).
#pragma once

#include <cstdint>

#include "plugin/vst24.h"
#include "ui/geometry.h"

namespace brelix {

class TForm;

// The form's scale for a Zoom setting: 1.25, 1.5 or 2 for 125, 150 or 200, else 1 (the exact
// pixels of the design).
double ZoomScale(int32_t percent);

// The largest zoom level up to `percent` at which a form of `width` x `height` logical pixels fits
// on a screen of `screen` pixels, never below 100; `percent` itself for a screen of unknown size
// (0 x 0) and for values that are no zoom level.
int32_t ZoomThatFits(int32_t percent, int width, int height, ui::TSize screen);

// Gives `form` its logical size and the scale of the zoom that fits `screen` (a smaller one than
// `percent` is announced on standard error); returns the rectangle a host gets from
// effEditGetRect, which is the size of the window the form is shown in.
ERect ZoomForm(TForm& form, int width, int height, int32_t percent, ui::TSize screen = {0, 0});

}  // namespace brelix
