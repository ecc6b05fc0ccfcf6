#pragma once
// Derivatives of a function that can only be evaluated: f' and f'' at x from central
// differences, extrapolated to step 0 (Richardson's scheme in Ridders' form). The
// central differences' error is a series in h^2; each column of the tableau removes one
// more term, and the entry whose neighbours agree best is taken, so the result is as
// good as the rounding of f allows. The values are approximate: for f in double
// precision, f' comes out to about 1E-11 relative and f'' to about 1E-8.

#include "qorKaloBase.h"
#include "qorKaloJet.h"

// The initial step for a function sampled on nodes Spacing apart, near x: the scale on
// which f was resolved, but never so small against |x| that the differences drown in
// the rounding of x + h.
Extended NumericalStep(Extended Spacing, Extended x);

// f, f' and f'' at x (f at x is given as fx), starting from the step h0 > 0 and
// shrinking it; where f changes on a scale well below h0, so that the extrapolation does
// not settle, it starts again from smaller steps. Each evaluation of f is counted in
// Calls. The derivatives are NaN where f or a difference has no value (f not finite at
// or near x) and where the second differences do not settle as h shrinks: f has a kink
// there (abs(x) at 0), whose symmetric first differences would pass for a horizontal
// tangent.
TqorJet<Extended> NumericalDerivatives(TRealFunctionRef f, Extended x, Extended fx, Extended h0, std::int64_t& Calls);
