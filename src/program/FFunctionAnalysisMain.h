#pragma once
// The main window of this program: the MDI frame with its one tool, the root-finding
// window ("Nullstelle 2D-Funktion"), which opens once by itself shortly after start.

#include "qorAppMainBase.h"

#include <functional>
#include <memory>

// Makes a new tool window, owned by the caller until it is handed to the MDI area.
using TToolWindowFactory = std::function<std::unique_ptr<QWidget>()>;

class TfrmFunctionAnalysisMain : public TfrmQORVCLApplicationMainBase {
  Q_OBJECT

public:
  // The caption; the company name is added on showing when there is one.
  static inline const QString Caption = QStringLiteral("VASO Numerik Werkzeuge");

  // A main window whose root-finding windows come from NewRootFinding2D.
  explicit TfrmFunctionAnalysisMain(TToolWindowFactory NewRootFinding2D, QWidget* Owner = nullptr);

  // "Nullstelle 2D-Funktion": opens another root-finding window.
  QAction* actRootFinding2D = nullptr;

protected:
  // Opens the first root-finding window.
  void StartupAction() override;

private:
  void actRootFinding2DExecute();

  TToolWindowFactory FNewRootFinding2D;
};
