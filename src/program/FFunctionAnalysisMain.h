#pragma once
// The main window of this program: the MDI frame with its one tool, the root-finding
// window ("Nullstelle 2D-Funktion"), which opens once by itself shortly after start.

#include "qorAppMainBase.h"

#include <QStringList>

#include <functional>
#include <memory>

// Makes a new tool window, owned by the caller until it is handed to the MDI area.
using TToolWindowFactory = std::function<std::unique_ptr<QWidget>()>;
// Makes a tool window showing the task file FileName, or none when the file cannot be
// opened (the factory shows why).
using TTaskWindowFactory = std::function<std::unique_ptr<QWidget>(const QString& FileName)>;

class TfrmFunctionAnalysisMain : public TfrmQORVCLApplicationMainBase {
  Q_OBJECT

public:
  // The caption; the company name is added on showing when there is one.
  static inline const QString Caption = QStringLiteral("VASO Numerik Werkzeuge");

  // A main window whose root-finding windows come from NewRootFinding2D.
  explicit TfrmFunctionAnalysisMain(TToolWindowFactory NewRootFinding2D, QWidget* Owner = nullptr);

  // "Nullstelle 2D-Funktion": opens another root-finding window.
  QAction* actRootFinding2D = nullptr;

  // The task files the next start-up opens, each in a window of its own made by
  // OpenTaskFile, instead of the first root-finding window; a file without a window
  // leaves the others open.
  void setStartupFiles(const QStringList& Files, TTaskWindowFactory OpenTaskFile);

protected:
  // Opens the start-up files once, or else the first root-finding window.
  void StartupAction() override;

private:
  void actRootFinding2DExecute();

  TToolWindowFactory FNewRootFinding2D;
  QStringList FStartupFiles;
  TTaskWindowFactory FOpenTaskFile;
};
