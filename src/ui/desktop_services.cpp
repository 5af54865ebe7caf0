#include "ui/desktop_services.h"

#include <mutex>

#include "base/messages.h"
#include "ui/desktop_dialogs.h"
#include "ui/dialogs.h"
#include "ui/msg_box.h"
#include "ui/x11_display.h"

namespace brelix::ui {

namespace {

// The services live as long as the library; the defaults are withdrawn before they go.
struct DesktopServices {
  ~DesktopServices() {
    if (!installed) return;
    SetDefaultMessageBoxes(nullptr);
    SetDefaultDialogs(nullptr);
  }
  X11MessageBoxes boxes;
  DesktopDialogs dialogs;
  bool installed = false;
};

DesktopServices services;
std::once_flag decided;

}  // namespace

bool UseDesktopServices(const char* display_name) {
  try {
    std::call_once(decided, [display_name] {
      if (!UiDisplayOpen(display_name)) return;
      SetDefaultMessageBoxes(&services.boxes);
      SetDefaultDialogs(&services.dialogs);
      services.installed = true;
    });
  } catch (...) {
    // no desktop then
  }
  return services.installed;
}

}  // namespace brelix::ui
