#include "qorKaloToolsProgram.h"

#include "FRootFinding2D.h"
#include "KaloBallProof.h"
#include "KaloPersistentTypes.h"
#include "KaloRootTableText.h"
#include "dCommon.h"
#include "qorAppErrorDisplay.h"
#include "qorAppInit.h"
#include "qorAppSvcProvWin.h"
#include "qorGraphicUtils.h"
#include "qorSaveFile.h"
#include "rptPlot2DPreview.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace {
// Registers the provider and runs the set-up steps; an error is shown and reported.
bool SetUp(QApplication& Application, const QString& BinPath) {
  try {
    (new TqorApplicationServiceProviderWin(&Application))->SetGlobalServiceProvider();
    TqorWinApplicationInit init(BinPath.isEmpty() ? QCoreApplication::applicationDirPath() : BinPath);
    return init.RunSetup();
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
}
}  // namespace

QLocale KaloToolsLanguage() { return QLocale(QLocale::German, QLocale::Germany); }

void SetUpKaloToolsLook() {
  UseMetricCompatibleFonts();
  UseDesignedFormFont();
  // Without Qt's translations its dialogs stay English, which is no reason to stop.
  InstallQtTranslations(KaloToolsLanguage());
}

std::unique_ptr<QWidget> NewRootFinding2DWindow() { return std::make_unique<TfrmRootFinding2D>(); }

std::unique_ptr<QWidget> OpenRootFinding2DWindow(const QString& FileName) {
  // Read once before the window exists, so that a file that cannot be read opens no
  // window with the default task and enters no recent list.
  try {
    TKaloPersistRootFinding probe;
    LoadTaskFile(FileName, probe);
  } catch (const std::exception& e) {
    ShowException(e);
    return nullptr;
  }
  auto window = std::make_unique<TfrmRootFinding2D>();
  RunShowingErrors([&] { window->OpenFile(FileName); });
  return window;
}

QStringList StartupTaskFiles() {
  // Not the provider's parameters: they take a leading "/" for a switch, which here
  // starts every absolute file name.
  QStringList files;
  for (const QString& argument : QCoreApplication::arguments().mid(1))
    if (!argument.startsWith(u'-')) files << QFileInfo(argument).absoluteFilePath();
  return files;
}

void RegisterRootFindingReport() {
  TfrmRootFinding2D::setPrintPreviewHook([](const TKaloPrintPreviewRequest& Request) {
    const TKaloPersistRootFinding& task = Request.Task;
    const TrptPlot2DInput input{task.RootFunction().FunctionScript(),
                                task.xMin(),
                                task.xMax(),
                                task.NodeCount(),
                                task.AbsErrorBound(),
                                task.RelErrorBound(),
                                Request.Extrema,
                                [](const TqorField& Field, int Row) { return RootViewText(Field, Row); }};
    PreviewPlotReport(Request.Plot, Request.Roots, input, Request.Owner);
  });
}

int RunKaloTools(int& argc, char** argv, const QString& BinPath) {
  IgnoreFileSizeSignal();
  UseBallProof();
  TqorApplication application(argc, argv);
  SetUpKaloToolsLook();
  SetApplicationTitle(TfrmFunctionAnalysisMain::Caption);
  // The desktop finds the menu entry, and with it the icon, of the running program by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("qorKaloTools"));
  if (!SetUp(application, BinPath)) return ExitStartupFailed;
  RegisterRootFindingReport();
  TfrmFunctionAnalysisMain mainWindow(&NewRootFinding2DWindow);
  mainWindow.setStartupFiles(StartupTaskFiles(), &OpenRootFinding2DWindow);
  new TdCommon(&application);
  mainWindow.setWindowIcon(dCommon().ActionIcon(ProgramImage));
  mainWindow.show();
  return application.exec();
}
