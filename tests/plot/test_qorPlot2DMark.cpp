#include "PlotTestCanvas.h"
#include "qorPlot2DMark.h"

#include <gtest/gtest.h>

TEST(PlotMark, TheBaseMarkSelectsPenAndBrushOnly) {
  TPlotTestCanvas canvas;
  TqorPlotMark mark;
  mark.Canvas = &canvas;
  mark.Pen().Color = Qt::blue;
  mark.Draw(10, 20);
  EXPECT_TRUE(canvas.Calls.empty());
  EXPECT_EQ(canvas.Pen().Color, QColor(Qt::blue));
  EXPECT_EQ(canvas.Brush().Style, TqorBrushStyle::bsClear);
}

TEST(PlotMarkCircle, AHollowBlackCircleOfRadius4) {
  TPlotTestCanvas canvas;
  TqorPlotMarkCircle mark;
  mark.Canvas = &canvas;
  EXPECT_EQ(mark.Radius, 4);
  mark.Draw(10, 20);
  ASSERT_EQ(canvas.Calls.size(), 1u);
  const auto& ellipse = canvas.Calls[0];
  EXPECT_EQ(ellipse.Kind, TPlotTestCanvas::ckEllipse);
  EXPECT_EQ(ellipse.Points, (std::vector<QPoint>{{6, 16}, {14, 24}}));
  EXPECT_EQ(ellipse.Pen, TqorPen{});
  EXPECT_EQ(ellipse.Brush.Style, TqorBrushStyle::bsClear);
  mark.Radius = 7;
  mark.Draw(0, 0);
  EXPECT_EQ(canvas.Calls[1].Points, (std::vector<QPoint>{{-7, -7}, {7, 7}}));
}

// A proved root's hollow square, and an undecided region's grey band without outline.
TEST(PlotMarkSquareAndBand, RectanglesAroundThePoint) {
  TPlotTestCanvas canvas;
  TqorPlotMarkSquare square;
  TqorPlotMarkBand band;
  square.Canvas = band.Canvas = &canvas;
  square.Draw(10, 20);
  band.Draw(10, 20);
  ASSERT_EQ(canvas.Calls.size(), 2u);
  EXPECT_EQ(canvas.Calls[0].Kind, TPlotTestCanvas::ckRectangle);
  EXPECT_EQ(canvas.Calls[0].Points, (std::vector<QPoint>{{5, 15}, {15, 25}}));
  EXPECT_EQ(canvas.Calls[0].Brush.Style, TqorBrushStyle::bsClear);
  EXPECT_EQ(canvas.Calls[1].Kind, TPlotTestCanvas::ckRectangle);
  EXPECT_EQ(canvas.Calls[1].Points, (std::vector<QPoint>{{7, -4}, {13, 44}}));
  EXPECT_EQ(canvas.Calls[1].Brush, (TqorBrush{Qt::lightGray, TqorBrushStyle::bsSolid}));
  EXPECT_EQ(canvas.Calls[1].Pen.Style, TqorPenStyle::psClear);
}
