#include "KaloRootsDrawing.h"

#include "KaloPersistentTypes.h"
#include "KaloRootPlot.h"
#include "KaloRootTableText.h"
#include "qorGraphicUtils.h"
#include "qorMetafile.h"
#include "qorProgramFolders.h"
#include "rptPlot2D.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <unistd.h>

namespace {

// The task as the plot report prints it, with the tables' numbers as the window shows them.
TrptPlot2DInput ReportInput(const TKaloPersistRootFinding& Task, TqorMemoryDataset* Extrema) {
  return {Task.RootFunction().FunctionScript(),
          Task.xMin(),
          Task.xMax(),
          Task.NodeCount(),
          Task.AbsErrorBound(),
          Task.RelErrorBound(),
          Extrema,
          [](const TqorField& Field, int Row) { return RootViewText(Field, Row); }};
}

class TPlotDrawing : public TKaloRootsDrawing {
public:
  void Update(const TKaloRootCalculation& Calc) override { FPlot.Update(Calc); }
  void WritePlot(QSize Size, const QString& FileName) override { FPlot.Render(Size).ExportToFile(FileName); }
  void WriteReport(const TKaloPersistRootFinding& Task, TqorMemoryDataset& Roots, TqorMemoryDataset* Extrema,
                   const QString& FileName) override {
    // An installed program's template reaches the user's report folder on first use,
    // as the window program's start-up puts it there.
    const TqorProgramFolders folders = RunningProgramFolders();
    ProvideReportTemplates(folders);
    RenderPlotReportToPdf(FPlot.Plot2D(), Roots, ReportInput(Task, Extrema), FileName, folders.RptPath);
  }

private:
  TKaloRootPlot FPlot;
};

// The plot measures its text through Qt's font system, which needs a platform; without
// a display the batch program draws offscreen, so it runs on machines without one.
void UseOffscreenWithoutDisplay() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Without a session (cron, ssh, CI) there is no runtime folder; Qt then falls back to
// a private one under the temporary folder but says so on standard error, where the
// batch program's callers expect only its own messages. Make that folder ourselves.
void ProvideRuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const QString folder = QDir::tempPath() + QStringLiteral("/runtime-kaloroots-%1").arg(getuid());
  if (!QDir().mkpath(folder)) return;
  // Someone else's folder (or a link) under that name is not ours to use.
  const QFileInfo info(folder);
  if (info.isSymLink() || info.ownerId() != getuid()) return;
  QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

}  // namespace

// The plot draws in the same faces as the window, whatever the font configuration.
std::unique_ptr<TKaloRootsDrawing> MakeKaloRootsDrawing() {
  UseMetricCompatibleFonts();
  return std::make_unique<TPlotDrawing>();
}

TKaloRootsDrawingRun StartDrawing(int& argc, char** argv) {
  UseOffscreenWithoutDisplay();
  ProvideRuntimeFolder();
  TKaloRootsDrawingRun run;
  run.Application = std::make_unique<QGuiApplication>(argc, argv);
  run.Drawing = MakeKaloRootsDrawing();
  return run;
}
