// The wide twin of qvector.h: 8-lane vectors over the AVX2 registers, holding two voices of four
// lanes each (voice 0 in lanes 1-4, voice 1 in lanes 5-8). Every operation is the single-precision
// or 32-bit instruction of its 4-lane counterpart on each lane, so per lane the results are the
// same bits; the lane rearrangements work within each voice's half.
//
// Only translation units compiled for AVX2 include this header, and they run only where the
// processor reports AVX2 (see render/voice_render.cpp).
#pragma once

#include <immintrin.h>

#include "engine/qvector.h"

namespace brelix {

struct WWord;
struct WInteger;

struct alignas(32) WSingle {
  using Word = WWord;
  using Integer = WInteger;
  static constexpr int kVoices = 2;

  __m256 v;

  BRELIX_INLINE static WSingle zero() { return {_mm256_setzero_ps()}; }
  BRELIX_INLINE static WSingle splat(float x) { return {_mm256_set1_ps(x)}; }
  BRELIX_INLINE static WSingle broadcast(const QSingle& x) { return {_mm256_broadcast_ps(&x.v)}; }
  template <class F>
  BRELIX_INLINE static WSingle from_voices(F lanes_of_voice) {
    const QSingle& first = lanes_of_voice(0);
    const QSingle& second = lanes_of_voice(1);
    return {_mm256_insertf128_ps(_mm256_castps128_ps256(first.v), second.v, 1)};
  }
  // The register is read whole (the empty asm keeps the compiler from turning the extraction
  // into a 16-byte access of a stored vector, which makes it store every such vector in pieces).
  template <int n>
  BRELIX_INLINE QSingle voice() const {
    __m256 whole = v;
    asm("" : "+x"(whole));
    if constexpr (n == 0) return {_mm256_castps256_ps128(whole)};
    else return {_mm256_extractf128_ps(whole, 1)};
  }
};

struct alignas(32) WWord {
  using Word = WWord;
  using Integer = WInteger;
  static constexpr int kVoices = 2;

  __m256i v;

  BRELIX_INLINE static WWord zero() { return {_mm256_setzero_si256()}; }
  BRELIX_INLINE static WWord broadcast(const QWord& x) { return {_mm256_broadcastsi128_si256(x.v)}; }
  template <class F>
  BRELIX_INLINE static WWord from_voices(F lanes_of_voice) {
    const QWord& first = lanes_of_voice(0);
    const QWord& second = lanes_of_voice(1);
    return {_mm256_inserti128_si256(_mm256_castsi128_si256(first.v), second.v, 1)};
  }
  template <int n>
  BRELIX_INLINE QWord voice() const {
    __m256i whole = v;
    asm("" : "+x"(whole));
    if constexpr (n == 0) return {_mm256_castsi256_si128(whole)};
    else return {_mm256_extracti128_si256(whole, 1)};
  }
};

struct alignas(32) WInteger {
  using Word = WWord;
  using Integer = WInteger;
  static constexpr int kVoices = 2;

  __m256i v;
};

// ---- single-precision arithmetic -------------------------------------------------------------

BRELIX_INLINE WSingle operator+(WSingle a, WSingle b) { return {_mm256_add_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle operator-(WSingle a, WSingle b) { return {_mm256_sub_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle operator*(WSingle a, WSingle b) { return {_mm256_mul_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle operator/(WSingle a, WSingle b) { return {_mm256_div_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle operator-(WSingle a) { return {_mm256_xor_ps(a.v, _mm256_set1_ps(-0.0f))}; }
BRELIX_INLINE WSingle min(WSingle a, WSingle b) { return {_mm256_min_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle max(WSingle a, WSingle b) { return {_mm256_max_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle abs(WSingle a) { return {_mm256_andnot_ps(_mm256_set1_ps(-0.0f), a.v)}; }
BRELIX_INLINE WSingle operator&(WSingle a, WSingle b) { return {_mm256_and_ps(a.v, b.v)}; }
BRELIX_INLINE WSingle operator|(WSingle a, WSingle b) { return {_mm256_or_ps(a.v, b.v)}; }

// ---- integer arithmetic and masks ----------------------------------------------------------------

BRELIX_INLINE WWord operator+(WWord a, WWord b) { return {_mm256_add_epi32(a.v, b.v)}; }
BRELIX_INLINE WWord operator&(WWord a, WWord b) { return {_mm256_and_si256(a.v, b.v)}; }
BRELIX_INLINE WWord operator>>(WWord a, int n) { return {_mm256_srli_epi32(a.v, n)}; }  // logical
BRELIX_INLINE WWord operator==(WWord a, WWord b) { return {_mm256_cmpeq_epi32(a.v, b.v)}; }
BRELIX_INLINE WSingle operator&(WWord m, WSingle a) { return {_mm256_and_ps(_mm256_castsi256_ps(m.v), a.v)}; }
BRELIX_INLINE WSingle select(WWord m, WSingle a, WSingle b) {
  const __m256 mf = _mm256_castsi256_ps(m.v);
  return {_mm256_or_ps(_mm256_and_ps(mf, a.v), _mm256_andnot_ps(mf, b.v))};
}

// ---- conversions ---------------------------------------------------------------------------------

BRELIX_INLINE WWord as_word(WInteger a) { return {a.v}; }
BRELIX_INLINE WInteger as_integer(WWord a) { return {a.v}; }
BRELIX_INLINE WInteger trunc_to_int(WSingle a) { return {_mm256_cvttps_epi32(a.v)}; }
BRELIX_INLINE WSingle to_single(WInteger a) { return {_mm256_cvtepi32_ps(a.v)}; }

// ---- lane rearrangements, within each voice's half ------------------------------------------------

// (a1, b1, a3, b3) of each voice
BRELIX_INLINE WSingle interleave_odd(WSingle a, WSingle b) {
  return {_mm256_shuffle_ps(_mm256_unpacklo_ps(a.v, b.v), _mm256_unpackhi_ps(a.v, b.v), _MM_SHUFFLE(1, 0, 1, 0))};
}
// (a2, b2, a4, b4) of each voice
BRELIX_INLINE WSingle interleave_even(WSingle a, WSingle b) {
  return {_mm256_shuffle_ps(_mm256_unpacklo_ps(a.v, b.v), _mm256_unpackhi_ps(a.v, b.v), _MM_SHUFFLE(3, 2, 3, 2))};
}
// (a3, a4, a1, a2) of each voice
BRELIX_INLINE WSingle swap_halves(WSingle a) { return {_mm256_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2))}; }

// ---- table lookups --------------------------------------------------------------------------------

// Entries i and i + 1 of a table for two lanes: (t[i], t[i + 1], t[j], t[j + 1]).
BRELIX_INLINE __m128 load_neighbours(const float* entry_i, const float* entry_j) {
  return _mm_movelh_ps(load_neighbours(entry_i), load_neighbours(entry_j));
}

// Entries i and i + 1 of a table at eight element offsets, gathered as on the 4-lane path: the
// indices straight out of the register and one 64-bit load per lane (the gather instructions are
// slow), then sorted into entries i (`a`) and entries i + 1 (`b`) of each voice's half.
BRELIX_INLINE void gather_pairs(const float* base, __m256i index, __m256& a, __m256& b) {
  const __m128i voice1 = _mm256_castsi256_si128(index);
  const __m128i voice2 = _mm256_extracti128_si256(index, 1);
  const uint64_t lanes12 = static_cast<uint64_t>(_mm_cvtsi128_si64(voice1));
  const uint64_t lanes34 = static_cast<uint64_t>(_mm_extract_epi64(voice1, 1));
  const uint64_t lanes56 = static_cast<uint64_t>(_mm_cvtsi128_si64(voice2));
  const uint64_t lanes78 = static_cast<uint64_t>(_mm_extract_epi64(voice2, 1));
  auto low = [base](uint64_t lanes) { return base + static_cast<uint32_t>(lanes); };
  auto high = [base](uint64_t lanes) { return base + (lanes >> 32); };
  const __m128 p15 = load_neighbours(low(lanes12), low(lanes56));     // (a1, b1, a5, b5)
  const __m128 p26 = load_neighbours(high(lanes12), high(lanes56));   // (a2, b2, a6, b6)
  const __m128 p37 = load_neighbours(low(lanes34), low(lanes78));     // (a3, b3, a7, b7)
  const __m128 p48 = load_neighbours(high(lanes34), high(lanes78));   // (a4, b4, a8, b8)
  // (a1, a2, b1, b2 | a5, a6, b5, b6) and (a3, a4, b3, b4 | a7, a8, b7, b8)
  const __m256 pairs12 = _mm256_set_m128(_mm_unpackhi_ps(p15, p26), _mm_unpacklo_ps(p15, p26));
  const __m256 pairs34 = _mm256_set_m128(_mm_unpackhi_ps(p37, p48), _mm_unpacklo_ps(p37, p48));
  a = _mm256_shuffle_ps(pairs12, pairs34, _MM_SHUFFLE(1, 0, 1, 0));
  b = _mm256_shuffle_ps(pairs12, pairs34, _MM_SHUFFLE(3, 2, 3, 2));
}

// Linear interpolation in a table at eight element offsets.
BRELIX_INLINE WSingle table_lerp(const float* base, WWord index, WSingle f) {
  WSingle a, b;
  gather_pairs(base, index.v, a.v, b.v);
  return a - (a - b) * f;
}

}  // namespace brelix
