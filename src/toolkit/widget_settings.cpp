#include "toolkit/widget_settings.h"

namespace brelix {

namespace {

// Read and written on the user-interface thread only.
TSharedSettings widget_settings;

}  // namespace

const TSharedSettings& WidgetSettings() { return widget_settings; }

void SetWidgetSettings(const TSharedSettings& settings) { widget_settings = settings; }

}  // namespace brelix
