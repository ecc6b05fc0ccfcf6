#pragma once
// The program's real number and its numeric basics.

#include <cfloat>
#include <functional>
#include <vector>

// The program's real: x87 extended precision with a 64-bit significand.
using Extended = long double;
static_assert(LDBL_MANT_DIG == 64, "Extended must be the 80-bit extended type");

// A vector of reals indexed from 0.
using kaloREALVector = std::vector<Extended>;

// A real function of one real variable, bound to whatever object computes it.
using RealFunction = std::function<Extended(Extended)>;

// The machine epsilon of Extended arithmetic (2^-63), computed on first use.
Extended MachineEpsilon();

// True when |x| <= MachineEpsilon (an absolute test). A NaN raises EInvalidOp, as
// every ordered comparison with NaN does.
bool IsZeroReal(Extended x);

// True when x is neither NaN nor infinite once rounded to double: values beyond the
// double range count as not finite. Raises no floating-point flag.
bool IsFiniteReal(Extended x);
