// The smallest host call-back a plug-in object can be made with: it answers the version query.
#pragma once

#include <cstdint>

#include "plugin/vst24.h"

namespace brelix::testing {

inline intptr_t MinimalHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace brelix::testing
