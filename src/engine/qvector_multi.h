// Vectors of one family side by side, used as one: every operation is done on each part, so one
// line of a formula becomes independent instructions next to each other. The voice kernels use
// it to keep the long dependency chains of several voices (a division and a table lookup per
// filter sample) in flight at once. Per lane the operations are exactly those of the part type.
#pragma once

#include "engine/qvector.h"

namespace brelix {

// Two vectors of a family side by side (nest them for four). Kept as two named members, not an
// array, so that the compiler holds each part in a register of its own.
template <class V>
struct QPair {
  using Word = QPair<typename V::Word>;
  using Integer = QPair<typename V::Integer>;
  static constexpr int kVoices = 2 * V::kVoices;

  V a, b;

  QPair() = default;
  BRELIX_INLINE QPair(const V& first, const V& second) : a(first), b(second) {}
  QPair(const QPair&) = default;
  // Part by part: a copy of the whole pair would be a block move, which the compiler may do in
  // pieces narrower than the parts (and a later full-width read of a piece-wise stored part
  // waits for the stores to drain).
  BRELIX_INLINE QPair& operator=(const QPair& other) {
    a = other.a;
    b = other.b;
    return *this;
  }

  BRELIX_INLINE static QPair zero() { return {V::zero(), V::zero()}; }
  template <class Q>
  BRELIX_INLINE static QPair broadcast(const Q& x) {
    return {V::broadcast(x), V::broadcast(x)};
  }
  template <class F>
  BRELIX_INLINE static QPair from_voices(F lanes_of_voice) {
    return {V::from_voices(lanes_of_voice),
            V::from_voices([&lanes_of_voice](int v) -> decltype(auto) { return lanes_of_voice(V::kVoices + v); })};
  }
  template <int n>
  BRELIX_INLINE auto voice() const {
    if constexpr (n < V::kVoices) return a.template voice<n>();
    else return b.template voice<n - V::kVoices>();
  }
};

// f applied to the parts of its arguments, part by part.
template <class F, class... A>
BRELIX_INLINE auto partwise(F f, const QPair<A>&... x) {
  return QPair<decltype(f(x.a...))>{f(x.a...), f(x.b...)};
}

#define BRELIX_MULTI_BINARY(op)                                                   \
  template <class A, class B>                                                     \
  BRELIX_INLINE auto operator op(const QPair<A>& a, const QPair<B>& b) {          \
    return partwise([](const A& x, const B& y) { return x op y; }, a, b);         \
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

template <class A>
BRELIX_INLINE QPair<A> operator-(const QPair<A>& a) {
  return partwise([](const A& x) { return -x; }, a);
}
template <class A>
BRELIX_INLINE QPair<A> operator>>(const QPair<A>& a, int n) {
  return partwise([n](const A& x) { return x >> n; }, a);
}
template <class A>
BRELIX_INLINE QPair<A> min(const QPair<A>& a, const QPair<A>& b) {
  return partwise([](const A& x, const A& y) { return min(x, y); }, a, b);
}
template <class A>
BRELIX_INLINE QPair<A> max(const QPair<A>& a, const QPair<A>& b) {
  return partwise([](const A& x, const A& y) { return max(x, y); }, a, b);
}
template <class A>
BRELIX_INLINE QPair<A> abs(const QPair<A>& a) {
  return partwise([](const A& x) { return abs(x); }, a);
}
template <class M, class A>
BRELIX_INLINE QPair<A> select(const QPair<M>& m, const QPair<A>& a, const QPair<A>& b) {
  return partwise([](const M& mx, const A& x, const A& y) { return select(mx, x, y); }, m, a, b);
}
template <class A>
BRELIX_INLINE auto trunc_to_int(const QPair<A>& a) {
  return partwise([](const A& x) { return trunc_to_int(x); }, a);
}
template <class A>
BRELIX_INLINE auto to_single(const QPair<A>& a) {
  return partwise([](const A& x) { return to_single(x); }, a);
}
template <class A>
BRELIX_INLINE auto as_word(const QPair<A>& a) {
  return partwise([](const A& x) { return as_word(x); }, a);
}
template <class A>
BRELIX_INLINE auto as_integer(const QPair<A>& a) {
  return partwise([](const A& x) { return as_integer(x); }, a);
}
template <class A>
BRELIX_INLINE QPair<A> interleave_odd(const QPair<A>& a, const QPair<A>& b) {
  return partwise([](const A& x, const A& y) { return interleave_odd(x, y); }, a, b);
}
template <class A>
BRELIX_INLINE QPair<A> interleave_even(const QPair<A>& a, const QPair<A>& b) {
  return partwise([](const A& x, const A& y) { return interleave_even(x, y); }, a, b);
}
template <class A>
BRELIX_INLINE QPair<A> swap_halves(const QPair<A>& a) {
  return partwise([](const A& x) { return swap_halves(x); }, a);
}
template <class W, class A>
BRELIX_INLINE QPair<A> table_lerp(const float* base, const QPair<W>& index, const QPair<A>& f) {
  return partwise([base](const W& i, const A& x) { return table_lerp(base, i, x); }, index, f);
}

}  // namespace brelix
