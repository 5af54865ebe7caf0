// Measures of rendered audio that tests of every level share.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace brelix::testing {

// The root mean square of x[from..]; 0 for no samples.
inline double Rms(const std::vector<float>& x, size_t from = 0) {
  if (from >= x.size()) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < x.size(); ++i) sum += double{x[i]} * x[i];
  return std::sqrt(sum / static_cast<double>(x.size() - from));
}

}  // namespace brelix::testing
