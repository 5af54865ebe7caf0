// A host parameter found by its name, as a host's automation lane finds it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "vst_host.h"

namespace brelix::testing {

// The index of the parameter named `name` (effGetParamName); -1, and a failure, when none is.
inline int32_t ParamIndex(host::PluginInstance& instance, std::string_view name) {
  for (int32_t i = 0; i < instance.effect()->numParams; ++i)
    if (instance.dispatchText(effGetParamName, i) == name) return i;
  ADD_FAILURE() << "no parameter " << name;
  return -1;
}

}  // namespace brelix::testing
