#pragma once
// The secant method: looks for a root near two start points between which the
// function need not change sign, for example where f only touches zero. Every step
// replaces the older point by the zero of the line through both points.
//
// Errors raised by fct pass through unchanged; floating-point faults of a step
// (a step that overflows, or 0/0 when both values are zero) raise EOverflow,
// EZeroDivide or EInvalidOp.

#include "qorKaloBase.h"

// Result codes of Secant.
constexpr int SecantConverged = 0;     // X, FX and Iter hold the result
constexpr int SecantNotConverged = 1;  // the iteration limit was passed; outputs untouched

// Iterates from X0 and X1 until a step is shorter than AbsErr or the function value
// before the step is smaller in magnitude than RelErr (both strict), running at most
// Iter + 1 iterations. On convergence X is the root, FX = fct(X) and Iter the
// iterations used; otherwise X, FX and Iter stay as they were.
int Secant(Extended AbsErr, Extended RelErr, Extended& X, TRealFunctionRef fct, Extended X0, Extended X1, Extended& FX,
           int& Iter);
