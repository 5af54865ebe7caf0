// Numbers as the edit boxes show and read them: "." as the decimal separator, no grouping.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "widgets/param_kind.h"

namespace brelix {

// `value` by a number mask such as "####0.#######": as many integer digits as needed (at least
// as many as there are "0" before the "."), up to as many decimals as there are "#" and "0"
// after it (at least as many as there are "0"), the value read to 15 significant digits and
// rounded half away from zero at the last decimal, no sign on a result that shows as zero. A value that is not finite shows as "NAN", "INF" or "-INF".
std::string FormatMasked(double value, std::string_view mask);

// The same text written into `out` (at most `capacity` - 1 characters and a terminating zero,
// the rest cut off) without allocating; the length written. kMaskedTextCapacity holds any text.
constexpr size_t kMaskedTextCapacity = 400;
size_t FormatMaskedInto(double value, std::string_view mask, char* out, size_t capacity);

// The number an edit box's text stands for, before any clamping: blanks around it are ignored;
// empty text is 0; "$" starts a hexadecimal integer (anything from a "." on is dropped: "$1A.7"
// is 26); otherwise a decimal number, where a leading "." or "-." gets its 0 and, except for
// integer fields, a lone "-" is 0; the two integer kinds round halves to even. None when the text
// is not a number (conversion error).
std::optional<double> ReadEditNumber(std::string_view text, TParamKind kind);

}  // namespace brelix
