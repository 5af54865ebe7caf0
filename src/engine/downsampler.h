// The decimator: a polyphase IIR half-band low-pass that turns two voice sub-samples into one
// output sample. Two paths (A, B) of six second-order allpass sections per channel; one 4-lane
// vector holds the (LA, LB, RA, RB) paths of a section.
#pragma once

#include <cstddef>

#include "engine/qvector.h"

namespace brelix {

constexpr int kDownsamplerSections = 6;

// Fields ordered by kind, then section, then path (LA, LB, RA, RB): 168 singles.
struct alignas(16) TDownsampler {
  QSingle c[kDownsamplerSections];   // coefficients
  QSingle x0[kDownsamplerSections];  // inputs one step back
  QSingle x1[kDownsamplerSections];  // inputs two steps back
  QSingle x2[kDownsamplerSections];  // inputs three steps back (written, never read)
  QSingle y0[kDownsamplerSections];  // outputs one step back
  QSingle y1[kDownsamplerSections];  // outputs two steps back
  QSingle y2[kDownsamplerSections];  // outputs three steps back (written, never read)
};
static_assert(sizeof(TDownsampler) == 168 * 4);
static_assert(offsetof(TDownsampler, x0) == 24 * 4 && offsetof(TDownsampler, y2) == 144 * 4);

// Writes the coefficients (path A for LA/RA, path B for LB/RB); the histories keep their zeros.
void DownsamplerInit(TDownsampler& d);

// One output pair (L, R) from the first (l1, r1) and second (l2, r2) sub-samples.
void DownsamplerProcess(TDownsampler& d, float l1, float r1, float l2, float r2, float& l, float& r);

}  // namespace brelix
