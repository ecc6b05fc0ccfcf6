#include "FFunctionAnalysisMain.h"

#include "FApplicationInfo.h"
#include "qorAppActions.h"

#include <QMenu>

TfrmFunctionAnalysisMain::TfrmFunctionAnalysisMain(TToolWindowFactory NewRootFinding2D, QWidget* Owner)
    : TfrmQORVCLApplicationMainBase(Caption, Owner), FNewRootFinding2D(std::move(NewRootFinding2D)) {
  actRootFinding2D = new QAction(QStringLiteral("Nullstelle 2D-Funktion"), this);
  OnTriggered(*actRootFinding2D, *this, [this] { actRootFinding2DExecute(); });
  mnuFile->insertAction(mnuFileDelim1, actRootFinding2D);
  setStartupDelayEnabled(true);
  setAppInfoFormClass(&NewAppInfoForm<TfrmApplicationInfo>);
}

void TfrmFunctionAnalysisMain::StartupAction() {
  TfrmQORVCLApplicationMainBase::StartupAction();
  actRootFinding2D->trigger();
}

void TfrmFunctionAnalysisMain::actRootFinding2DExecute() { AddMdiChild(FNewRootFinding2D()); }
