// The text form of numbers in the plug-in's files (patch files, the settings file): "." as the
// decimal separator, no grouping, whatever the process locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

// A single widened to double, at most 15 significant digits (rounded half away from zero),
// trailing zeros removed; fixed notation for magnitudes from 0.0001 up to below 10^15, else one
// digit, the decimal point, further digits, "E" and the exponent ("-" only when negative, no
// leading zeros): 0.25, 60, 0.100000001490116, 9.99999974737875E-5, 1E15. Zero is "0" ("-0" for
// negative zero); a value that is not finite is written "NAN", "INF" or "-INF" (readers refuse
// those, so they come back as "not a number").
std::string FloatToText(float value);

// Decimal text in fixed or scientific notation ("e" or "E"), with an optional sign, rounded to
// the nearest single. None for empty text, anything after the number, hexadecimal floats, "nan",
// "inf", and values beyond the single range.
std::optional<float> TextToFloat(std::string_view text);

// The signed decimal form of a 32-bit value.
std::string IntegerToText(int32_t value);

// Decimal, or hexadecimal after "$" or "0x"; an optional sign goes first ("-$10" is -16). The
// result is the low 32 bits taken as signed, so "$FFFFFFFF" and "4294967295" both read as -1.
// None for empty text, anything after the digits, and magnitudes beyond 32 bits.
std::optional<int32_t> TextToInteger(std::string_view text);

}  // namespace brelix
