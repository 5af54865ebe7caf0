// Text from outside (a file name from a project's chunk, a MIDI file's name on the command line)
// printed in a message: control characters would split a one-line message or, as terminal escape
// codes, forge another line, so they are shown escaped.
#pragma once

#include <string>
#include <string_view>

namespace brelix {

// `text` with every control character written as an escape: "\n", "\r", "\t", "\\" for a
// backslash, "\xHH" for any other byte below 0x20 and for 0x7f, and "\u0080" to "\u009f" for the
// UTF-8 forms of the C1 controls (a terminal may take those as the start of an escape code too).
// Everything else, other UTF-8 included, stays as it is.
std::string PrintableText(std::string_view text);

}  // namespace brelix
