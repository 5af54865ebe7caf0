#include "plugin/plugin_entry.h"
#include "base/printable_text.h"

#include <memory>
#include <string>

#include "base/messages.h"
#include "ui/desktop_services.h"

namespace brelix {

namespace {

void ShowLibraryMessage(const char* message) { ShowMessageBox(PrintableText(ModuleFileName) + "\r\r" + message); }

void CloseWaitBox(std::unique_ptr<WaitBox>& box) noexcept {
  if (!box) return;
  try {
    box->Close();
  } catch (...) {
    // a box that cannot close does not stop the plug-in
  }
}

AEffect* EnterPlugin(audioMasterCallback host, EffectFactory create, ProcessorCheck hasSSE3) {
  // Number format: nothing to set; number text never depends on the locale (plugin_module.h).
  // The message boxes and dialogs: windows of our own where a display can be opened, decided
  // once per process before the first box is shown.
  ui::UseDesktopServices();

  // Library path and processor, until a host has passed the version check.
  if (!LibraryInitialized) {
    LocateModule();
    if (!hasSSE3()) {
      ShowLibraryMessage("SSE3 capable CPU not detected!");
      return nullptr;
    }
  }

  // A host that answers version 0 (or is none) has nothing to be served.
  if (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;

  // From here on the path and the processor are known for the whole process.
  LibraryInitialized = true;

  // A small box while the instance is built.
  std::unique_ptr<WaitBox> wait = ShowWaitBox("Engine Initialization");

  // A failed construction has released whatever it had built.
  AudioEffect* effect = nullptr;
  try {
    effect = create(host);
  } catch (...) {
    effect = nullptr;
  }
  if (effect == nullptr) {
    CloseWaitBox(wait);
    ShowLibraryMessage("Initialization error!");
    return nullptr;
  }

  CloseWaitBox(wait);
  return effect->Effect();
}

}  // namespace

AEffect* PluginEntry(audioMasterCallback host, EffectFactory create, ProcessorCheck hasSSE3) {
  try {
    return EnterPlugin(host, create, hasSSE3);
  } catch (...) {
    // Only the path strings or the message boxes can fail here, before an instance exists.
    return nullptr;
  }
}

}  // namespace brelix
