// The kinds of value a parameter control edits.
#pragma once

namespace brelix {

enum class TParamKind {
  SingleSingle,    // a 32-bit float field, any value
  SingleInteger,   // a 32-bit float field holding whole numbers
  IntegerInteger,  // a 32-bit signed integer field
};

}  // namespace brelix
