// Page Up and Page Down in the editor step through the patches of the current patch file's
// folder: the previous or next *.tw file in name order, without wrapping at the ends. The keys
// step only while no value box (an edit or a list) has the focus, which use them themselves.
#pragma once

#include <optional>
#include <string>

namespace brelix {

class TWidget;

// -1 for Page Up, +1 for Page Down, 0 for any other key or while `focused` is a value box.
int PatchStepOfKey(int key, const TWidget* focused);

// The patch file `step` places before (-1) or after (+1) `current` among the *.tw files of its
// folder, in name order; `current` need not exist (a patch not saved yet finds its place by
// name). None at either end, for a folder that cannot be listed, or a name without folder.
std::optional<std::string> NeighbourPatchFile(const std::string& current, int step);

}  // namespace brelix
