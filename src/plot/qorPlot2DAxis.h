#pragma once
// Drawing axes: an axis band with its line, step and intermediate ticks, labels and
// title, measured and drawn on a canvas; and the lists that stack several axes of one
// direction from the picture's edge toward the graph area.

#include "qorCanvas.h"
#include "qorList.h"
#include "qorPlotCommon.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Maps a pixel value of an axis (a distance from the plot edge across the axis, or a
// position along it) to a canvas coordinate.
using TqorPlotScalePosFunction = std::function<int32_t(int32_t iValue)>;

// The mapping of a new axis or axis list until the plot binds its own: unchanged.
inline const TqorPlotScalePosFunction IdentityScale = [](int32_t iValue) { return iValue; };

// The maker's imprint under the first horizontal axis: name left, web address right.
extern const char* const PlotImprintName;     // "Ingenieurbüro Nordmark"
extern const char* const PlotImprintAddress;  // "www.nordmark-ingenieure.example"

// The scaling an axis had when it last drew, kept apart from the axis so that the
// pixels of that drawing can still be read after the axis scaled itself for another.
// The canvas mapping of a position along the axis is affine (a shift or a mirror).
struct TqorAxisScaling {
  Extended AxisMin = 0;      // value at the axis start
  Extended ScaleFactor = 0;  // pixels per value unit
  int32_t Start = 0;         // first pixel along the axis, before the canvas mapping
  int32_t Length = 0;        // length in pixels; 0: the axis was never scaled
  int32_t First = 0;         // canvas coordinate of Start
  int32_t Last = 0;          // canvas coordinate of Start + Length

  // Whether the axis was scaled, so that the other members mean something.
  bool Valid() const { return Length > 0 && ScaleFactor != 0; }
  // Canvas coordinate of Value, as the axis drew it (Scale).
  int32_t Coordinate(Extended Value) const;
  // The value at canvas coordinate Coordinate (between pixels too); 0 when not valid.
  Extended Value(double Coordinate) const;
  // Canvas coordinate Coordinate moved onto the axis, between First and Last.
  double Clamped(double Coordinate) const;
};

// An axis that scales its range to its pixel length and draws itself. The base draws
// nothing but selects its pen; TqorPlotAxisXCommon and TqorPlotAxisYCommon draw.
class TqorPlotDrawingAxis : public TqorPlotAxisDefinition {
public:
  // The label font is the default font, the title font 2.5 times its size.
  TqorPlotDrawingAxis();

  TqorCanvas* Canvas = nullptr;  // where the axis draws and measures; not owned
  QString LabelFormat;           // tick label format ("%1.2f"), set by scaling
  int32_t Width = 0;             // not used by the drawing
  int32_t Bottom = 0;            // distance of the band from its plot edge, pixels
  // The spelling is this setting's established name, used across the plot code; kept on purpose.
  int32_t InterTickHeigth = 3;  // length of intermediate ticks
  int32_t StepTickHeight = 6;   // length of step ticks
  int32_t MaxLabelWidth = 0;    // widest label of the last measurement, pixels
  // The spelling is this setting's established name, used across the plot code; kept on purpose.
  int32_t TitelLabelGap = 2;                             // gap between labels and title
  int32_t LabelTickGap = 2;                              // gap between tick ends and labels
  int32_t BorderGap = 2;                                 // spare space at the outer edge of the band
  TqorPlotScalePosFunction ScaleHeight = IdentityScale;  // distance across -> coordinate
  TqorPlotScalePosFunction ScaleWidth = IdentityScale;   // position along -> coordinate
  Extended AxisMin = 0;                                  // rounded lower limit
  Extended AxisMax = 0;                                  // rounded upper limit
  Extended ScaleFactor = 0;                              // pixels per value unit
  Extended StepWidth = 0;                                // distance between labelled steps
  Extended InterTickWidth = 0;                           // distance between intermediate ticks
  int32_t Start = 0;                                     // first pixel along the axis
  int32_t Length = 0;                                    // length of the axis in pixels
  int32_t StepCount = 0;                                 // steps between AxisMin and AxisMax
  int32_t InterTickCount = 0;                            // parts per step; 0: no intermediate ticks

  // Title font (20 points by default).
  TqorFont& TitleFont() { return FTitleFont; }
  // Tick label font (8 points by default).
  TqorFont& LabelFont() { return FLabelFont; }
  // Step values AxisMin + i * StepWidth, i < StepCount; AxisMax is not among them.
  const TqorFloatList& Steps() const { return FSteps; }
  // Pen of the axis line and ticks: black, solid, 1 pixel.
  TqorPen& Pen() { return FPen; }

  // Thickness of the band in pixels: BandHeight, and what a kind of axis adds to it.
  // Selects the fonts it measures on Canvas.
  virtual int32_t Height();
  // With a finite range and a positive Length, scales the axis (limits, steps, label
  // format, scale factor, intermediate ticks) and answers true; otherwise answers
  // false and keeps the previous scaling.
  bool CalulateAxis() override;
  // Selects the axis pen on Canvas; the horizontal and vertical axes then draw.
  virtual void Draw();
  // Canvas coordinate of dValue along the axis; a value that is not finite lies at
  // Start.
  virtual int32_t Scale(Extended dValue) const;
  // The scaling of the last CalulateAxis, with the canvas coordinates of the axis ends.
  TqorAxisScaling Scaling() const;

protected:
  // Label height, the longer tick, the two gaps and, with a title, title height and
  // its gap.
  int32_t BandHeight();
  // Pixel position of dValue along the axis before ScaleWidth maps it.
  int32_t Position(Extended dValue) const;
  // Where along the axis (before ScaleWidth) the label of step v, width pixels long,
  // begins: centred on v, moved just enough to lie within low .. high (at low when it
  // is longer). Labels are placed in step order; next is where the next label may begin
  // at the earliest, and becomes where this one ends plus LabelGap. None when the label
  // would begin before next: it is left out.
  std::optional<int32_t> LabelPosition(Extended v, int32_t width, int32_t low, int32_t high, int32_t& next) const;
  // The least space between two labels along the axis, the width of a digit in the
  // label font; the font must be selected on Canvas.
  int32_t LabelGap() const;
  // Height of text in font, which stays selected on Canvas (0 without a canvas).
  int32_t FontTextHeight(const TqorFont& font, const QString& text);
  // The label of step value v; a rest of the step arithmetic at zero is zero.
  QString LabelText(Extended v) const;
  // Draws a line on Canvas.
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Calls step(v, Scale(v)) for every step value v, each followed by interTick(Scale(v
  // + k * InterTickWidth)) for k = 1 .. InterTickCount; the last step's intermediate
  // ticks reach AxisMax.
  void ForEachTick(const std::function<void(Extended v, int32_t pos)>& step,
                   const std::function<void(int32_t pos)>& interTick) const;

private:
  // Step calculation: limits for a wanted count, repeated with the count that the
  // widest label allows (RoundForLabels) until the count repeats; then steps and ticks.
  void CalculateSteps();
  // Rounds the value range for the wanted StepCount into limits, step and count.
  void RoundToStepCount();
  // The step count for which labels 1.5 times the widest label fit the length.
  int32_t WantedStepCount() const;
  // Rounds the range for the most steps, up to WantedStepCount, whose labels keep
  // 1.5 times the widest label apart; one step when none do.
  void RoundForLabels();
  // Sets LabelFormat and returns the widest label: AxisLabelFormat, or the exponent
  // form when those labels leave room for fewer than two labels along the axis and the
  // exponent form is narrower.
  int32_t MeasureLabelWidth();
  // The widest label in LabelFormat from ValueMin on, step by step.
  int32_t WidestLabel();
  // Fills Steps with AxisMin + i * StepWidth.
  void FillSteps();

  TqorFont FTitleFont;
  TqorFont FLabelFont;
  TqorFloatList FSteps;
  TqorPen FPen;
};

// A class reference of drawing axes: the list creates axes through it.
using TqorPlotDrawingAxisClass = TqorClassRef<TqorPlotDrawingAxis>;

// A horizontal axis: line on top of its band, labels below, each moved left of the
// axis end when it would reach beyond, then the title; when DrawVASOInfo, the imprint
// in a row of its own below them: name under the axis start, address ending at the
// axis end, and in two rows when they do not fit side by side.
class TqorPlotAxisXCommon : public TqorPlotDrawingAxis {
public:
  bool DrawVASOInfo = true;  // draw the maker imprint under the axis

  // The band with the imprint's rows and their gap.
  int32_t Height() override;
  void Draw() override;

private:
  // The imprint's font: the label font at 3/4 of its size.
  TqorFont ImprintFont();
  // Rows the imprint takes at the axis length: 0 without imprint or canvas, else 1 or
  // 2. Selects the imprint font.
  int32_t ImprintRows();
  // The imprint from row y down.
  void DrawImprint(int32_t y);
};

// A vertical axis: line on the right of its band, labels and title to its left,
// written from bottom to top; a label is moved along the axis when it would reach
// below the axis start, where the horizontal axes' labels are, or above its end.
class TqorPlotAxisYCommon : public TqorPlotDrawingAxis {
public:
  // Turns both fonts by 90 degrees.
  TqorPlotAxisYCommon();

  void Draw() override;
};

// Axes of one direction, stacked from the plot edge: axis 0 at the edge, the last one
// next to the graph area. Owns its axes.
class TqorPlot2DAxisList : public TqorTypedObjectList<TqorPlotDrawingAxis> {
public:
  TqorPlotScalePosFunction ScaleHeight = IdentityScale;  // handed to every axis added
  TqorPlotScalePosFunction ScaleWidth = IdentityScale;   // handed to every axis added
  int32_t GraphAreaStart = 0;                            // first pixel of the graph area along the axes
  int32_t GraphAreaLength = 0;                           // its length

  TqorCanvas* Canvas() const { return FCanvas; }
  // Sets the canvas of the list and of every axis in it.
  void setCanvas(TqorCanvas* value);
  // Sum of the Height of the axes.
  int32_t Height() const;

  // Creates an axis of AxisClass named Name with the list's canvas and callbacks,
  // appends it and returns its index.
  int Add(const TqorPlotDrawingAxisClass& AxisClass, const QString& Name);
  // Gives every axis the graph area as Start and Length and scales it; only axis 0 of
  // a horizontal list carries the imprint, so that Height counts its rows.
  void CalculateAxis();
  // Stacks and draws the axes; only axis 0 of a horizontal list draws the imprint.
  void Draw();

private:
  // Sets DrawVASOInfo of the horizontal axes: axis 0 only.
  void MarkImprintAxis();

  TqorCanvas* FCanvas = nullptr;
};

// Horizontal axes of a plot.
class TqorPlot2DAxisXList : public TqorPlot2DAxisList {};
// Vertical axes of a plot.
class TqorPlot2DAxisYList : public TqorPlot2DAxisList {};
