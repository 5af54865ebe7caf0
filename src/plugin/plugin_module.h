// Process-wide facts about the loaded plug-in library, shared by every instance in the process
// and written only by the entry function: where the library lives, whether a host has passed the
// version check, and whether the processor can run the engine.
//
// Number format. Every number text the plug-in reads or writes (settings file, patch files,
// editor fields) uses "." as decimal separator and no grouping, whatever the user's locale. A
// library must not change the host's global locale, so nothing here sets one: number text is
// made and read only with the locale-independent conversions (std::to_chars / std::from_chars,
// or streams imbued with std::locale::classic()), never with printf/strtod/iostreams under the
// global locale.
#pragma once

#include <atomic>
#include <string>

namespace brelix {

// Full file name of the plug-in library, absolute (symbolic links are kept as the host named
// them, so files placed next to the link are found).
extern std::string ModuleFileName;
// Directory part of ModuleFileName with its trailing "/": settings and default patch live here.
extern std::string PluginDirectory;
// Set once a host has passed the version check.
extern std::atomic<bool> LibraryInitialized;

// Fills ModuleFileName and PluginDirectory from the file that holds this code.
void LocateModule();

// True when the processor executes SSE3 (the engine's horizontal adds need it).
bool CheckSSE3();

}  // namespace brelix
