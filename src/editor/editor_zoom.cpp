#include "editor/editor_zoom.h"

#include <cmath>
#include <iostream>

#include "toolkit/form.h"
#include "patch/settings.h"

namespace brelix {

double ZoomScale(int32_t percent) { return IsEditorZoom(percent) ? percent / 100.0 : 1.0; }

int32_t ZoomThatFits(int32_t percent, int width, int height, ui::TSize screen) {
  if (!IsEditorZoom(percent) || screen.width <= 0 || screen.height <= 0) return percent;
  for (const int32_t level : {200, 150, 125}) {
    if (level > percent) continue;
    const double scale = ZoomScale(level);
    if (std::ceil(width * scale) <= screen.width && std::ceil(height * scale) <= screen.height) return level;
  }
  return 100;
}

ERect ZoomForm(TForm& form, int width, int height, int32_t percent, ui::TSize screen) {
  const int32_t fitting = ZoomThatFits(percent, width, height, screen);
  if (fitting != percent) {
    std::cerr << "Brelix: the editor at Zoom=" << percent << " is larger than the " << screen.width << " x "
              << screen.height << " screen; it opens at Zoom=" << fitting << ".\n";
  }
  form.SetBounds(0, 0, width, height);
  form.SetScale(ZoomScale(fitting));
  // The window takes the form's device size, so the host's rectangle is rounded the same way.
  const TSize device = form.WindowClient().DeviceSize();
  return {0, 0, static_cast<int16_t>(device.height), static_cast<int16_t>(device.width)};
}

}  // namespace brelix
