// Versions of a function for different processors, chosen at first call.
//
// A function whose loops run faster in wide vector registers is compiled
// twice from one body: once for processors with AVX2 and FMA and once for
// all others.  Both versions make the same operations on the same values in
// the same order (no contraction, no reassociation), so their results are
// the same bits; only the width of the registers differs.  A fused
// multiply-add appears only where code asks for one by name, and only where
// it gives the bits of the generic version's arithmetic (the exact products
// of the elementary functions' array forms).
//
// The processor is asked on the first call, not when the program is loaded,
// so nothing runs before the program's own start-up code (a sanitizer's
// runtime included), and it is asked once: the answer is kept.  With a
// compiler or a processor family without the means, the generic version is
// the only one ever called.
#pragma once

namespace pdferr::simd {

// The versions, from the one every processor runs to the widest.
enum class Isa { generic, avx2 };

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PDFERR_ISA_VARIANTS 1
#define PDFERR_TARGET_AVX2 __attribute__((target("avx2,fma")))
#else
#define PDFERR_ISA_VARIANTS 0
#define PDFERR_TARGET_AVX2
#endif

// The widest version this processor runs (and its system saves the
// registers of), found on the first call: the AVX2 one needs FMA as well.
inline Isa processor_isa() {
#if PDFERR_ISA_VARIANTS
  static const Isa isa = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? Isa::avx2
                                                                           : Isa::generic;
  }();
  return isa;
#else
  return Isa::generic;
#endif
}

// The versions of one function and the choice between them.  Each version
// is an ordinary function that calls the one body, declared
// [[gnu::always_inline]] so that it is compiled in each version's own
// instruction set:
//
//   [[gnu::always_inline]] inline int body(...) { ... }
//   int sum_generic(...) { return body(...); }
//   PDFERR_TARGET_AVX2 int sum_avx2(...) { return body(...); }
//   constexpr simd::Variants<int(...)> sum{sum_generic, sum_avx2};
template <class Signature>
class Variants;

template <class R, class... Args>
class Variants<R(Args...)> {
 public:
  using Function = R(Args...);

  constexpr Variants(Function* generic, Function* avx2) : generic_(generic), avx2_(avx2) {}

  // The version a call runs on this processor.
  Isa chosen() const { return processor_isa(); }

  // The given version, which the processor must be able to run.
  Function* variant(Isa isa) const { return isa == Isa::avx2 ? avx2_ : generic_; }

  R operator()(Args... args) const { return variant(chosen())(args...); }

 private:
  Function* generic_;
  Function* avx2_;
};

}  // namespace pdferr::simd
