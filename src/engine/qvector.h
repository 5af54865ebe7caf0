// 4-lane vector value types over the SSE registers.
//
// Every module kind of a voice has four units; unit n lives in lane n of one of these vectors
// (lane 1 is the lowest 32 bits; in code lanes are indexed 0..3). Masks are all-ones / all-zeros
// lanes so module code selects with and / and_not instead of branching per lane.
//
// All processor-specific code of the engine is kept in this header and its wider twins
// (qvector_wide.h for AVX2, qvector_avx512.h for AVX-512), with the query of what the processor
// offers at its end: module code uses only these types and their operators, in the order of
// single-precision operations its formulas give.
#pragma once

#include <cpuid.h>
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace brelix {

// Every vector operation is inlined wherever it is used, also without optimisation: the wide
// kernels are compiled for AVX2 and AVX-512, and an out-of-line copy of one of these made there
// could be the one the linker keeps for the 4-lane code.
#define BRELIX_INLINE [[gnu::always_inline]] inline

// Element views of a vector register. The register types are not float or uint32_t objects, so
// reading their lanes through plain float* / uint32_t* breaks the aliasing rules (and g++ -O2
// does miscompile it); these element types may alias anything.
using alias_float = float __attribute__((may_alias));
using alias_uint32 = uint32_t __attribute__((may_alias));
using alias_int32 = int32_t __attribute__((may_alias));
using alias_double = double __attribute__((may_alias));

struct QWord;
struct QInteger;

// Four single-precision floats.
struct alignas(16) QSingle {
  using Word = QWord;
  using Integer = QInteger;
  static constexpr int kVoices = 1;  // the lanes of one voice's four modules

  __m128 v;

  // The vector as the lanes of the voices it holds (one): built from, and read as, the four lanes
  // of each voice. The wider families of the voice kernels offer the same.
  template <class F>
  BRELIX_INLINE static QSingle from_voices(F lanes_of_voice) { return lanes_of_voice(0); }
  BRELIX_INLINE static QSingle broadcast(QSingle x) { return x; }
  template <int n>
  BRELIX_INLINE QSingle voice() const { return *this; }

  BRELIX_INLINE static QSingle load(const float* p) { return {_mm_load_ps(p)}; }
  BRELIX_INLINE static QSingle splat(float x) { return {_mm_set1_ps(x)}; }
  BRELIX_INLINE static QSingle zero() { return {_mm_setzero_ps()}; }
  // Lanes 1..4 in reading order.
  BRELIX_INLINE static QSingle of(float l1, float l2, float l3, float l4) { return {_mm_setr_ps(l1, l2, l3, l4)}; }

  BRELIX_INLINE float lane(int i) const {
    alignas(16) float t[4];
    _mm_store_ps(t, v);
    return t[i];
  }
  BRELIX_INLINE void set_lane(int i, float x) {
    alignas(16) float t[4];
    _mm_store_ps(t, v);
    t[i] = x;
    v = _mm_load_ps(t);
  }
  BRELIX_INLINE alias_float* lanes() { return reinterpret_cast<alias_float*>(&v); }
  BRELIX_INLINE const alias_float* lanes() const { return reinterpret_cast<const alias_float*>(&v); }
};

// Four 32-bit unsigned integers: masks, phases, table indices.
struct alignas(16) QWord {
  using Word = QWord;
  using Integer = QInteger;
  static constexpr int kVoices = 1;

  __m128i v;

  // The vector as the lanes of the voices it holds (one): built from, and read as, the four lanes
  // of each voice. The wider families of the voice kernels offer the same.
  template <class F>
  BRELIX_INLINE static QWord from_voices(F lanes_of_voice) { return lanes_of_voice(0); }
  BRELIX_INLINE static QWord broadcast(QWord x) { return x; }
  template <int n>
  BRELIX_INLINE QWord voice() const { return *this; }

  BRELIX_INLINE static QWord splat(uint32_t x) { return {_mm_set1_epi32(static_cast<int32_t>(x))}; }
  BRELIX_INLINE static QWord zero() { return {_mm_setzero_si128()}; }
  BRELIX_INLINE static QWord ones() { return {_mm_set1_epi32(-1)}; }
  BRELIX_INLINE static QWord of(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
    return {_mm_setr_epi32(static_cast<int32_t>(l1), static_cast<int32_t>(l2), static_cast<int32_t>(l3),
                           static_cast<int32_t>(l4))};
  }
  BRELIX_INLINE uint32_t lane(int i) const {
    alignas(16) uint32_t t[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), v);
    return t[i];
  }
  BRELIX_INLINE void set_lane(int i, uint32_t x) {
    alignas(16) uint32_t t[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), v);
    t[i] = x;
    v = _mm_load_si128(reinterpret_cast<const __m128i*>(t));
  }
  BRELIX_INLINE alias_uint32* lanes() { return reinterpret_cast<alias_uint32*>(&v); }
  BRELIX_INLINE const alias_uint32* lanes() const { return reinterpret_cast<const alias_uint32*>(&v); }
};

// Four 32-bit signed integers.
struct alignas(16) QInteger {
  using Word = QWord;
  using Integer = QInteger;
  static constexpr int kVoices = 1;

  __m128i v;

  // The vector as the lanes of the voices it holds (one): built from, and read as, the four lanes
  // of each voice. The wider families of the voice kernels offer the same.
  template <class F>
  BRELIX_INLINE static QInteger from_voices(F lanes_of_voice) { return lanes_of_voice(0); }
  BRELIX_INLINE static QInteger broadcast(QInteger x) { return x; }
  template <int n>
  BRELIX_INLINE QInteger voice() const { return *this; }

  BRELIX_INLINE static QInteger splat(int32_t x) { return {_mm_set1_epi32(x)}; }
  BRELIX_INLINE static QInteger zero() { return {_mm_setzero_si128()}; }
  BRELIX_INLINE static QInteger of(int32_t l1, int32_t l2, int32_t l3, int32_t l4) { return {_mm_setr_epi32(l1, l2, l3, l4)}; }
  BRELIX_INLINE int32_t lane(int i) const {
    alignas(16) int32_t t[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), v);
    return t[i];
  }
  BRELIX_INLINE void set_lane(int i, int32_t x) {
    alignas(16) int32_t t[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), v);
    t[i] = x;
    v = _mm_load_si128(reinterpret_cast<const __m128i*>(t));
  }
  BRELIX_INLINE alias_int32* lanes() { return reinterpret_cast<alias_int32*>(&v); }
  BRELIX_INLINE const alias_int32* lanes() const { return reinterpret_cast<const alias_int32*>(&v); }
};

// Four 32-bit offsets from the engine memory base: in single-precision elements for tables, in
// bytes for single values and delay lines.
using QOffset = QWord;

// Four double-precision floats (two 16-byte halves: lanes 1-2, lanes 3-4).
struct alignas(16) QDouble {
  __m128d lo, hi;

  BRELIX_INLINE static QDouble splat(double x) { return {_mm_set1_pd(x), _mm_set1_pd(x)}; }
  BRELIX_INLINE static QDouble zero() { return {_mm_setzero_pd(), _mm_setzero_pd()}; }
  BRELIX_INLINE double lane(int i) const { return lanes()[i]; }
  BRELIX_INLINE void set_lane(int i, double x) { lanes()[i] = x; }
  BRELIX_INLINE alias_double* lanes() { return reinterpret_cast<alias_double*>(this); }
  BRELIX_INLINE const alias_double* lanes() const { return reinterpret_cast<const alias_double*>(this); }
};

// Four references (one per lane).
template <typename T>
struct alignas(16) QPointerOf {
  T* p[4];
};
using QPointer = QPointerOf<void>;

static_assert(sizeof(QSingle) == 16 && sizeof(QWord) == 16 && sizeof(QInteger) == 16);
static_assert(sizeof(QDouble) == 32 && sizeof(QPointer) == 32);

// ---- single-precision arithmetic -------------------------------------------------------------

BRELIX_INLINE QSingle operator+(QSingle a, QSingle b) { return {_mm_add_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator-(QSingle a, QSingle b) { return {_mm_sub_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator*(QSingle a, QSingle b) { return {_mm_mul_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator/(QSingle a, QSingle b) { return {_mm_div_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator-(QSingle a) { return {_mm_xor_ps(a.v, _mm_set1_ps(-0.0f))}; }
BRELIX_INLINE QSingle& operator+=(QSingle& a, QSingle b) { return a = a + b; }
BRELIX_INLINE QSingle& operator-=(QSingle& a, QSingle b) { return a = a - b; }
BRELIX_INLINE QSingle& operator*=(QSingle& a, QSingle b) { return a = a * b; }

BRELIX_INLINE QSingle min(QSingle a, QSingle b) { return {_mm_min_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle max(QSingle a, QSingle b) { return {_mm_max_ps(a.v, b.v)}; }
// x held within [lo, hi] by any vector type with min and max. The order is max first, then min:
// a lane where x is not a number takes lo, as maxps answers its second operand then.
template <class V>
  requires(!std::is_arithmetic_v<V>)
BRELIX_INLINE V clamp(V x, V lo, V hi) {
  return min(max(x, lo), hi);
}
BRELIX_INLINE QSingle abs(QSingle a) { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
BRELIX_INLINE QSingle sqrt(QSingle a) { return {_mm_sqrt_ps(a.v)}; }

// Bitwise operations on the lanes of a float vector (masks, sign bits).
BRELIX_INLINE QSingle operator&(QSingle a, QSingle b) { return {_mm_and_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator|(QSingle a, QSingle b) { return {_mm_or_ps(a.v, b.v)}; }
BRELIX_INLINE QSingle operator^(QSingle a, QSingle b) { return {_mm_xor_ps(a.v, b.v)}; }
// (~mask) & a
BRELIX_INLINE QSingle and_not(QSingle mask, QSingle a) { return {_mm_andnot_ps(mask.v, a.v)}; }

// Comparisons return lane masks as a QWord.
BRELIX_INLINE QWord operator<(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmplt_ps(a.v, b.v))}; }
BRELIX_INLINE QWord operator<=(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmple_ps(a.v, b.v))}; }
BRELIX_INLINE QWord operator>(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmpgt_ps(a.v, b.v))}; }
BRELIX_INLINE QWord operator>=(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmpge_ps(a.v, b.v))}; }
BRELIX_INLINE QWord operator==(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmpeq_ps(a.v, b.v))}; }
BRELIX_INLINE QWord operator!=(QSingle a, QSingle b) { return {_mm_castps_si128(_mm_cmpneq_ps(a.v, b.v))}; }

// Lanes that hold a finite value: x - x is 0 there, and not a number for infinities and NaN.
BRELIX_INLINE QWord finite_lanes(QSingle a) {
  const __m128 d = _mm_sub_ps(a.v, a.v);
  return {_mm_castps_si128(_mm_cmpord_ps(d, d))};
}
// a where it is finite, 0 in lanes holding an infinity or NaN: finite values pass bit for bit.
BRELIX_INLINE QSingle finite_or_zero(QSingle a) { return {_mm_and_ps(_mm_castsi128_ps(finite_lanes(a).v), a.v)}; }

// ---- integer arithmetic ----------------------------------------------------------------------

BRELIX_INLINE QWord operator+(QWord a, QWord b) { return {_mm_add_epi32(a.v, b.v)}; }
BRELIX_INLINE QWord operator-(QWord a, QWord b) { return {_mm_sub_epi32(a.v, b.v)}; }
BRELIX_INLINE QWord operator&(QWord a, QWord b) { return {_mm_and_si128(a.v, b.v)}; }
BRELIX_INLINE QWord operator|(QWord a, QWord b) { return {_mm_or_si128(a.v, b.v)}; }
BRELIX_INLINE QWord operator^(QWord a, QWord b) { return {_mm_xor_si128(a.v, b.v)}; }
BRELIX_INLINE QWord and_not(QWord mask, QWord a) { return {_mm_andnot_si128(mask.v, a.v)}; }
BRELIX_INLINE QWord operator<<(QWord a, int n) { return {_mm_slli_epi32(a.v, n)}; }
BRELIX_INLINE QWord operator>>(QWord a, int n) { return {_mm_srli_epi32(a.v, n)}; }  // logical
BRELIX_INLINE QWord operator==(QWord a, QWord b) { return {_mm_cmpeq_epi32(a.v, b.v)}; }

BRELIX_INLINE QInteger operator+(QInteger a, QInteger b) { return {_mm_add_epi32(a.v, b.v)}; }
BRELIX_INLINE QInteger operator-(QInteger a, QInteger b) { return {_mm_sub_epi32(a.v, b.v)}; }
BRELIX_INLINE QInteger operator&(QInteger a, QWord m) { return {_mm_and_si128(a.v, m.v)}; }
BRELIX_INLINE QWord operator<(QInteger a, QInteger b) { return {_mm_cmplt_epi32(a.v, b.v)}; }
BRELIX_INLINE QWord operator>(QInteger a, QInteger b) { return {_mm_cmpgt_epi32(a.v, b.v)}; }
BRELIX_INLINE QWord operator==(QInteger a, QInteger b) { return {_mm_cmpeq_epi32(a.v, b.v)}; }

BRELIX_INLINE bool any(QWord m) { return _mm_movemask_ps(_mm_castsi128_ps(m.v)) != 0; }
BRELIX_INLINE bool all(QWord m) { return _mm_movemask_ps(_mm_castsi128_ps(m.v)) == 0xF; }
BRELIX_INLINE int movemask(QWord m) { return _mm_movemask_ps(_mm_castsi128_ps(m.v)); }

// ---- conversions and reinterpretation ----------------------------------------------------------

BRELIX_INLINE QSingle as_single(QWord a) { return {_mm_castsi128_ps(a.v)}; }
BRELIX_INLINE QSingle as_single(QInteger a) { return {_mm_castsi128_ps(a.v)}; }
BRELIX_INLINE QWord as_word(QSingle a) { return {_mm_castps_si128(a.v)}; }
BRELIX_INLINE QWord as_word(QInteger a) { return {a.v}; }
BRELIX_INLINE QInteger as_integer(QWord a) { return {a.v}; }

// Mask lanes as floats, for and / and_not selects on float vectors.
BRELIX_INLINE QSingle operator&(QWord m, QSingle a) { return {_mm_and_ps(_mm_castsi128_ps(m.v), a.v)}; }
BRELIX_INLINE QSingle and_not(QWord m, QSingle a) { return {_mm_andnot_ps(_mm_castsi128_ps(m.v), a.v)}; }

// select(mask, a, b): a where the mask is set, b elsewhere.
BRELIX_INLINE QSingle select(QWord m, QSingle a, QSingle b) {
  __m128 mf = _mm_castsi128_ps(m.v);
  return {_mm_or_ps(_mm_and_ps(mf, a.v), _mm_andnot_ps(mf, b.v))};
}
BRELIX_INLINE QWord select(QWord m, QWord a, QWord b) {
  return {_mm_or_si128(_mm_and_si128(m.v, a.v), _mm_andnot_si128(m.v, b.v))};
}
BRELIX_INLINE QInteger select(QWord m, QInteger a, QInteger b) {
  return {_mm_or_si128(_mm_and_si128(m.v, a.v), _mm_andnot_si128(m.v, b.v))};
}

// Truncating float -> int32 conversion (the processor's cvttps2dq: out-of-range lanes give
// 0x80000000).
BRELIX_INLINE QInteger trunc_to_int(QSingle a) { return {_mm_cvttps_epi32(a.v)}; }
// Rounding conversion in the current rounding mode (round to nearest in the render thread).
BRELIX_INLINE QInteger round_to_int(QSingle a) { return {_mm_cvtps_epi32(a.v)}; }
BRELIX_INLINE QSingle to_single(QInteger a) { return {_mm_cvtepi32_ps(a.v)}; }
// Fractional part, truncated towards zero: a - float(trunc(a)).
BRELIX_INLINE QSingle frac_trunc(QSingle a) { return a - to_single(trunc_to_int(a)); }

// ---- double-precision lanes --------------------------------------------------------------------

BRELIX_INLINE QDouble operator+(QDouble a, QDouble b) { return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)}; }
BRELIX_INLINE QDouble operator-(QDouble a, QDouble b) { return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)}; }
BRELIX_INLINE QDouble operator*(QDouble a, QDouble b) { return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)}; }
// As minpd/maxpd: a lane where `a` is not a number takes `b`.
BRELIX_INLINE QDouble min(QDouble a, QDouble b) { return {_mm_min_pd(a.lo, b.lo), _mm_min_pd(a.hi, b.hi)}; }
BRELIX_INLINE QDouble max(QDouble a, QDouble b) { return {_mm_max_pd(a.lo, b.lo), _mm_max_pd(a.hi, b.hi)}; }
// Comparisons give 64-bit lane masks, kept in a QDouble; `mask & x` keeps x where the mask is set.
BRELIX_INLINE QDouble operator>=(QDouble a, QDouble b) { return {_mm_cmpge_pd(a.lo, b.lo), _mm_cmpge_pd(a.hi, b.hi)}; }
BRELIX_INLINE QDouble operator<(QDouble a, QDouble b) { return {_mm_cmplt_pd(a.lo, b.lo), _mm_cmplt_pd(a.hi, b.hi)}; }
BRELIX_INLINE QDouble operator&(QDouble mask, QDouble a) { return {_mm_and_pd(mask.lo, a.lo), _mm_and_pd(mask.hi, a.hi)}; }

BRELIX_INLINE QDouble to_double(QSingle a) { return {_mm_cvtps_pd(a.v), _mm_cvtps_pd(_mm_movehl_ps(a.v, a.v))}; }
BRELIX_INLINE QSingle to_single(QDouble a) { return {_mm_movelh_ps(_mm_cvtpd_ps(a.lo), _mm_cvtpd_ps(a.hi))}; }
BRELIX_INLINE QDouble to_double(QInteger a) {
  return {_mm_cvtepi32_pd(a.v), _mm_cvtepi32_pd(_mm_unpackhi_epi64(a.v, a.v))};
}
// Truncating double -> int32 conversion (cvttpd2dq; out-of-range lanes give 0x80000000).
BRELIX_INLINE QInteger trunc_to_int(QDouble a) {
  return {_mm_unpacklo_epi64(_mm_cvttpd_epi32(a.lo), _mm_cvttpd_epi32(a.hi))};
}

// ---- lane rearrangements (lanes numbered from 1 in the comments) ------------------------------

// (a1, b1, a3, b3)
BRELIX_INLINE QSingle interleave_odd(QSingle a, QSingle b) {
  return {_mm_movelh_ps(_mm_unpacklo_ps(a.v, b.v), _mm_unpackhi_ps(a.v, b.v))};
}
// (a2, b2, a4, b4)
BRELIX_INLINE QSingle interleave_even(QSingle a, QSingle b) {
  return {_mm_movehl_ps(_mm_unpackhi_ps(a.v, b.v), _mm_unpacklo_ps(a.v, b.v))};
}
// (a1, a2, b1, b2): the low halves of two vectors.
BRELIX_INLINE QSingle low_halves(QSingle a, QSingle b) { return {_mm_movelh_ps(a.v, b.v)}; }
// (a3, a4, a1, a2): the two halves exchanged.
BRELIX_INLINE QSingle swap_halves(QSingle a) { return {_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(1, 0, 3, 2))}; }
// (a2, a1, a4, a3): the lanes of each pair exchanged.
BRELIX_INLINE QSingle swap_pairs(QSingle a) { return {_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(2, 3, 0, 1))}; }

// ---- table gathers -----------------------------------------------------------------------------

// Entries i and i + 1 of a table in the low half of a register, with one 64-bit load.
BRELIX_INLINE __m128 load_neighbours(const float* entry) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(entry)));  // unaligned
}

// Gathers base[index[n]] and base[index[n] + 1] for each lane: the indices come straight out of
// the register, each lane's neighbouring pair is one 64-bit load, and two unpacks and two moves
// sort the pairs into the two vectors (gather instructions are slow on the machines we run on).
// `base` is the engine memory base seen as floats, indices are element offsets.
BRELIX_INLINE void gather_pair(const float* base, QWord index, QSingle& a, QSingle& b) {
  const uint64_t lanes12 = static_cast<uint64_t>(_mm_cvtsi128_si64(index.v));
  const uint64_t lanes34 = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(index.v, index.v)));
  const __m128 p1 = load_neighbours(base + static_cast<uint32_t>(lanes12));
  const __m128 p2 = load_neighbours(base + (lanes12 >> 32));
  const __m128 p3 = load_neighbours(base + static_cast<uint32_t>(lanes34));
  const __m128 p4 = load_neighbours(base + (lanes34 >> 32));
  const __m128 pairs12 = _mm_unpacklo_ps(p1, p2);  // (a1, a2, b1, b2)
  const __m128 pairs34 = _mm_unpacklo_ps(p3, p4);  // (a3, a4, b3, b4)
  a = {_mm_movelh_ps(pairs12, pairs34)};
  b = {_mm_movehl_ps(pairs34, pairs12)};
}
// Linear interpolation in a table: entry i minus the step to entry i + 1 times the fraction f,
// per lane, with i given as element offsets from `base`. Every engine table is read this way.
BRELIX_INLINE QSingle table_lerp(const float* base, QWord index, QSingle f) {
  QSingle a, b;
  gather_pair(base, index, a, b);
  return a - (a - b) * f;
}
BRELIX_INLINE QSingle gather(const float* base, QWord index) {
  const alias_uint32* ix = index.lanes();
  return QSingle::of(base[ix[0]], base[ix[1]], base[ix[2]], base[ix[3]]);
}

// ---- floating-point mode of the render thread -----------------------------------------------

// Exceptions masked, round to nearest, flush-to-zero and denormals-are-zero.
constexpr uint32_t kRenderCsr = 0x9FC0;
BRELIX_INLINE void set_render_fp_mode() { _mm_setcsr(kRenderCsr); }

// ---- the vector units the processor and the operating system offer ------------------------------

// The kernels' vector widths, narrowest first.
enum class VectorPath { Sse, Avx2, Avx512 };

// The widest path this machine runs: the processor reports the instructions (cpuid), and the
// operating system saves the registers they use across thread switches (the XCR0 bits that
// xgetbv reads: the 256-bit state for AVX2, also the mask and 512-bit states for AVX-512).
inline VectorPath WidestVectorPath() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return VectorPath::Sse;
  const bool os_saves_state = (ecx & bit_OSXSAVE) != 0;
  if (!os_saves_state || (ecx & bit_AVX) == 0) return VectorPath::Sse;
  uint32_t xcr0_low, xcr0_high;
  asm volatile("xgetbv" : "=a"(xcr0_low), "=d"(xcr0_high) : "c"(0));
  constexpr uint32_t kYmmState = 0x06, kZmmState = 0xE6;
  if ((xcr0_low & kYmmState) != kYmmState) return VectorPath::Sse;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) || (ebx & bit_AVX2) == 0) return VectorPath::Sse;
  constexpr uint32_t kAvx512 = bit_AVX512F | bit_AVX512DQ | bit_AVX512BW | bit_AVX512VL;
  if ((ebx & kAvx512) == kAvx512 && (xcr0_low & kZmmState) == kZmmState) return VectorPath::Avx512;
  return VectorPath::Avx2;
}

BRELIX_INLINE uint32_t bits_of(float x) {
  uint32_t u;
  std::memcpy(&u, &x, 4);
  return u;
}
BRELIX_INLINE float float_of(uint32_t u) {
  float x;
  std::memcpy(&x, &u, 4);
  return x;
}

}  // namespace brelix
