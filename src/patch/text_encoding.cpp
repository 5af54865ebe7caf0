#include "patch/text_encoding.h"

#include <cstdint>

namespace brelix {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kEscapeBase = 0xDC00;  // + a byte 0x80..0xFF that is not UTF-8

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at the start of `s` (its code point in `c`), or 0.
size_t Utf8Sequence(std::string_view s, char32_t& c) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b0 = byte(0);
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    c = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    c = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
    c = (c << 6) | (byte(i) & 0x3F);
  }
  return length;
}

void AppendUnit(std::string& out, char16_t unit, bool big_endian) {
  const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
  out += big_endian ? hi : lo;
  out += big_endian ? lo : hi;
}

std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  const size_t units = bytes.size() / 2;
  const auto unit = [&](size_t i) -> char16_t {
    const auto a = static_cast<uint8_t>(bytes[2 * i]), b = static_cast<uint8_t>(bytes[2 * i + 1]);
    return static_cast<char16_t>(big_endian ? (a << 8) | b : (b << 8) | a);
  };
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
      out += static_cast<char>(u - kEscapeBase);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::string EncodeUtf16(std::string_view text, bool big_endian) {
  std::string out(big_endian ? kUtf16BEMark : kUtf16LEMark);
  out.reserve(out.size() + 2 * text.size());
  while (!text.empty()) {
    char32_t c = 0;
    size_t length = Utf8Sequence(text, c);
    if (length == 0) {
      AppendUnit(out, static_cast<char16_t>(kEscapeBase + static_cast<uint8_t>(text[0])), big_endian);
      length = 1;
    } else if (c >= 0x10000) {
      AppendUnit(out, static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)), big_endian);
      AppendUnit(out, static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), big_endian);
    } else {
      AppendUnit(out, static_cast<char16_t>(c), big_endian);
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace

DecodedText DecodeText(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return {TextEncoding::Utf8Bom, std::string(bytes.substr(kUtf8Mark.size()))};
  if (bytes.starts_with(kUtf16LEMark))
    return {TextEncoding::Utf16LE, DecodeUtf16(bytes.substr(kUtf16LEMark.size()), false)};
  if (bytes.starts_with(kUtf16BEMark))
    return {TextEncoding::Utf16BE, DecodeUtf16(bytes.substr(kUtf16BEMark.size()), true)};
  return {TextEncoding::Bytes, std::string(bytes)};
}

std::string EncodeText(TextEncoding encoding, std::string_view text) {
  switch (encoding) {
    case TextEncoding::Utf8Bom: return std::string(kUtf8Mark) + std::string(text);
    case TextEncoding::Utf16LE: return EncodeUtf16(text, false);
    case TextEncoding::Utf16BE: return EncodeUtf16(text, true);
    case TextEncoding::Bytes: break;
  }
  return std::string(text);
}

}  // namespace brelix
