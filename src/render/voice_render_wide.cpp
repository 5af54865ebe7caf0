// The voice kernel with two voices in each 256-bit register, compiled for AVX2. Nothing here runs
// unless the processor has AVX2: the 4-lane code only takes the routine's address after asking.
#include "engine/qvector_multi.h"
#include "engine/qvector_wide.h"
#include "engine/voice_kernel.h"

namespace brelix {

// Four voices: two registers of two voices each, side by side; eight: four registers.
extern const VoiceRunner WideVoiceRunner = {KernelOf<QPair<WSingle>, true>(), KernelOf<QPair<QPair<WSingle>>, true>(), {}};
static_assert(QPair<WSingle>::kVoices == VoiceRunner::kSmall);
static_assert(QPair<QPair<WSingle>>::kVoices == VoiceRunner::kLarge);

}  // namespace brelix
