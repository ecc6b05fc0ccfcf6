#pragma once
// The drawing half of the batch program kaloroots: the plot and the plot report, which
// need Qt Gui with its fonts, graphics and display libraries. The program loads it as a
// module (KaloRootsDrawModule) only for a run that draws, so that every other run
// starts with Qt Core alone; the tests link it directly.

#include <QSize>
#include <QString>

#include <memory>

class QCoreApplication;
class TKaloPersistRootFinding;
class TKaloRootCalculation;
class TqorMemoryDataset;

// The plot of one run and the files drawn from it.
class TKaloRootsDrawing {
public:
  virtual ~TKaloRootsDrawing() = default;
  // Takes the values and roots of a successful calculation into the plot.
  virtual void Update(const TKaloRootCalculation& Calc) = 0;
  // Writes the plot at Size pixels as FileName, of the kind its extension names (.wmf and
  // .emf as an Enhanced Metafile, .svg, .png, .pdf).
  virtual void WritePlot(QSize Size, const QString& FileName) = 0;
  // Writes the plot report of Task with the roots table Roots, and the extrema table
  // Extrema when there is one, as the PDF file FileName; the tables' numbers as the
  // window shows them.
  virtual void WriteReport(const TKaloPersistRootFinding& Task, TqorMemoryDataset& Roots, TqorMemoryDataset* Extrema,
                           const QString& FileName) = 0;
};

// A drawing for one run, with the plot's axes and no graphs. Needs a QGuiApplication.
std::unique_ptr<TKaloRootsDrawing> MakeKaloRootsDrawing();

// What a run that draws starts with; destroyed in reverse order, the drawing first.
struct TKaloRootsDrawingRun {
  std::unique_ptr<QCoreApplication> Application;  // a QGuiApplication
  std::unique_ptr<TKaloRootsDrawing> Drawing;
};

// Starts Qt Gui (offscreen when there is no display) and makes the run's drawing.
// argc and argv must outlive the application.
TKaloRootsDrawingRun StartDrawing(int& argc, char** argv);

// The module: its file beside the program (in an installed prefix, in the program's
// library folder, relative to the program's folder), and its one entry point,
// StartDrawing under a C name that fills Run.
inline constexpr const char* DrawingModuleFileName = "kalorootsdraw.so";
inline constexpr const char* InstalledDrawingModuleFolder = "../lib/qorKaloTools";
inline constexpr const char* DrawingModuleEntry = "qorKaloRootsStartDrawing";
using TDrawingModuleEntry = void (*)(int& argc, char** argv, TKaloRootsDrawingRun& Run);
