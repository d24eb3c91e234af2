// 64-bit floats side by side, one per lane of vector registers.
//
// IEEE addition, subtraction, multiplication and division give the same
// bits in each lane of a vector instruction as in a scalar register, so a
// formula written once as a template over its value type T gives, on
// Lanes<N>, the bits it gives on double in each lane.  Functions that take
// Lanes are inlined always, so that they are compiled in the instruction
// set of their caller (see simd/dispatch.hpp): two halves per vector of four
// without AVX2, one register with it.
//
// Lanes<N> holds N / 4 independent vectors of four: with two or three, the
// latency of one operation (a division's is several times its throughput)
// is spent on the others.
//
// Choices between two values are made by choose() on a mask, without a
// branch: a branch would let the compiler form each value on its own path,
// and then it can no longer run the lanes side by side.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace pdferr::simd {

// The compilers' vector types (GCC and clang): W values of type T in one
// vector.  They pass by reference here: passed by value, their calling
// convention would depend on the instruction set.
template <class T, int W>
struct VectorOf {
  typedef T type __attribute__((vector_size(sizeof(T) * W)));
};
template <class T, int W>
using Vec = typename VectorOf<T, W>::type;

using Quad = Vec<double, 4>;
using QuadBits = Vec<std::uint64_t, 4>;

template <int N>
struct Lanes {
  static_assert(N > 0 && N % 4 == 0);
  static constexpr int quads = N / 4;
  Quad q[quads];  // lane l is q[l / 4][l % 4]

  Lanes() = default;
  // Every lane a.
  [[gnu::always_inline]] explicit Lanes(double a) {
    for (Quad& h : q) h = Quad{a, a, a, a};
  }

  // Lane l a[l].
  [[gnu::always_inline]] static Lanes of(const double (&a)[N]) {
    Lanes r;
    for (int h = 0; h < quads; ++h) {
      r.q[h] = Quad{a[4 * h], a[4 * h + 1], a[4 * h + 2], a[4 * h + 3]};
    }
    return r;
  }

  [[gnu::always_inline]] double operator[](int l) const { return q[l / 4][l % 4]; }
};

// Per lane: all bits set where a condition holds, else none.
template <int N>
struct LaneMask {
  QuadBits q[N / 4];
};

// The rows r0..r3 of a 4 x 4 block as its columns c0..c3.
[[gnu::always_inline]] inline void transpose(const Quad& r0, const Quad& r1, const Quad& r2,
                                             const Quad& r3, Quad& c0, Quad& c1, Quad& c2,
                                             Quad& c3) {
  const Quad even01 = __builtin_shufflevector(r0, r1, 0, 4, 2, 6);
  const Quad odd01 = __builtin_shufflevector(r0, r1, 1, 5, 3, 7);
  const Quad even23 = __builtin_shufflevector(r2, r3, 0, 4, 2, 6);
  const Quad odd23 = __builtin_shufflevector(r2, r3, 1, 5, 3, 7);
  c0 = __builtin_shufflevector(even01, even23, 0, 1, 4, 5);
  c1 = __builtin_shufflevector(odd01, odd23, 0, 1, 4, 5);
  c2 = __builtin_shufflevector(even01, even23, 2, 3, 6, 7);
  c3 = __builtin_shufflevector(odd01, odd23, 2, 3, 6, 7);
}

// Four consecutive values at each of rows[0..N), as four Lanes: lane l of
// c[k] is rows[l][k].  Each group of four rows is read as four vectors and
// transposed in registers.
template <int N>
[[gnu::always_inline]] inline void columns(const double* const (&rows)[N], Lanes<N> (&c)[4]) {
  for (int h = 0; h < N / 4; ++h) {
    Quad r[4];
    std::memcpy(&r[0], rows[4 * h], sizeof r[0]);
    std::memcpy(&r[1], rows[4 * h + 1], sizeof r[1]);
    std::memcpy(&r[2], rows[4 * h + 2], sizeof r[2]);
    std::memcpy(&r[3], rows[4 * h + 3], sizeof r[3]);
    transpose(r[0], r[1], r[2], r[3], c[0].q[h], c[1].q[h], c[2].q[h], c[3].q[h]);
  }
}

#define PDFERR_LANE_OPERATOR(op)                                                             \
  template <int N>                                                                           \
  [[gnu::always_inline]] inline Lanes<N> operator op(const Lanes<N>& a, const Lanes<N>& b) { \
    Lanes<N> r;                                                                              \
    for (int h = 0; h < N / 4; ++h) r.q[h] = a.q[h] op b.q[h];                               \
    return r;                                                                                \
  }
PDFERR_LANE_OPERATOR(+)
PDFERR_LANE_OPERATOR(-)
PDFERR_LANE_OPERATOR(*)
PDFERR_LANE_OPERATOR(/)
#undef PDFERR_LANE_OPERATOR

// a < b, for a value or per lane.
[[gnu::always_inline]] inline bool less(double a, double b) { return a < b; }
template <int N>
[[gnu::always_inline]] inline LaneMask<N> less(const Lanes<N>& a, const Lanes<N>& b) {
  LaneMask<N> r;
  for (int h = 0; h < N / 4; ++h) r.q[h] = reinterpret_cast<QuadBits>(a.q[h] < b.q[h]);
  return r;
}

// a where c holds, else b, for a value or per lane; both are formed.
[[gnu::always_inline]] inline double choose(bool c, double a, double b) {
  const std::uint64_t mask = 0 - std::uint64_t{c};
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                               (std::bit_cast<std::uint64_t>(b) & ~mask));
}
template <int N>
[[gnu::always_inline]] inline Lanes<N> choose(const LaneMask<N>& c, const Lanes<N>& a,
                                              const Lanes<N>& b) {
  Lanes<N> r;
  for (int h = 0; h < N / 4; ++h) {
    const QuadBits bits = (reinterpret_cast<QuadBits>(a.q[h]) & c.q[h]) |
                          (reinterpret_cast<QuadBits>(b.q[h]) & ~c.q[h]);
    r.q[h] = reinterpret_cast<Quad>(bits);
  }
  return r;
}

}  // namespace pdferr::simd
