#pragma once
// The program's real number and its numeric basics.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

// The program's real: x87 extended precision with a 64-bit significand.
using Extended = long double;
static_assert(LDBL_MANT_DIG == 64, "Extended must be the 80-bit extended type");

// A vector of reals indexed from 0.
using kaloREALVector = std::vector<Extended>;

// A real function of one real variable, bound to whatever object computes it.
using RealFunction = std::function<Extended(const Extended&)>;

// A real function to call, referred to and not owned: what the solvers take, so that a
// call costs one indirect call. Made from any callable (a lambda, a RealFunction, a
// function), which must outlive the reference.
class TRealFunctionRef {
public:
  template <class F>
  requires(std::is_invocable_r_v<Extended, const F&, Extended> && !std::is_same_v<F, TRealFunctionRef>)
      TRealFunctionRef(const F& f)
      : FObject(&f),
        FCall([](const void* object, const Extended& x) -> Extended { return (*static_cast<const F*>(object))(x); }) {}
  TRealFunctionRef(Extended (*f)(Extended))
      : FObject(reinterpret_cast<const void*>(f)), FCall([](const void* object, const Extended& x) {
          return reinterpret_cast<Extended (*)(Extended)>(object)(x);
        }) {}

  Extended operator()(const Extended& x) const { return FCall(FObject, x); }

private:
  const void* FObject;
  // x by reference: passed by value, a called reference would copy it on to the next
  // call in two 8-byte halves, and the load of the upper half, which the 10-byte store of
  // x only partly covers, waits for the store to complete, at every layer of calls.
  Extended (*FCall)(const void*, const Extended& x);
};

// Evaluates a function at the nodes x[0] to x[n - 1] in order into y, as n calls would,
// and adds one to Calls for every call as it starts it, so that Calls is right also when
// a call raises.
using RealPassFunction = std::function<void(const Extended* x, Extended* y, int n, std::int64_t& Calls)>;

// The machine epsilon of Extended arithmetic (2^-63), computed on first use.
Extended MachineEpsilon();

// True when |x| <= MachineEpsilon (an absolute test). A NaN raises EInvalidOp, as
// every ordered comparison with NaN does.
bool IsZeroReal(Extended x);

// True when x is neither NaN nor infinite once rounded to double: values beyond the
// double range count as not finite. Raises no floating-point flag.
inline bool IsFiniteReal(Extended x) {
  // The smallest magnitude that rounds to infinity in double: DBL_MAX plus half an ulp.
  constexpr Extended DoubleOverflowThreshold = static_cast<Extended>(DBL_MAX) + 0x1p970L;
  return std::isless(std::fabs(x), DoubleOverflowThreshold);
}

// True when a and b have the same bits: the sign, the exponent and the significand,
// leaving out the padding. Unlike ==, it tells -0 from +0, which a function may tell
// apart. Compared as integers, without loading them into the x87 registers.
inline bool SameBits(const Extended& a, const Extended& b) {
  std::uint64_t significandA, significandB;
  std::uint16_t exponentA, exponentB;
  std::memcpy(&significandA, &a, 8);
  std::memcpy(&significandB, &b, 8);
  std::memcpy(&exponentA, reinterpret_cast<const char*>(&a) + 8, 2);
  std::memcpy(&exponentB, reinterpret_cast<const char*>(&b) + 8, 2);
  return significandA == significandB && exponentA == exponentB;
}
