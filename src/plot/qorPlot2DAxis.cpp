#include "qorPlot2DAxis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

const char* const PlotImprintName = "Ingenieurbüro Nordmark";
const char* const PlotImprintAddress = "www.nordmark-ingenieure.example";

namespace {
// A capital and a descender: the full height of a line of text.
const QString SampleText = QStringLiteral("Ag");
// Labels stand at least this text's width apart.
const QString LabelGapSample = QStringLiteral("0");

// Title size relative to the label size.
constexpr Extended TitleSizeFactor = 2.5L;
// Imprint size relative to the label size.
constexpr Extended ImprintSizeFactor = 0.75L;

// Fewer labels than this along an axis tell nothing of its scale: fixed-point labels
// that leave room for fewer give way to the exponent form.
constexpr int32_t MinReadableLabels = 2;
// A step value nearer to zero than this part of a step is zero: adding steps to the
// lower limit can leave such a rest, which the exponent form would show as a number.
constexpr Extended ZeroStepFraction = 1E-9L;

// The first scaling pass asks for this many steps.
constexpr int32_t FirstWantedStepCount = 9;
// Labels stand this many widest-label widths apart.
constexpr Extended LabelSpacing = 1.5L;
// Label widths that make the step count alternate would otherwise rescale forever.
constexpr int MaxScalingPasses = 10;

// Farther than any canvas reaches, near enough that adding a start or subtracting
// from a height stays inside 32 bits.
constexpr Extended MaxPixelOffset = 1 << 28;

// Round to the nearest integer with halves to even. lrint rounds in one instruction;
// nearbyint saves and restores the whole floating-point environment per call, which
// made scaling a 10000-point graph cost more than drawing it. The inexact flag it
// leaves is silent.
int32_t RoundToInt(Extended v) { return static_cast<int32_t>(std::lrint(v)); }
}  // namespace

// ---- TqorPlotDrawingAxis ----

TqorPlotDrawingAxis::TqorPlotDrawingAxis() { FTitleFont.Size = RoundToInt(FLabelFont.Size * TitleSizeFactor); }

int32_t TqorPlotDrawingAxis::Height() { return BandHeight(); }

int32_t TqorPlotDrawingAxis::BandHeight() {
  int32_t h = FontTextHeight(FLabelFont, SampleText) + std::max(InterTickHeigth, StepTickHeight) + LabelTickGap +
              BorderGap;
  if (!Name.isEmpty()) h += FontTextHeight(FTitleFont, SampleText) + TitelLabelGap;
  return h;
}

bool TqorPlotDrawingAxis::CalulateAxis() {
  const bool scalable = TqorPlotAxisDefinition::CalulateAxis() && IsFiniteReal(ValueMin) && IsFiniteReal(ValueMax) &&
                        Length > 0;
  if (scalable) CalculateSteps();
  return scalable;
}

void TqorPlotDrawingAxis::Draw() {
  if (Canvas) Canvas->setPen(FPen);
}

int32_t TqorPlotDrawingAxis::Scale(Extended dValue) const { return ScaleWidth(Position(dValue)); }

TqorAxisScaling TqorPlotDrawingAxis::Scaling() const {
  return {AxisMin, ScaleFactor, Start, Length, ScaleWidth(Start), ScaleWidth(Start + Length)};
}

int32_t TqorPlotDrawingAxis::Position(Extended dValue) const {
  // Clamped before rounding, so that the rounded value always fits the integer.
  const Extended offset = IsFiniteReal(dValue) ? (dValue - AxisMin) * ScaleFactor : 0;
  return Start + RoundToInt(std::clamp(offset, -MaxPixelOffset, MaxPixelOffset));
}

// Labels that touch read as one number ("-300,0-200,0"): a label moved inward at an
// axis end comes close to its neighbour, which the spacing of the steps cannot foresee.
std::optional<int32_t> TqorPlotDrawingAxis::LabelPosition(Extended v, int32_t width, int32_t low, int32_t high,
                                                          int32_t& next) const {
  const int32_t begin = std::max(low, std::min(Position(v) - width / 2, high - width));
  if (begin < next) return std::nullopt;
  next = begin + width + LabelGap();
  return begin;
}

int32_t TqorPlotDrawingAxis::LabelGap() const { return Canvas ? Canvas->TextWidth(LabelGapSample) : 0; }

int32_t TqorPlotDrawingAxis::FontTextHeight(const TqorFont& font, const QString& text) {
  if (!Canvas) return 0;
  font.AssignToCanvas(*Canvas);
  return Canvas->TextHeight(text);
}

QString TqorPlotDrawingAxis::LabelText(Extended v) const {
  if (std::fabs(v) <= std::fabs(StepWidth) * ZeroStepFraction) v = 0;
  return FormatAxisLabel(LabelFormat, v);
}

void TqorPlotDrawingAxis::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Canvas->MoveTo(x1, y1);
  Canvas->LineTo(x2, y2);
}

void TqorPlotDrawingAxis::ForEachTick(const std::function<void(Extended, int32_t)>& step,
                                      const std::function<void(int32_t)>& interTick) const {
  for (int i = 0; i < FSteps.Count(); ++i) {
    const Extended v = FSteps.Items(i);
    step(v, Scale(v));
    for (int32_t k = 1; k <= InterTickCount; ++k) interTick(Scale(v + k * InterTickWidth));
  }
}

void TqorPlotDrawingAxis::CalculateSteps() {
  StepCount = FirstWantedStepCount;
  RoundToStepCount();
  int32_t previous = 0;
  for (int pass = 1; StepCount != previous && pass < MaxScalingPasses; ++pass) {
    previous = StepCount;
    MaxLabelWidth = MeasureLabelWidth();
    RoundForLabels();
  }
  ScaleFactor = Length / (AxisMax - AxisMin);
  FillSteps();
  const TqorInterTicks ticks = ChooseInterTicks(StepWidth, ScaleFactor, FPen.Width);
  InterTickCount = ticks.Count;
  InterTickWidth = ticks.Width;
}

void TqorPlotDrawingAxis::RoundToStepCount() {
  AxisMin = ValueMin;
  AxisMax = ValueMax;
  RoundAxisRange(AxisMin, AxisMax, StepWidth, StepCount);
}

void TqorPlotDrawingAxis::RoundForLabels() {
  // Rounded limits add up to two steps to those wanted, which would bring the labels
  // closer than their spacing; fewer steps are wanted until they keep it.
  for (int32_t wanted = WantedStepCount();; --wanted) {
    StepCount = wanted;
    RoundToStepCount();
    if (wanted <= 1 || StepCount * LabelSpacing * std::max(MaxLabelWidth, int32_t{1}) <= Length) return;
  }
}

int32_t TqorPlotDrawingAxis::WantedStepCount() const {
  // A label measured 0 pixels wide still needs a pixel; 0 steps count as 1 when the
  // range is rounded, so even an axis shorter than one label gets a step.
  return static_cast<int32_t>(Length / (LabelSpacing * std::max(MaxLabelWidth, int32_t{1})));
}

int32_t TqorPlotDrawingAxis::MeasureLabelWidth() {
  LabelFormat = AxisLabelFormat(AxisMin, AxisMax, StepWidth);
  if (!Canvas) return 0;
  const int32_t widest = WidestLabel();
  if (MinReadableLabels * LabelSpacing * widest <= Length) return widest;
  const QString format = std::exchange(LabelFormat, ExponentLabelFormat(AxisMin, AxisMax, StepWidth));
  const int32_t exponent = WidestLabel();
  if (exponent < widest) return exponent;
  LabelFormat = format;
  return widest;
}

int32_t TqorPlotDrawingAxis::WidestLabel() {
  FLabelFont.AssignToCanvas(*Canvas);
  int32_t widest = 0;
  for (int32_t i = 0;; ++i) {
    const Extended v = i * StepWidth + ValueMin;
    widest = std::max(widest, Canvas->TextWidth(LabelText(v)));
    if (v >= ValueMax) return widest;
  }
}

void TqorPlotDrawingAxis::FillSteps() {
  FSteps.Clear();
  for (int32_t i = 0; i < StepCount; ++i) FSteps.Add(AxisMin + i * StepWidth);
}

// ---- TqorPlotAxisXCommon ----

int32_t TqorPlotAxisXCommon::Height() {
  const int32_t rows = ImprintRows();
  return BandHeight() + (rows > 0 ? rows * FontTextHeight(ImprintFont(), SampleText) + TitelLabelGap : 0);
}

void TqorPlotAxisXCommon::Draw() {
  TqorPlotDrawingAxis::Draw();
  if (!Canvas) return;
  const int32_t y0 = ScaleHeight(Bottom + Height());
  Line(Start, y0, Start + Length, y0);
  const int32_t y1 = y0 + Canvas->Pen().Width;
  LabelFont().AssignToCanvas(*Canvas);
  // A label stays left of the axis end; on the left it may reach into the corner,
  // which the vertical axes keep free.
  int32_t labelNext = std::numeric_limits<int32_t>::min();
  ForEachTick(
      [&](Extended v, int32_t x) {
        const QString text = LabelText(v);
        Line(x, y1, x, y1 + StepTickHeight);
        if (const auto left = LabelPosition(v, Canvas->TextWidth(text), 0, Start + Length, labelNext))
          Canvas->TextOut(ScaleWidth(*left), y1 + StepTickHeight + LabelTickGap, text);
      },
      [&](int32_t x) { Line(x, y1, x, y1 + InterTickHeigth); });
  const int32_t yT = y1 + FontTextHeight(LabelFont(), SampleText) + StepTickHeight + LabelTickGap + TitelLabelGap;
  int32_t yImprint = yT;
  if (!Name.isEmpty()) {
    TitleFont().AssignToCanvas(*Canvas);
    const QSize title = Canvas->TextExtent(Name);
    Canvas->TextOut(ScaleWidth(Start + (Length - title.width()) / 2), yT, Name);
    yImprint += title.height() + TitelLabelGap;
  }
  DrawImprint(yImprint);
}

TqorFont TqorPlotAxisXCommon::ImprintFont() {
  TqorFont font = LabelFont();
  font.Size = static_cast<int>(std::ceil(font.Size * ImprintSizeFactor));
  return font;
}

int32_t TqorPlotAxisXCommon::ImprintRows() {
  if (!DrawVASOInfo || !Canvas) return 0;
  ImprintFont().AssignToCanvas(*Canvas);
  // Name and address side by side keep a gap as wide as a line is high between them.
  const int32_t sideBySide = Canvas->TextWidth(QString::fromUtf8(PlotImprintName)) + Canvas->TextHeight(SampleText) +
                             Canvas->TextWidth(QString::fromUtf8(PlotImprintAddress));
  return sideBySide <= Length ? 1 : 2;
}

void TqorPlotAxisXCommon::DrawImprint(int32_t y) {
  const int32_t rows = ImprintRows();
  if (rows == 0) return;
  Canvas->TextOut(ScaleWidth(Start), y, QString::fromUtf8(PlotImprintName));
  const QString address = QString::fromUtf8(PlotImprintAddress);
  const int32_t yAddress = y + (rows - 1) * Canvas->TextHeight(SampleText);
  Canvas->TextOut(ScaleWidth(std::max(0, Start + Length - Canvas->TextWidth(address))), yAddress, address);
}

// ---- TqorPlotAxisYCommon ----

TqorPlotAxisYCommon::TqorPlotAxisYCommon() {
  // Labels and title read from bottom to top.
  constexpr Extended Upward = 90;
  LabelFont().Angle = Upward;
  TitleFont().Angle = Upward;
}

void TqorPlotAxisYCommon::Draw() {
  TqorPlotDrawingAxis::Draw();
  if (!Canvas) return;
  const int32_t x0 = ScaleHeight(Bottom + Height());
  Line(x0, ScaleWidth(Start), x0, ScaleWidth(Start + Length));
  const int32_t x1 = x0 - Canvas->Pen().Width;
  LabelFont().AssignToCanvas(*Canvas);
  const int32_t hA = Canvas->TextHeight(SampleText);
  // Turned upward, a text's reference point is its lower-left corner on screen. A
  // label stays along the axis line: below it lie the labels of the horizontal axes.
  int32_t labelNext = std::numeric_limits<int32_t>::min();
  ForEachTick(
      [&](Extended v, int32_t y) {
        const QString text = LabelText(v);
        Line(x1, y, x1 - StepTickHeight, y);
        if (const auto bottom = LabelPosition(v, Canvas->TextWidth(text), Start, Start + Length, labelNext))
          Canvas->TextOut(x1 - StepTickHeight - LabelTickGap - hA, ScaleWidth(*bottom), text);
      },
      [&](int32_t y) { Line(x1, y, x1 - InterTickHeigth, y); });
  if (Name.isEmpty()) return;
  TitleFont().AssignToCanvas(*Canvas);
  const QSize title = Canvas->TextExtent(Name);
  Canvas->TextOut(x1 - hA - StepTickHeight - LabelTickGap - TitelLabelGap - title.height(),
                  ScaleWidth(Start + (Length - title.width()) / 2), Name);
}

// ---- TqorPlot2DAxisList ----

void TqorPlot2DAxisList::setCanvas(TqorCanvas* value) {
  FCanvas = value;
  for (int i = 0; i < Count(); ++i) Items(i)->Canvas = value;
}

int32_t TqorPlot2DAxisList::Height() const {
  int32_t h = 0;
  for (int i = 0; i < Count(); ++i) h += Items(i)->Height();
  return h;
}

int TqorPlot2DAxisList::Add(const TqorPlotDrawingAxisClass& AxisClass, const QString& Name) {
  std::unique_ptr<TqorPlotDrawingAxis> axis = AxisClass.Create();
  axis->Name = Name;
  axis->Canvas = FCanvas;
  axis->ScaleHeight = ScaleHeight;
  axis->ScaleWidth = ScaleWidth;
  return TqorObjectList::Add(std::move(axis));
}

void TqorPlot2DAxisList::CalculateAxis() {
  MarkImprintAxis();
  for (int i = 0; i < Count(); ++i) {
    TqorPlotDrawingAxis* axis = Items(i);
    axis->Start = GraphAreaStart;
    axis->Length = GraphAreaLength;
    axis->CalulateAxis();
  }
}

void TqorPlot2DAxisList::Draw() {
  MarkImprintAxis();
  int32_t b = 0;
  for (int i = 0; i < Count(); ++i) {
    TqorPlotDrawingAxis* axis = Items(i);
    axis->Bottom = b;
    axis->Draw();
    b += axis->Height();
  }
}

void TqorPlot2DAxisList::MarkImprintAxis() {
  for (int i = 0; i < Count(); ++i)
    if (auto* horizontal = dynamic_cast<TqorPlotAxisXCommon*>(Items(i))) horizontal->DrawVASOInfo = (i == 0);
}

// ---- TqorAxisScaling ----

int32_t TqorAxisScaling::Coordinate(Extended Value) const {
  const Extended offset = IsFiniteReal(Value) ? (Value - AxisMin) * ScaleFactor : 0;
  const int32_t along = RoundToInt(std::clamp(offset, -MaxPixelOffset, MaxPixelOffset));
  return First + (Last >= First ? along : -along);
}

Extended TqorAxisScaling::Value(double Coordinate) const {
  if (!Valid()) return 0;
  const Extended position = static_cast<Extended>(Coordinate - First) / (Last - First) * Length;
  return AxisMin + position / ScaleFactor;
}

double TqorAxisScaling::Clamped(double Coordinate) const {
  return std::clamp(Coordinate, static_cast<double>(std::min(First, Last)), static_cast<double>(std::max(First, Last)));
}
