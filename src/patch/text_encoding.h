// The encodings of the plug-in's text files: a file that starts with a UTF-8 or UTF-16 byte-order
// mark is in that encoding, any other is taken byte for byte. Inside the program text is UTF-8
// (or, for names that came from the file system, whatever bytes the name has).
#pragma once

#include <string>
#include <string_view>

namespace brelix {

enum class TextEncoding { Bytes, Utf8Bom, Utf16LE, Utf16BE };

struct DecodedText {
  TextEncoding encoding = TextEncoding::Bytes;
  std::string text;  // without the byte-order mark
};

// The encoding by the byte-order mark and the text in UTF-8. In UTF-16 a lone surrogate
// U+DC80..U+DCFF stands for the byte 0x80..0xFF (see EncodeText), any other unpaired surrogate
// becomes U+FFFD, and an odd last byte is dropped.
DecodedText DecodeText(std::string_view bytes);

// The file bytes of `text` in `encoding`, with its byte-order mark. For UTF-16, each byte of
// `text` that is not part of a valid UTF-8 sequence is written as the lone surrogate
// U+DC00 + byte, so any byte string survives a round trip through a UTF-16 file.
std::string EncodeText(TextEncoding encoding, std::string_view text);

}  // namespace brelix
