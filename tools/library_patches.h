// The patch library as brelix-render and brelix see it: found from the program's own
// installation (/usr/local/bin/brelix-render -> /usr/local/share/brelix/patches), $BRELIX_LIBRARY
// or the user's data folders (patch/patch_library.h), so that a patch can be named by its library
// name from any folder, and listed by family.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace brelix {

// The library found for this program, or none.
std::optional<std::string> ProgramPatchLibrary();

// A --patch or --check-patch argument as a file: `given` itself when such a file exists, else the
// library's patch of that name ("pads/warm-pad" or "warm-pad", ".tw" optional), else `given`
// (whose absence the caller reports as before).
std::string PatchFileOfArgument(const std::string& given);

// --list-patches: the library's folder, then each family and its patches' names, one a line.
// Throws std::runtime_error naming the places looked in when no library is found.
void ListLibraryPatches(std::FILE* out);

}  // namespace brelix
