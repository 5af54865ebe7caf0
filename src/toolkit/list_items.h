// The items of an option list, built from the list's item text: one line per item, each carrying
// the value number that the patch field stores for it.
//
// Line rules, in order:
//   "_Text"    a reserved line: removed; its number is skipped and nothing else changes.
//   "-Text"    an entry for synthesizers with more than audio: removed from audio-only lists,
//              otherwise the "-" is dropped and the line goes on through the rules below.
//   "Text#n"   the item "Text" with value number n; n also becomes the running number.
//   "Text"     the running number + 1 (which becomes the running number) once a "#" has set one,
//              otherwise the line's position in the text (0, 1, 2, ...).
// So "A", "_B", "C" give A = 0 and C = 2; "X#5", "Y", "Z#9", "W" give 5, 6, 9 and 10.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelix {

struct TListItem {
  std::string Text;
  uint32_t Value = 0;
  bool operator==(const TListItem&) const = default;
};

using TListItems = std::vector<TListItem>;

// Lines end at LF, CR or CR LF; a final line break starts no further line. A number after "#"
// that is not a plain decimal within 32 bits is not a number: the line is numbered as one
// without "#", and its text still ends before the "#". With `sort` (the ComboSort setting) the
// items are ordered by text, letters compared without case, equal texts in their text order.
TListItems BuildListItems(std::string_view itemText, bool audioOnly, bool sort);

// The position of the first item carrying `value`, or -1 when none does.
int32_t FindListValue(const TListItems& items, uint32_t value);

}  // namespace brelix
