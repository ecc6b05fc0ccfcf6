#pragma once
// Arb's ball arithmetic, included from wherever this FLINT keeps it, and owners for
// its values so that no path through the proof leaks one.

#if __has_include(<flint/arb.h>)
#include <flint/arb.h>
#include <flint/arb_calc.h>
#include <flint/arb_poly.h>
#else
#include <arb.h>
#include <arb_calc.h>
#include <arb_poly.h>
#endif

#include <string>

// One ball, initialised to 0 and cleared with its owner.
class TqorArb {
public:
  TqorArb() { arb_init(FValue); }
  ~TqorArb() { arb_clear(FValue); }
  TqorArb(const TqorArb&) = delete;
  TqorArb& operator=(const TqorArb&) = delete;
  arb_ptr get() { return FValue; }
  arb_srcptr get() const { return FValue; }

private:
  arb_t FValue;
};

// Count balls in a row, each 0 at first.
class TqorArbVector {
public:
  explicit TqorArbVector(slong Count) : FCount(Count), FValues(_arb_vec_init(Count)) {}
  ~TqorArbVector() { _arb_vec_clear(FValues, FCount); }
  TqorArbVector(const TqorArbVector&) = delete;
  TqorArbVector& operator=(const TqorArbVector&) = delete;
  arb_ptr get() { return FValues; }
  arb_srcptr get() const { return FValues; }
  arb_ptr operator[](slong i) { return FValues + i; }
  slong size() const { return FCount; }

private:
  slong FCount;
  arb_ptr FValues;
};

// One exact binary number (an end of a block).
class TqorArf {
public:
  TqorArf() { arf_init(FValue); }
  explicit TqorArf(double Value) : TqorArf() { arf_set_d(FValue, Value); }
  ~TqorArf() { arf_clear(FValue); }
  TqorArf(const TqorArf& Other) : TqorArf() { arf_set(FValue, Other.FValue); }
  TqorArf& operator=(const TqorArf& Other) {
    arf_set(FValue, Other.FValue);
    return *this;
  }
  arf_ptr get() { return FValue; }
  arf_srcptr get() const { return FValue; }

private:
  arf_t FValue;
};

// The ball as Arb prints it with Digits significant digits: "[1.4142 +/- 3.2e-5]", or
// the digits alone when the ball is exact.
std::string ArbText(arb_srcptr Value, slong Digits);
