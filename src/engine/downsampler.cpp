#include "engine/downsampler.h"

namespace brelix {

namespace {
// Path A and path B coefficients of the six sections, as bit patterns.
constexpr uint32_t kPathA[kDownsamplerSections] = {0x3D163F58, 0x3E8C9C89, 0x3F0FA42F,
                                                   0x3F450DCD, 0x3F646B34, 0x3F764BD4};
constexpr uint32_t kPathB[kDownsamplerSections] = {0x3E0BD324, 0x3ED8A5A0, 0x3F2D7344,
                                                   0x3F570302, 0x3F6E7989, 0x3F7CE189};

// Runs one 4-lane input through the six sections; each section is (c + z^-2) / (1 + c z^-2).
QSingle RunSections(TDownsampler& d, QSingle x) {
  for (int k = 0; k < kDownsamplerSections; ++k) {
    QSingle y = d.c[k] * (x - d.y1[k]) + d.x1[k];
    d.x2[k] = d.x1[k];
    d.x1[k] = d.x0[k];
    d.x0[k] = x;
    d.y2[k] = d.y1[k];
    d.y1[k] = d.y0[k];
    d.y0[k] = y;
    x = y;
  }
  return x;
}

// Empties every history. An infinity or NaN in a section would stay there for good; starting
// from finite histories, one anywhere in the chain (a bad input, an overflow) reaches the last
// section's output, so the outputs of both runs tell whether a history took one.
void ClearHistories(TDownsampler& d) {
  for (int k = 0; k < kDownsamplerSections; ++k)
    d.x0[k] = d.x1[k] = d.x2[k] = d.y0[k] = d.y1[k] = d.y2[k] = QSingle::zero();
}
}  // namespace

void DownsamplerInit(TDownsampler& d) {
  for (int k = 0; k < kDownsamplerSections; ++k) {
    float a = float_of(kPathA[k]);
    float b = float_of(kPathB[k]);
    d.c[k] = QSingle::of(a, b, a, b);
  }
}

void DownsamplerProcess(TDownsampler& d, float l1, float r1, float l2, float r2, float& l, float& r) {
  QSingle first = RunSections(d, QSingle::of(l1, l1, r1, r1));
  QSingle second = RunSections(d, QSingle::of(l2, l2, r2, r2));
  if (!all(finite_lanes(first) & finite_lanes(second))) {
    ClearHistories(d);
    first = second = QSingle::zero();
  }
  // path A of the second sub-sample with path B of the first: B lags one sub-sample
  l = (second.lane(0) + first.lane(1)) * 0.5f;
  r = (second.lane(2) + first.lane(3)) * 0.5f;
}

}  // namespace brelix
