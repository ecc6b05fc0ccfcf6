#include "FFunctionAnalysisMain.h"

#include "FApplicationInfo.h"
#include "qorAppActions.h"

#include <QMenu>

#include <utility>

TfrmFunctionAnalysisMain::TfrmFunctionAnalysisMain(TToolWindowFactory NewRootFinding2D, QWidget* Owner)
    : TfrmQORVCLApplicationMainBase(Caption, Owner), FNewRootFinding2D(std::move(NewRootFinding2D)) {
  actRootFinding2D = new QAction(QStringLiteral("Nullstelle 2D-Funktion"), this);
  OnTriggered(*actRootFinding2D, *this, [this] { actRootFinding2DExecute(); });
  mnuFile->insertAction(mnuFileDelim1, actRootFinding2D);
  setStartupDelayEnabled(true);
  setAppInfoFormClass(&NewAppInfoForm<TfrmApplicationInfo>);
}

void TfrmFunctionAnalysisMain::setStartupFiles(const QStringList& Files, TTaskWindowFactory OpenTaskFile) {
  FStartupFiles = Files;
  FOpenTaskFile = std::move(OpenTaskFile);
}

void TfrmFunctionAnalysisMain::StartupAction() {
  TfrmQORVCLApplicationMainBase::StartupAction();
  if (FStartupFiles.isEmpty() || !FOpenTaskFile) {
    actRootFinding2D->trigger();
    return;
  }
  for (const QString& file : std::exchange(FStartupFiles, {}))
    if (std::unique_ptr<QWidget> window = FOpenTaskFile(file)) AddMdiChild(std::move(window));
}

void TfrmFunctionAnalysisMain::actRootFinding2DExecute() { AddMdiChild(FNewRootFinding2D()); }
