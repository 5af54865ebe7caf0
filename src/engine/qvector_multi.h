// N vectors of one family side by side, used as one: every operation is done on each part, so one
// line of a formula becomes N independent instructions next to each other. The voice kernels use
// it to keep the long dependency chains of several voices (a division and a table lookup per
// filter sample) in flight at once. Per lane the operations are exactly those of the part type.
#pragma once

#include "engine/qvector.h"

namespace brelix {

template <class V, int N>
struct QMulti {
  using Word = QMulti<typename V::Word, N>;
  using Integer = QMulti<typename V::Integer, N>;
  static constexpr int kVoices = V::kVoices * N;

  V part[N];

  static QMulti zero() { return broadcast(V::zero()); }
  static QMulti splat(float x) { return broadcast(V::splat(x)); }
  template <class Q>
  static QMulti broadcast(const Q& x) {
    QMulti r;
    for (int i = 0; i < N; ++i) r.part[i] = V::broadcast(x);
    return r;
  }
  template <class F>
  static QMulti from_voices(F lanes_of_voice) {
    QMulti r;
    for (int i = 0; i < N; ++i)
      r.part[i] = V::from_voices([&lanes_of_voice, i](int v) { return lanes_of_voice(i * V::kVoices + v); });
    return r;
  }
  auto voice(int n) const { return part[n / V::kVoices].voice(n % V::kVoices); }
};

// f applied to the parts of its arguments, part by part.
template <int N, class F, class... A>
[[gnu::always_inline]] inline auto partwise(F f, const A&... a) {
  QMulti<decltype(f(a.part[0]...)), N> r;
#pragma GCC unroll 8
  for (int i = 0; i < N; ++i) r.part[i] = f(a.part[i]...);
  return r;
}

#define BRELIX_MULTI_BINARY(op)                                                                      \
  template <class A, class B, int N>                                                                 \
  [[gnu::always_inline]] inline auto operator op(const QMulti<A, N>& a, const QMulti<B, N>& b) {     \
    return partwise<N>([](const A& x, const B& y) { return x op y; }, a, b);                         \
  }
BRELIX_MULTI_BINARY(+)
BRELIX_MULTI_BINARY(-)
BRELIX_MULTI_BINARY(*)
BRELIX_MULTI_BINARY(/)
BRELIX_MULTI_BINARY(&)
BRELIX_MULTI_BINARY(|)
BRELIX_MULTI_BINARY(==)
BRELIX_MULTI_BINARY(<)
#undef BRELIX_MULTI_BINARY

template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> operator-(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return -x; }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> operator>>(const QMulti<A, N>& a, int n) {
  return partwise<N>([n](const A& x) { return x >> n; }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> min(const QMulti<A, N>& a, const QMulti<A, N>& b) {
  return partwise<N>([](const A& x, const A& y) { return min(x, y); }, a, b);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> max(const QMulti<A, N>& a, const QMulti<A, N>& b) {
  return partwise<N>([](const A& x, const A& y) { return max(x, y); }, a, b);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> abs(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return abs(x); }, a);
}
template <class M, class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> select(const QMulti<M, N>& m, const QMulti<A, N>& a, const QMulti<A, N>& b) {
  return partwise<N>([](const M& mx, const A& x, const A& y) { return select(mx, x, y); }, m, a, b);
}
template <class A, int N>
[[gnu::always_inline]] inline auto trunc_to_int(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return trunc_to_int(x); }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline auto to_single(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return to_single(x); }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline auto as_word(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return as_word(x); }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline auto as_integer(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return as_integer(x); }, a);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> interleave_odd(const QMulti<A, N>& a, const QMulti<A, N>& b) {
  return partwise<N>([](const A& x, const A& y) { return interleave_odd(x, y); }, a, b);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> interleave_even(const QMulti<A, N>& a, const QMulti<A, N>& b) {
  return partwise<N>([](const A& x, const A& y) { return interleave_even(x, y); }, a, b);
}
template <class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> swap_halves(const QMulti<A, N>& a) {
  return partwise<N>([](const A& x) { return swap_halves(x); }, a);
}
template <class W, class A, int N>
[[gnu::always_inline]] inline QMulti<A, N> table_lerp(const float* base, const QMulti<W, N>& index,
                                                     const QMulti<A, N>& f) {
  return partwise<N>([base](const W& i, const A& x) { return table_lerp(base, i, x); }, index, f);
}

}  // namespace brelix
