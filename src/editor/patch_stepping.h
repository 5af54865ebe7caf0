// Page Up and Page Down in the editor step through patches: across the families of the patch
// library in order (the last patch of "basses" is followed by the first of the next family) when
// the current patch lies in the library, otherwise through the current patch file's folder. Each
// is in name order, without wrapping at the ends. The keys step only while no value box (an edit
// or a list) has the focus, which use them themselves.
#pragma once

#include <optional>
#include <string>

namespace brelix {

class TWidget;

// -1 for Page Up, +1 for Page Down, 0 for any other key or while `focused` is a value box.
int PatchStepOfKey(int key, const TWidget* focused);

// The patch file `step` places before (-1) or after (+1) `current`: among the library's patches
// when `current` lies in one of the families of `library` (empty: no library), else among the
// *.tw files of its folder. `current` need not exist (a patch not saved yet finds its place by
// name). None at either end, for a folder that cannot be listed, or a name without folder.
std::optional<std::string> NeighbourPatchFile(const std::string& current, int step, const std::string& library = "");

}  // namespace brelix
