// The editor preferences the widgets read: the colours when a widget is created, Shortcuts,
// TouchScreen and Microscope when the user acts. Process-wide like the settings file they come
// from; the editor copies them in (SetWidgetSettings(SharedSettings())) before it builds its form.
// Until then they are the settings file's defaults.
#pragma once

#include "patch/settings.h"

namespace brelix {

const TSharedSettings& WidgetSettings();
void SetWidgetSettings(const TSharedSettings& settings);

// The editor's metrics: column, edit box and label widths, half and quarter columns.
constexpr int kColumnWidth = 151;
constexpr int kEditWidth = 64;
constexpr int kLabelWidth = kColumnWidth - kEditWidth;  // 87
constexpr int kHalfColumn = kColumnWidth / 2;           // 75
constexpr int kQuarterColumn = kColumnWidth / 4;        // 37

}  // namespace brelix
