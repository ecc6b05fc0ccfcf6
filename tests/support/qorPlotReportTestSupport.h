#pragma once
// The plot report's test set-up: a sine plot with its axes, three roots of the kinds a
// calculation gives, the calculation's input, and a report folder in a temporary
// program folder that receives the shipped template on request. Numbers print in
// German, as the user sees them.

#include "qorPlot2D.h"
#include "qorReportTestSupport.h"
#include "rptPlot2D.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSize>
#include <QTemporaryDir>

#include <cmath>

// The template that ships with the program (the test area defines where it lies).
inline const QString ShippedTemplate = QStringLiteral(QOR_SHIPPED_TEMPLATES "/kaloPlot2D.fr3");
// The picture object of the shipped template.
inline const QSize ShippedPictureSize(672, 400);

class TPlotReportTest : public ::testing::Test {
protected:
  QTemporaryDir install;  // the program folder
  TqorPlot2D plot;
  TqorMemoryDataset roots;
  TrptPlot2DInput input{"sin(x)", -3.5L, 2.5L, 200, 1e-10L, 0, nullptr, {}};
  QLocale savedLocale;

  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QDir().mkpath(ReportFolder());
    plot.AddAxisX("x-Achse");
    plot.AddAxisY("y-Achse");
    kaloREALVector x, y;
    for (int i = 0; i <= 60; ++i) {
      x.push_back(-3.5L + i * 0.1L);
      y.push_back(std::sin(x.back()));
    }
    plot.AddGraph(x, y, plot.AxisX().Items(0), plot.AxisY().Items(0));
    FillRootTable(roots, {
                             {0, -3.2, -3.1, "Zeroin()", true, -3.14159265358979, 1.2e-16, 6, ""},
                             {34, 0, 0.1, "Untere Intervallgrenze ist Nullstelle", true, 0.0, 0.0, 0, ""},
                             {40, 0.6, 0.7, "Sekantenverfahren", false, QVariant(), QVariant(), QVariant(),
                              "Keine Nullstelle gefunden"},
                         });
  }
  void TearDown() override { QLocale::setDefault(savedLocale); }

  // Config/Report of the program folder, as the program's folders are laid out.
  QString ReportFolder() const { return install.filePath("Config/Report"); }
  QString TemplatePath() const { return ReportFolder() + "/kaloPlot2D.fr3"; }
  void InstallTemplate() const { ASSERT_TRUE(QFile::copy(ShippedTemplate, TemplatePath())); }
};
