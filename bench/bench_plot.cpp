// A graph of 10000 points on a 1920 x 1080 picture: drawn straight with
// QPainter::drawPolyline (the baseline), against recorded into an enhanced metafile
// and played back onto the same kind of image, and against recording alone (writing
// the EMF into memory). Each benchmark's counter "xBare" is its fastest iteration
// divided by the fastest baseline draw, measured once in the same run: on a shared
// machine the fastest run is the one the neighbours disturbed least.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include "KaloRootPlot.h"
#include "qorMetafile.h"

namespace {

constexpr int ImageWidth = 1920;
constexpr int ImageHeight = 1080;
constexpr int PointCount = 10000;
// Full sine waves across the picture, so that the line runs in every direction.
constexpr int Waves = 5;
// Spare pixels between the wave and the picture's edge.
constexpr int Margin = 20;
// Baseline draws timed for the ratio, after one untimed draw.
constexpr int BaselineRepeats = 200;

using TClock = std::chrono::steady_clock;

// The seconds step takes.
template <class F>
double Seconds(F&& step) {
  const auto start = TClock::now();
  step();
  return std::chrono::duration<double>(TClock::now() - start).count();
}

// Fonts and painting need a QGuiApplication; the offscreen platform serves headless.
void EnsureGuiApplication() {
  static int argc = 1;
  static char name[] = "qorbench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
}

const QPolygon& GraphPoints() {
  static const QPolygon points = [] {
    QPolygon result(PointCount);
    const double amplitude = ImageHeight / 2 - Margin;
    for (int i = 0; i < PointCount; ++i) {
      const double t = double(i) / (PointCount - 1);
      result[i] = QPoint(qRound(t * (ImageWidth - 1)),
                         qRound(ImageHeight / 2 + amplitude * std::sin(2 * std::numbers::pi * Waves * t)));
    }
    return result;
  }();
  return points;
}

QImage BlankImage() {
  QImage image(ImageWidth, ImageHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// The graph as the plot draws it: one MoveTo, then a LineTo per point.
void RecordGraph(TqorMetafile& metafile) {
  TqorMetafileCanvas canvas(metafile);
  const QPolygon& points = GraphPoints();
  canvas.MoveTo(points.front().x(), points.front().y());
  for (const QPoint& p : points) canvas.LineTo(p.x(), p.y());
}

TqorMetafile GraphMetafile() {
  TqorMetafile metafile;
  metafile.setWidth(ImageWidth);
  metafile.setHeight(ImageHeight);
  return metafile;
}

double BareSecondsPerDraw() {
  static const double seconds = [] {
    QImage image = BlankImage();
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPolyline(GraphPoints());
    double fastest = Seconds([&] { painter.drawPolyline(GraphPoints()); });
    for (int i = 1; i < BaselineRepeats; ++i)
      fastest = std::min(fastest, Seconds([&] { painter.drawPolyline(GraphPoints()); }));
    return fastest;
  }();
  return seconds;
}

// Runs step in the benchmark loop and reports its time against the baseline.
template <class F>
void MeasureAgainstBare(benchmark::State& state, F&& step) {
  const double bare = BareSecondsPerDraw();
  double fastest = HUGE_VAL;
  for (auto _ : state) fastest = std::min(fastest, Seconds(step));
  state.counters["xBare"] = fastest / bare;
}

void BM_PlotBarePolyline(benchmark::State& state) {
  EnsureGuiApplication();
  QImage image = BlankImage();
  QPainter painter(&image);
  painter.setPen(QPen(Qt::black, 1));
  MeasureAgainstBare(state, [&] { painter.drawPolyline(GraphPoints()); });
}
BENCHMARK(BM_PlotBarePolyline)->Unit(benchmark::kMillisecond);

void BM_PlotRecordAndPlay(benchmark::State& state) {
  EnsureGuiApplication();
  QImage image = BlankImage();
  QPainter painter(&image);
  TqorMetafile metafile = GraphMetafile();
  MeasureAgainstBare(state, [&] {
    RecordGraph(metafile);
    metafile.Play(painter, QRectF(0, 0, ImageWidth, ImageHeight));
  });
}
BENCHMARK(BM_PlotRecordAndPlay)->Unit(benchmark::kMillisecond);

void BM_PlotPlay(benchmark::State& state) {
  EnsureGuiApplication();
  QImage image = BlankImage();
  QPainter painter(&image);
  TqorMetafile metafile = GraphMetafile();
  RecordGraph(metafile);
  MeasureAgainstBare(state, [&] { metafile.Play(painter, QRectF(0, 0, ImageWidth, ImageHeight)); });
}
BENCHMARK(BM_PlotPlay)->Unit(benchmark::kMillisecond);

void BM_PlotRecordEmf(benchmark::State& state) {
  EnsureGuiApplication();
  TqorMetafile metafile = GraphMetafile();
  MeasureAgainstBare(state, [&] {
    RecordGraph(metafile);
    benchmark::DoNotOptimize(metafile.Bytes().constData());
  });
  state.counters["bytes"] = metafile.Bytes().size();
}
BENCHMARK(BM_PlotRecordEmf)->Unit(benchmark::kMillisecond);

// The window's whole plot at the same size: axes, grids, a 10000-point function graph
// and its root marks, recorded and played onto the image, as a resize of the window
// does it.
void BM_RootPlotRenderAndPlay(benchmark::State& state) {
  EnsureGuiApplication();
  kaloREALVector x(PointCount), y(PointCount), rootX, rootY;
  for (int i = 0; i < PointCount; ++i) {
    x[i] = -10 + 20.0L * i / (PointCount - 1);
    y[i] = std::sin(static_cast<double>(x[i]));
  }
  for (int k = -3; k <= 3; ++k) {
    rootX.push_back(k * std::numbers::pi_v<long double>);
    rootY.push_back(0);
  }
  TKaloRootPlot plot;
  plot.Update(x, y, rootX, rootY);
  QImage image = BlankImage();
  QPainter painter(&image);
  MeasureAgainstBare(
      state, [&] { plot.Render(QSize(ImageWidth, ImageHeight)).Play(painter, QRectF(0, 0, ImageWidth, ImageHeight)); });
}
BENCHMARK(BM_RootPlotRenderAndPlay)->Unit(benchmark::kMillisecond);

}  // namespace
