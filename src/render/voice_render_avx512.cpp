// The voice kernel with four voices in each 512-bit register, compiled for AVX-512 (F, DQ, BW,
// VL). Nothing here runs unless the processor and the operating system support it: the 4-lane
// code only takes the routine's address after asking.
#include "engine/qvector_avx512.h"
#include "engine/qvector_multi.h"
#include "engine/voice_kernel.h"

namespace brelix {

// Four voices: one register; eight: two registers side by side; sixteen: four.
extern const VoiceRunner Avx512VoiceRunner = {KernelOf<ZSingle, true>(), KernelOf<QPair<ZSingle>, true>(),
                                              KernelOf<QPair<QPair<ZSingle>>, true>()};
static_assert(ZSingle::kVoices == VoiceRunner::kSmall);
static_assert(QPair<ZSingle>::kVoices == VoiceRunner::kLarge);
static_assert(QPair<QPair<ZSingle>>::kVoices == VoiceRunner::kHuge);

}  // namespace brelix
