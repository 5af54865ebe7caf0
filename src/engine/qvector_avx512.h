// The widest twin of qvector.h: 16-lane vectors over the AVX-512 registers, holding four voices
// of four lanes each (voice v in lanes 4v + 1 .. 4v + 4). Every operation is the single-precision
// or 32-bit instruction of its 4-lane counterpart on each lane (the same rounding, the same
// answers for NaN and out-of-range conversions, the same flush-to-zero from the control
// register), so per lane the results are the same bits; the lane rearrangements work within each
// voice's quarter. Comparisons give mask registers, which are widened back to lane masks: the
// kernels combine masks with and / and_not as on the narrower paths.
//
// Only translation units compiled for AVX-512 (F, DQ, BW, VL) include this header, and they run
// only where the processor and the operating system support it (see render/voice_render.cpp).
#pragma once

#include <immintrin.h>

#include "engine/qvector.h"
#include "engine/qvector_multi.h"
#include "engine/qvector_wide.h"

namespace brelix {

struct ZWord;
struct ZInteger;

struct alignas(64) ZSingle {
  using Word = ZWord;
  using Integer = ZInteger;
  static constexpr int kVoices = 4;

  __m512 v;

  BRELIX_INLINE static ZSingle zero() { return {_mm512_setzero_ps()}; }
  BRELIX_INLINE static ZSingle splat(float x) { return {_mm512_set1_ps(x)}; }
  BRELIX_INLINE static ZSingle broadcast(const QSingle& x) { return {_mm512_broadcast_f32x4(x.v)}; }
  template <class F>
  BRELIX_INLINE static ZSingle from_voices(F lanes_of_voice) {
    const QSingle& v0 = lanes_of_voice(0);
    const QSingle& v1 = lanes_of_voice(1);
    const QSingle& v2 = lanes_of_voice(2);
    const QSingle& v3 = lanes_of_voice(3);
    const __m256 low = _mm256_insertf128_ps(_mm256_castps128_ps256(v0.v), v1.v, 1);
    const __m256 high = _mm256_insertf128_ps(_mm256_castps128_ps256(v2.v), v3.v, 1);
    return {_mm512_insertf32x8(_mm512_castps256_ps512(low), high, 1)};
  }
  // The register is read whole (see WSingle::voice).
  template <int n>
  BRELIX_INLINE QSingle voice() const {
    __m512 whole = v;
    asm("" : "+v"(whole));
    if constexpr (n == 0) return {_mm512_castps512_ps128(whole)};
    else return {_mm512_extractf32x4_ps(whole, n)};
  }
};

struct alignas(64) ZWord {
  using Word = ZWord;
  using Integer = ZInteger;
  static constexpr int kVoices = 4;

  __m512i v;

  BRELIX_INLINE static ZWord zero() { return {_mm512_setzero_si512()}; }
  BRELIX_INLINE static ZWord broadcast(const QWord& x) { return {_mm512_broadcast_i32x4(x.v)}; }
  template <class F>
  BRELIX_INLINE static ZWord from_voices(F lanes_of_voice) {
    const QWord& v0 = lanes_of_voice(0);
    const QWord& v1 = lanes_of_voice(1);
    const QWord& v2 = lanes_of_voice(2);
    const QWord& v3 = lanes_of_voice(3);
    const __m256i low = _mm256_inserti128_si256(_mm256_castsi128_si256(v0.v), v1.v, 1);
    const __m256i high = _mm256_inserti128_si256(_mm256_castsi128_si256(v2.v), v3.v, 1);
    return {_mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1)};
  }
  template <int n>
  BRELIX_INLINE QWord voice() const {
    __m512i whole = v;
    asm("" : "+v"(whole));
    if constexpr (n == 0) return {_mm512_castsi512_si128(whole)};
    else return {_mm512_extracti32x4_epi32(whole, n)};
  }
};

struct alignas(64) ZInteger {
  using Word = ZWord;
  using Integer = ZInteger;
  static constexpr int kVoices = 4;

  __m512i v;
};

// ---- single-precision arithmetic -------------------------------------------------------------

BRELIX_INLINE ZSingle operator+(ZSingle a, ZSingle b) { return {_mm512_add_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle operator-(ZSingle a, ZSingle b) { return {_mm512_sub_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle operator*(ZSingle a, ZSingle b) { return {_mm512_mul_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle operator/(ZSingle a, ZSingle b) { return {_mm512_div_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle operator-(ZSingle a) { return {_mm512_xor_ps(a.v, _mm512_set1_ps(-0.0f))}; }
// As minps/maxps: a lane where `a` is not a number takes `b`.
BRELIX_INLINE ZSingle min(ZSingle a, ZSingle b) { return {_mm512_min_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle max(ZSingle a, ZSingle b) { return {_mm512_max_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle abs(ZSingle a) { return {_mm512_andnot_ps(_mm512_set1_ps(-0.0f), a.v)}; }
BRELIX_INLINE ZSingle operator&(ZSingle a, ZSingle b) { return {_mm512_and_ps(a.v, b.v)}; }
BRELIX_INLINE ZSingle operator|(ZSingle a, ZSingle b) { return {_mm512_or_ps(a.v, b.v)}; }

// ---- integer arithmetic and masks ----------------------------------------------------------------

BRELIX_INLINE ZWord operator+(ZWord a, ZWord b) { return {_mm512_add_epi32(a.v, b.v)}; }
BRELIX_INLINE ZWord operator&(ZWord a, ZWord b) { return {_mm512_and_si512(a.v, b.v)}; }
BRELIX_INLINE ZWord operator>>(ZWord a, int n) { return {_mm512_srli_epi32(a.v, static_cast<unsigned>(n))}; }  // logical
// All ones in the lanes where a equals b.
BRELIX_INLINE ZWord operator==(ZWord a, ZWord b) { return {_mm512_movm_epi32(_mm512_cmpeq_epi32_mask(a.v, b.v))}; }
BRELIX_INLINE ZSingle operator&(ZWord m, ZSingle a) { return {_mm512_and_ps(_mm512_castsi512_ps(m.v), a.v)}; }
BRELIX_INLINE ZSingle select(ZWord m, ZSingle a, ZSingle b) {
  const __m512 mf = _mm512_castsi512_ps(m.v);
  return {_mm512_or_ps(_mm512_and_ps(mf, a.v), _mm512_andnot_ps(mf, b.v))};
}

// ---- conversions ---------------------------------------------------------------------------------

BRELIX_INLINE ZWord as_word(ZInteger a) { return {a.v}; }
BRELIX_INLINE ZInteger as_integer(ZWord a) { return {a.v}; }
// Out-of-range lanes and NaN give 0x80000000, as cvttps2dq does.
BRELIX_INLINE ZInteger trunc_to_int(ZSingle a) { return {_mm512_cvttps_epi32(a.v)}; }
BRELIX_INLINE ZSingle to_single(ZInteger a) { return {_mm512_cvtepi32_ps(a.v)}; }

// ---- lane rearrangements, within each voice's quarter ----------------------------------------------

// (a1, b1, a3, b3) of each voice
BRELIX_INLINE ZSingle interleave_odd(ZSingle a, ZSingle b) {
  return {_mm512_shuffle_ps(_mm512_unpacklo_ps(a.v, b.v), _mm512_unpackhi_ps(a.v, b.v), _MM_SHUFFLE(1, 0, 1, 0))};
}
// (a2, b2, a4, b4) of each voice
BRELIX_INLINE ZSingle interleave_even(ZSingle a, ZSingle b) {
  return {_mm512_shuffle_ps(_mm512_unpacklo_ps(a.v, b.v), _mm512_unpackhi_ps(a.v, b.v), _MM_SHUFFLE(3, 2, 3, 2))};
}
// (a3, a4, a1, a2) of each voice
BRELIX_INLINE ZSingle swap_halves(ZSingle a) { return {_mm512_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2))}; }

// ---- table lookups --------------------------------------------------------------------------------

// Linear interpolation in a table at sixteen element offsets: each half of the register gathered
// as on the AVX2 path.
BRELIX_INLINE ZSingle table_lerp(const float* base, ZWord index, ZSingle f) {
  __m256 a_low, b_low, a_high, b_high;
  gather_pairs(base, _mm512_castsi512_si256(index.v), a_low, b_low);
  gather_pairs(base, _mm512_extracti64x4_epi64(index.v, 1), a_high, b_high);
  const ZSingle a{_mm512_insertf32x8(_mm512_castps256_ps512(a_low), a_high, 1)};
  const ZSingle b{_mm512_insertf32x8(_mm512_castps256_ps512(b_low), b_high, 1)};
  return a - (a - b) * f;
}

// Several registers side by side, inlined whole: the compiler keeps a 512-bit lookup out of line
// otherwise, and the call costs the spill of every live register around it.
BRELIX_INLINE QPair<ZSingle> table_lerp(const float* base, const QPair<ZWord>& index, const QPair<ZSingle>& f) {
  return {table_lerp(base, index.a, f.a), table_lerp(base, index.b, f.b)};
}
BRELIX_INLINE QPair<QPair<ZSingle>> table_lerp(const float* base, const QPair<QPair<ZWord>>& index,
                                               const QPair<QPair<ZSingle>>& f) {
  return {table_lerp(base, index.a, f.a), table_lerp(base, index.b, f.b)};
}

}  // namespace brelix
