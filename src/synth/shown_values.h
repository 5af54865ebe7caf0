// Patch fields that a control shows in another form than the patch stores: the conversions the
// controls' get and set call-backs make. Plain functions of the numbers, nothing else.
#pragma once

#include <cstdint>

namespace brelix {

// ---- modulation sources ------------------------------------------------------------------------
// The source lists number the controllers after "Constant": "CC0" 48 ... "CC127" 175,
// "PitchBend" 176, "Aftertouch/Pressure" 177. The patch stores them negative, 47 - item:
// "CC0" -1 ... "Aftertouch/Pressure" -130 (the engine's source indices). Every other number is
// shown and stored as it is.

// The list item of a stored source: 47 - field for a negative field, the field otherwise.
uint32_t ModSourceShown(uint32_t field);
// The stored source of a list item: 47 - item for 47 < item < 65535, the item otherwise.
uint32_t ModSourceStored(uint32_t item);

// ---- envelope steps ----------------------------------------------------------------------------
// A stage's step list shows the stage the step leads to; the patch stores the distance, times 16
// ("Stage0 [A]" 0 ... "Stop/End" 5).
constexpr uint32_t kEnvStepLastItem = 5;

// stage + field / 16, the division toward zero; a field no list item matches gives a number no
// item carries (the list then shows it as unknown).
uint32_t EnvStepShown(int32_t stage, int32_t field);
// (item - stage) x 16. An item beyond "Stop/End" counts as "Stop/End", so a step never leads past
// the last stage and the product never overflows.
int32_t EnvStepStored(int32_t stage, uint32_t item);

// ---- LFO quantisation --------------------------------------------------------------------------
// The patch holds the mask of the phase bits kept (8191 for none taken away); the control shows
// how many are taken away: 0 means no quantisation, 4095 two steps per cycle.
constexpr uint32_t kLfoQuantizeBits = 8191;

// 8191 - (field AND 8191).
uint32_t LfoQuantizeShown(uint32_t field);
// (8191 - (n AND 8191)) OR (n AND 8192): 8191 - n for the control's range 0..8191.
uint32_t LfoQuantizeStored(uint32_t n);

// ---- delay routing -----------------------------------------------------------------------------
// "Serial" is on for any routing other than 0.0 and stores 1.0 or 0.0. Its switch writes the
// float field itself before its call-back runs, so its on value is the bits of 1.0: the switches'
// usual all ones would be a NaN in the patch, which the delay could take in meanwhile.
constexpr uint32_t kDelayRoutingSerialBits = 0x3F800000;
bool DelayRoutingShown(float field);
float DelayRoutingStored(bool serial);

}  // namespace brelix
