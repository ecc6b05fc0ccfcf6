#pragma once
// Axis scaling, the arithmetic part of every plot axis: the value range an axis has
// gathered becomes rounded limits, a step width of 1, 2 or 5 times a power of ten, a
// fixed-point or exponent label format and a choice of intermediate ticks. Nothing
// here draws.

#include "qorKaloBase.h"
#include "qorList.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <vector>

// The cleared range: larger than every value an axis can gather, so that the first
// value gathered replaces both limits and ValueMin > ValueMax marks "no data".
constexpr Extended AxisValueCleared = 1.1E+4932L;

// Parts per step tried for intermediate ticks, densest last; 0 means none.
inline constexpr std::array<int32_t, 9> InterTickCounts = {0, 1, 3, 4, 9, 19, 24, 49, 99};

// The base of every axis: the value range of the data plotted against it and a title.
class TqorPlotAxisDefinition : public TqorObject {
public:
  // A new axis is cleared.
  Extended ValueMin = AxisValueCleared;   // smallest value gathered
  Extended ValueMax = -AxisValueCleared;  // largest value gathered
  QString Name;                           // axis title; empty means no title

  // Returns to the cleared state.
  void ClearValueMinMax();
  // Widens the range by every finite element of vec (IsFiniteReal); NaN and values
  // beyond the double range have no place on an axis and are left out.
  void AdjustValueMinMax(const kaloREALVector& vec);
  // True when the axis has a range (ValueMin <= ValueMax); drawing axes also scale.
  // The spelling is the established name, overridden and called across the plot code;
  // kept on purpose.
  virtual bool CalulateAxis();
};

// Turns the data range [minimum, maximum] and a wanted step count into rounded limits,
// a step of factor times a power of ten (factors: 1, 2, 5 when empty) and the
// resulting step count (at least 1, maximum strictly above minimum). The entry value
// of step is ignored. A wanted count below 1 counts as 1; a step too fine to be told
// apart at the magnitude of the limits is coarsened until it can. Raises EInvalidOp
// for a non-finite limit (IsFiniteReal), which has no rounded form.
void RoundAxisRange(Extended& minimum, Extended& maximum, Extended& step, int32_t& count,
                    const std::vector<Extended>& factors = {});

// Floor(log10 x) for x > 0, exact at powers of ten.
int32_t DecadeExponent(Extended x);
// 10 raised to the power n.
Extended PowerOfTen(int32_t n);

// The fixed-point label format ("%1.<d>f") whose decimals suit the axis limits and
// step: at least one decimal, enough to tell the steps apart. Labels that would need
// more than 17 digits, more than a double holds, get ExponentLabelFormat instead.
QString AxisLabelFormat(Extended axisMin, Extended axisMax, Extended stepWidth);
// The exponent label format ("%1.<d>E"): one digit before the point and enough
// decimals to tell the steps apart at the magnitude of the limits, at least one.
QString ExponentLabelFormat(Extended axisMin, Extended axisMax, Extended stepWidth);
// value in a label format of the form "%<width>.<decimals>f" (fixed point) or
// "%<width>.<decimals>E" (exponent form, "-1.5E+19"), with the decimal separator of
// the default locale and no group separators; a zero never shows a minus sign. An
// unrecognised format shows the value with one decimal.
QString FormatAxisLabel(const QString& format, Extended value);

// The intermediate ticks chosen for a step.
struct TqorInterTicks {
  int32_t Count;   // parts per step (0: no intermediate ticks)
  Extended Width;  // distance between intermediate ticks
};
// The densest subdivision of InterTickCounts whose ticks stay at least ten pen widths
// apart at scaleFactor pixels per unit; a pen narrower than 1 pixel draws 1 pixel.
TqorInterTicks ChooseInterTicks(Extended stepWidth, Extended scaleFactor, int32_t penWidth);

// A class reference: creates instances of one class derived from Base and tells
// whether an object is of that class or of one derived from it.
template <class Base>
class TqorClassRef {
public:
  template <class T>
  static TqorClassRef Of() {
    return TqorClassRef(
        typeid(T), [] { return std::unique_ptr<Base>(std::make_unique<T>()); },
        [](const Base& obj) {
          if constexpr (std::is_base_of_v<T, Base>)
            return true;
          else
            return dynamic_cast<const T*>(&obj) != nullptr;
        });
  }
  // A new instance made by the class's constructor.
  std::unique_ptr<Base> Create() const { return FCreate(); }
  // True when obj is an instance of this class or of a class derived from it.
  bool IsClassOf(const Base& obj) const { return FIsClassOf(obj); }
  bool operator==(const TqorClassRef& other) const { return *FType == *other.FType; }

private:
  TqorClassRef(const std::type_info& type, std::function<std::unique_ptr<Base>()> create,
               std::function<bool(const Base&)> isClassOf)
      : FType(&type), FCreate(std::move(create)), FIsClassOf(std::move(isClassOf)) {}

  const std::type_info* FType;
  std::function<std::unique_ptr<Base>()> FCreate;
  std::function<bool(const Base&)> FIsClassOf;
};
