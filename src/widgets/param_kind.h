// The kinds of value a parameter control carries, and the rounding and masking they bring.
#pragma once

#include <cstdint>

namespace brelix {

// SingleSingle: a 32-bit float field, any value. SingleInteger: a 32-bit float field holding
// whole numbers. IntegerInteger: a 32-bit signed integer field.
enum class TParamKind : uint8_t { SingleSingle, SingleInteger, IntegerInteger };

// The nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2),
// whatever rounding mode the thread is in. Values that are not finite come back unchanged.
float RoundHalfEven(float value);
double RoundHalfEven(double value);

// The value a control takes for its kind: rounded for the two integer kinds, as is otherwise.
float KindValue(TParamKind kind, float value);

// The value truncated toward zero as a 32-bit integer, held at the integer limits beyond them;
// 0 for a value that is not a number.
int32_t TruncateToInt32(float value);

// An integer field's value as read: with a non-zero mask, the bits of the field that the mask
// keeps, as a non-negative number; without one, the field's signed value.
float MaskedReadValue(int32_t field, uint32_t getMask);

// An integer field's word as written: the truncated value with the mask's bits set.
int32_t MaskedWriteWord(float value, uint32_t setMask);

}  // namespace brelix
