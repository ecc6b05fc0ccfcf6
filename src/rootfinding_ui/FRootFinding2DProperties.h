#pragma once
// The properties dialog of a root-finding task: every field of the task, the two error
// bounds and the choice between a simple expression and a full Lua script included.
// The caller sets the task, shows the dialog modally and, after OK, shows the task's
// values again. OK stores every field as it stands (only the node count is kept within
// its limits), unless a number field holds no number, which is shown and keeps it open; Cancel and Esc leave the task
// untouched. Enter presses OK, except in the script field, where it starts a new line. It can be resized, so it keeps
// its place and size between runs like a window, under the form base's default form name.

#include "qorFormBase.h"

#include <QDialog>
#include <QLineEdit>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TKaloPersistRootFinding;
class TqorNumEdit;

class TfrmRootFinding2DProperties : public TqorFormBaseOf<QDialog> {
  Q_OBJECT

public:
  // The dialog on the page "Allgemein", centred on Owner; no task yet.
  explicit TfrmRootFinding2DProperties(QWidget* Owner = nullptr);

  // The task being edited; not owned. Set it before the dialog is shown.
  TKaloPersistRootFinding* RootFinder() const { return FRootFinder; }
  void setRootFinder(TKaloPersistRootFinding* value) { FRootFinder = value; }

  // A simple expression as the full script it stands for, in three CR LF lines:
  // "function fct(x)", "  return (Expression);", "end;".
  static QString FullScriptOf(const QString& Expression);

  QTabWidget* pc = nullptr;
  QWidget* tsCommon = nullptr;
  QLineEdit* txtName = nullptr;
  TqorNumEdit* txtXmin = nullptr;
  TqorNumEdit* txtXmax = nullptr;
  TqorNumEdit* txtNodeCount = nullptr;
  TqorNumEdit* txtAbsError = nullptr;  // scientific notation, ten decimals
  TqorNumEdit* txtRelError = nullptr;
  QCheckBox* chkTouchingRoots = nullptr;
  QCheckBox* chkProveRoots = nullptr;
  // What "Berechnen" looks for, and whether the plot shows f' and f''.
  QCheckBox* chkFindRoots = nullptr;        // "Nullstellen"
  QCheckBox* chkFindExtrema = nullptr;      // "Extrema"
  QCheckBox* chkFindInflection = nullptr;   // "Wendepunkte"
  QCheckBox* chkShowDerivatives = nullptr;  // "Ableitungen zeigen"
  QWidget* tsFunction = nullptr;
  QRadioButton* optSimpleScript = nullptr;
  QLineEdit* txtFct = nullptr;
  QRadioButton* optScript = nullptr;
  QPlainTextEdit* txtScript = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdOK = nullptr;

protected:
  // Every showing fills the fields from the task and starts on "Allgemein".
  void showEvent(QShowEvent* Event) override;
  // Not a fixed dialog: the metrics are kept.
  bool HasDialogBorder() const override { return false; }

private slots:
  // Applies the mode of the checked radio button: its field editable on the normal
  // background, the other read-only on the tooltip colour.
  void optSimpleScriptClick();
  // Stores the fields into the task and ends the dialog with OK; a numeric field that
  // was not edited gives the task's value back bit for bit.
  void cmdOKClick();

private:
  QWidget* CreateCommonPage();
  QWidget* CreateSearchBox();
  QWidget* CreateFunctionPage();
  QWidget* CreateButtonBar();
  void FormShow();
  // Whether every number field holds a number; the first that does not gets the focus
  // and its reason is shown.
  bool FieldsHoldNumbers();

  TKaloPersistRootFinding* FRootFinder = nullptr;
};
