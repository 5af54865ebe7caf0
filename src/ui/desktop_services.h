// Where the plug-in's message boxes and dialogs go: windows of our own and the desktop's file
// dialogs when an X display can be opened, standard error and headless answers when none can
// (a render server, CI). Decided once per process, by the first instance the host asks for.
#pragma once

namespace brelix::ui {

// On the first call: opens the display `display_name` (none: $DISPLAY) and, when that works,
// makes the X11 message boxes and the desktop dialogs the process's defaults (a service a
// caller has set explicitly keeps precedence). Later calls return the first decision. True
// when the desktop services are in use. Never throws.
bool UseDesktopServices(const char* display_name = nullptr);

}  // namespace brelix::ui
