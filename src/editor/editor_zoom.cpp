#include "editor/editor_zoom.h"

#include "toolkit/form.h"
#include "patch/settings.h"

namespace brelix {

double ZoomScale(int32_t percent) { return IsEditorZoom(percent) ? percent / 100.0 : 1.0; }

ERect ZoomForm(TForm& form, int width, int height, int32_t percent) {
  form.SetBounds(0, 0, width, height);
  form.SetScale(ZoomScale(percent));
  // The window takes the form's device size, so the host's rectangle is rounded the same way.
  const TSize device = form.WindowClient().DeviceSize();
  return {0, 0, static_cast<int16_t>(device.height), static_cast<int16_t>(device.width)};
}

}  // namespace brelix
