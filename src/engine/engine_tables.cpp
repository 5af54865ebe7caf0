#include "engine/engine_tables.h"

#include <cmath>
#include <mutex>
#include <numbers>

#include "engine/global_memory.h"
#include "engine/random.h"

namespace brelix {

float NoteFrequency[129];
namespace {
float pow2_storage[2 * kTableSteps + 2];
}
const float* const Pow2Table = pow2_storage + kTableSteps;
EngineTableOffsets TableOffsets;

namespace {


// The static tables and offsets are the same for every instance, so they are computed once per
// process (identical to recomputing them at every creation, without rewriting tables that other
// instances' audio threads are reading).
std::once_flag static_tables_once;

void BuildStaticTables() {
  for (int n = 0; n <= 128; ++n) NoteFrequency[n] = static_cast<float>(8.175798915644 * std::pow(2.0, n / 12.0));
  for (int k = -kTableSteps; k <= kTableSteps; ++k)
    pow2_storage[k + kTableSteps] = static_cast<float>(std::pow(2.0, 11.0 * k / kTableSteps));
  pow2_storage[2 * kTableSteps + 1] = pow2_storage[2 * kTableSteps];
}

void FillSine(float* t) {
  for (int k = 0; k < kTableSteps; ++k) t[k] = static_cast<float>(std::sin(2.0 * std::numbers::pi * k / kTableSteps));
  t[kTableSteps / 2] = 0.0f;
  t[kTableSteps] = t[0];
  t[kTableSteps + 1] = t[1];
}

void FillRamp(float* t) {
  for (int k = 0; k < kTableSteps; ++k) t[k] = static_cast<float>(static_cast<double>(k) / kTableSteps);
  t[kTableSteps] = t[kTableSteps + 1] = 1.0f;
}

void FillSaw(float* t) {
  for (int k = 0; k < kTableSteps; ++k) t[k] = static_cast<float>(2.0 * k / kTableSteps - 1.0);
  t[kTableSteps] = t[kTableSteps + 1] = 1.0f;
}

void FillSquare(float* t) {
  for (int k = 0; k < kTableSteps; ++k) t[k] = k < kTableSteps / 2 ? 1.0f : -1.0f;
  t[kTableSteps] = t[kTableSteps + 1] = -1.0f;
}

void FillTriangle(float* t) {
  constexpr int half = kTableSteps / 2;
  for (int k = 0; k < half; ++k) t[k] = static_cast<float>(4.0 * k / kTableSteps - 1.0);
  for (int k = half; k < kTableSteps; ++k) t[k] = -t[k - half];
  t[kTableSteps] = t[kTableSteps + 1] = -1.0f;
}

template <typename Curve>
void FillCurve(float* t, int order, Curve curve) {
  t[0] = 0.0f;
  for (int k = 1; k < kTableSteps; ++k) t[k] = static_cast<float>(curve(order, static_cast<double>(k) / kTableSteps));
  t[kTableSteps] = t[kTableSteps + 1] = 1.0f;
}

}  // namespace

double LogCurve(int order, double x) {
  return 1.0 - (std::exp(order * (1.0 - x)) - 1.0) / (std::exp(static_cast<double>(order)) - 1.0);
}

double ExpCurve(int order, double x) {
  return (std::exp(order * x) - 1.0) / (std::exp(static_cast<double>(order)) - 1.0);
}

void FillTanhTable(float* t) {
  for (int k = 0; k <= kTableSteps; ++k) t[k] = static_cast<float>(std::tanh(4.0 * k / kTableSteps));
  t[kTableSteps + 1] = t[kTableSteps];
}

void EngineTablesBuild(XGlobalMemory& memory) {
  RandomSeedFromClock();
  std::call_once(static_tables_once, BuildStaticTables);

  float* tanh_table = memory.AllocFloats(kTableLength);
  float* sine = memory.AllocFloats(kTableLength);
  float* ramp = memory.AllocFloats(kTableLength);
  float* saw = memory.AllocFloats(kTableLength);
  float* square = memory.AllocFloats(kTableLength);
  float* triangle = memory.AllocFloats(kTableLength);
  float* log_curves[kCurveOrders];
  float* exp_curves[kCurveOrders];
  for (int n = 0; n < kCurveOrders; ++n) {
    log_curves[n] = memory.AllocFloats(kTableLength);
    exp_curves[n] = memory.AllocFloats(kTableLength);
  }

  FillSine(sine);
  FillRamp(ramp);
  FillSaw(saw);
  FillSquare(square);
  FillTriangle(triangle);
  for (int n = 0; n < kCurveOrders; ++n) {
    FillCurve(log_curves[n], n + 1, LogCurve);
    FillCurve(exp_curves[n], n + 1, ExpCurve);
  }
  FillTanhTable(tanh_table);

  EngineTableOffsets offsets;
  offsets.Tanh = memory.ElementOffset(tanh_table);
  offsets.Sine = memory.ElementOffset(sine);
  offsets.Ramp = memory.ElementOffset(ramp);
  offsets.Saw = memory.ElementOffset(saw);
  offsets.Square = memory.ElementOffset(square);
  offsets.Triangle = memory.ElementOffset(triangle);
  for (int n = 0; n < kCurveOrders; ++n) {
    offsets.Log[n] = memory.ElementOffset(log_curves[n]);
    offsets.Exp[n] = memory.ElementOffset(exp_curves[n]);
  }
  static std::once_flag offsets_once;
  std::call_once(offsets_once, [&] { TableOffsets = offsets; });
}

}  // namespace brelix
