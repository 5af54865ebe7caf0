// The patch file reference (docs/patch-reference.md) as text: every section and key that the
// plug-in's reader knows, with its kind and default taken from the reader's own key list, the
// numeric codes with their names, and a description of each key. Generated, so that it cannot
// drift from the code: brelix-patch-reference prints it, and a test compares the document.
#pragma once

#include <optional>
#include <string>

namespace brelix {

// Throws std::logic_error when a key has no description or a description names no key.
std::string PatchReferenceMarkdown();

// The widest range the reference gives a numeric key ("FilterReso", "EnvTime.2", "AuxDelayWet"):
// the editor's range joined with what can be typed. None for keys without one (switches, codes,
// texts, filter weights).
struct KeyRange {
  double Lowest, Highest;
};
std::optional<KeyRange> ReferenceRange(const std::string& key);

}  // namespace brelix
