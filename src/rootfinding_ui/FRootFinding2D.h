#pragma once
// The root-finding window: the task's function, range and node count in edit fields,
// the plot of the last calculation, and the roots table with a grid and detail fields
// for the selected root. A new window shows the default task and has calculated it.
// "Berechnen" (F5, the button, Enter in any of the four fields) runs the calculation
// of TKaloRootCalculation; an error it raises is shown by the application's error
// display and the window keeps the results of the last calculation that ran to its end.
// The plot of the last calculation fills the image left of the roots and is drawn anew
// at the image's size whenever it changes size; "Grafik Kopieren" puts that drawing on
// the clipboard, "Grafik Speichern ..." writes it as EMF (also under ".wmf"), SVG, PNG
// or PDF by the chosen name's extension, as kaloroots writes its plot.
// The pointer over the plot shows in the status bar what the plot shows there (the
// calculated values, f is not called): x and f(x), or the root under it, named by the
// number of its row. The grids show every row's number (its ID) beside it, as the
// report prints it, and their numbers in the same form as the detail fields. Dragging a
// rectangle over the plot calculates its x-range; "Zurück" (Backspace) calculates the
// range before again, up to ten ranges back. A click on a root mark selects its row,
// and the mark of the selected row is filled. Ctrl+C in the roots table copies the
// selected rows (all when none is) for a spreadsheet, the reals with every digit.
// "Vorschau" (Ctrl+P) opens the print preview of the last calculation through the hook
// a program with reports registers; it redraws the plot at the report picture's size,
// so "Grafik Kopieren" then copies that drawing until the plot is drawn again. Without
// a hook the action stays disabled.
// Tasks are opened from and saved to task files, the values and the roots of the last
// calculation are exported as text files, and the properties dialog edits the whole
// task. Every save dialog asks before it replaces an existing file. The task files
// opened or saved last are offered in the open button's drop-down and in the context
// menu's "&Öffnen"; the list and the folders last used are kept in the configuration.
// A file that fails to open leaves the window as it was and is taken off that list; a
// file is listed once, however its name is written. Save dialogs start in the
// documents folder.
// The caption is "Nullstelle suchen" with the name of the task file opened or saved
// last and the changed-mark, shown once the user edited the task (typing into a field,
// a change made in the properties). Before an edited task is replaced by opening
// another or closed, the window asks "Änderungen an '...' speichern?": "Speichern"
// saves to the task's file (asking for one when it has none), "Verwerfen" goes on,
// "Abbrechen" keeps the task and the window.
// A calculation that takes longer than half a second shows its progress in the status
// bar; Esc or "Abbrechen" stops it (see KaloCalculationGate.h), which keeps the previous
// results and shows "Berechnung abgebrochen". The time one evaluation of f may take is
// the configuration's Config\EvaluationTimeLimit (seconds), read when the window opens.
// Every window holds its own task and tables; closing a window frees it.
//
// The components carry their names as object names (txtFct, actCalculate, memRoot's
// grid DBGrid1, ...), so that the parts that complete the window find them.

#include "FRootFinding2DView.h"
#include "KaloRangeHistory.h"
#include "KaloRecentLists.h"
#include "KaloRootCalculation.h"
#include "KaloRootPlot.h"
#include "qorDataSetModel.h"
#include "qorFileDialog.h"
#include "qorFormBase.h"
#include "qorMemoryDataset.h"

#include <atomic>
#include <functional>
#include <memory>
#include <span>

class QAction;
class QCloseEvent;
class QKeyEvent;
class QMenu;
class QTimer;
class TqorNumEdit;

// What the print preview of a window reports: the plot and the roots table of its last
// calculation, its extrema table when it searched extrema or inflection points, the
// task as that calculation ran (range and node count as they were calculated, not as
// the fields may show them since), and the window it belongs to.
struct TKaloPrintPreviewRequest {
  TqorPlot2D& Plot;
  TqorMemoryDataset& Roots;
  TqorMemoryDataset* Extrema;
  const TKaloPersistRootFinding& Task;
  QWidget* Owner;
};

// Opens the print preview of Request modally; errors pass to the window, which shows them.
using TKaloPrintPreviewHook = std::function<void(const TKaloPrintPreviewRequest& Request)>;

class TfrmRootFinding2D : public TfrmqorVCLWINFormBase {
  Q_OBJECT

public:
  // The name the window's metrics and recent files are stored under.
  static const QString RootFindingFormName;

  // The print preview of the windows made from now on; an empty hook leaves their
  // "Vorschau" disabled. The program sets it once at start-up.
  static void setPrintPreviewHook(TKaloPrintPreviewHook Hook);
  static const TKaloPrintPreviewHook& PrintPreviewHook();

  // Shows the default task and calculates it; a failing calculation is shown and the
  // window is made all the same. Owner is the Qt parent (none for an MDI child, which
  // the MDI area takes over).
  explicit TfrmRootFinding2D(QWidget* Owner = nullptr);
  ~TfrmRootFinding2D() override;

  // Opens the task file FileName as "Öffnen" does: listed among the recent files, shown
  // and calculated. A file that fails to load leaves the window as it was; its error
  // passes to the caller.
  void OpenFile(const QString& FileName);

  // The task.
  TKaloPersistRootFinding& RootFinder() { return *FRootFinder; }
  // The roots table of the last calculation.
  TqorMemoryDataset& memRoot() { return FmemRoot; }
  // Sample nodes, function values and roots of the last calculation.
  const kaloREALVector& ValueX() const { return FCalculation.ValueX(); }
  const kaloREALVector& ValueY() const { return FCalculation.ValueY(); }
  const kaloREALVector& RootX() const { return FCalculation.RootX(); }
  const kaloREALVector& RootY() const { return FCalculation.RootY(); }
  // The plot of the last calculation; its metafile holds the last drawing.
  TKaloRootPlot& Plot2D() { return FPlot2D; }
  // The task as the last calculation shown ran it.
  const TKaloPersistRootFinding& CalculatedTask() const { return FCalculatedTask; }
  // The task file opened or saved last, "" for a new task.
  const QString& TaskFileName() const { return FTaskFileName; }
  // The ranges "Zurück" returns to.
  const TKaloRangeHistory& RangeHistory() const { return FRangeHistory; }

  // Shows the task in the fields: a simple expression in txtFct, a full script's name
  // (or the script on one line when it has none) on the tooltip colour; range and node
  // count.
  void RefreshFields();
  // The task takes range and node count from the fields, and a simple expression's
  // text from txtFct.
  void TakeFields();

protected:
  // Replaces the plot's graphs by those of the last calculation and draws it; run by
  // the calculation once its results are complete.
  void RebuildPlot();
  // Remembers the task with Input's range and node count as the calculated one.
  void RememberCalculatedTask(const TKaloCalculationInput& Input);
  // Tells in the status bar what the rows alone do not: roots shown in several rows,
  // nodes without a value, an error bound that limits a root, the proof's note.
  void ShowCalculationNotes();
  // Draws the plot at the image's size and shows it.
  void RenderPlot();
  // Enter in one of the four input fields calculates.
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  // An edited task is closed only once the user has saved or discarded it.
  void closeEvent(QCloseEvent* Event) override;

private slots:
  void actPrintPreviewExecute();
  void actCalculateExecute();
  void actCopyGraphicExecute();
  void actSaveGraphicExecute();
  // The image has a new size: the plot is drawn anew at it, with a busy text.
  void pnlGraphResize();
  void FormContextMenu(const QPoint& Pos);
  void actOpenFunctionExecute();
  void actSaveFunctionExecute();
  void actSaveRootsExecute();
  void actSaveValuesExecute();
  void actSaveExtremaExecute();
  void actEditPropertiesExecute();
  // Calculates the range before the last zoom again.
  void actZoomBackExecute();
  // Copies the selected roots, or all, as text with the column titles.
  void actCopyRootsExecute();
  // The pointer moved over the plot: the status bar shows what it is over.
  void imgGraphPointerMoved(QPoint Pos);
  // A click on a root mark selects its row.
  void imgGraphClicked(QPoint Pos);
  // Calculates the x-range between the columns From and To.
  void imgGraphDragged(QPoint From, QPoint To);
  // Before the context menu opens: "&Öffnen" gets the entries of the recent files.
  void mnuPopFormPopup();
  // A recent file's menu entry was clicked: its file is opened.
  void RecentFileClick(const QString& FileName);

private:
  // Names the roots table and its data source and opens the empty table.
  void CreateRootTable();
  // Puts the roots grid into the tab "Nullstellen" and the extrema table's grid
  // (DBGridExtrema) into the tab "Extrema" beside it.
  void CreateExtremaTab();
  struct TActionDef;
  // One row per action: caption, hint, image, shortcut, enabled rule and slot.
  static std::span<const TActionDef> ActionDefs();
  void CreateActions();
  void CreateMenus();
  void CreateDialogs();
  // Shows the recent files in mnuPopFileList and reads them; a storage that fails is
  // shown and leaves the list empty.
  void CreateRecentFiles();
  // Builds the widgets and gives the input fields and the image their behaviour.
  void CreateView();
  // Reads the task from FileName, puts it at the top of the recent files, shows it and
  // calculates. A file that fails to load changes neither the task nor the fields and
  // results, and is taken off the recent files.
  void OpenTaskFile(const QString& FileName);
  // Proposes the task's name, without the characters a file name cannot hold, as the
  // file name of Dialog; a task without a name proposes what Dialog chose last.
  void ProposeTaskFileName(TqorFileDialogRequest& Dialog);
  // Asks through Dialog, starting in the folder remembered for Place (the user's
  // documents folder at first); returns the chosen file, "" when cancelled.
  QString AskFileName(TqorFileDialogRequest& Dialog, TKaloRecentPlace Place);
  // Swallows Enter (no beep, nothing else handles it) after running actCalculate.
  bool txtFctDefKeyPress(QKeyEvent* Event);
  // The fields as the calculation reads them, each shown as it is read; a number field
  // whose text is no number gets the focus and raises EConvertError saying so.
  TKaloCalculationInput CalculationInput();
  // Asks for the graphic's file and writes the plot's drawing to it, of the kind its
  // extension names.
  void SaveGraphic();
  // Shows in the status bar why Field's text is no number, or nothing once it is one.
  void ShowFieldProblem(const TqorNumEdit& Field);
  // The task was saved to or opened from FileName: the caption names it, unedited.
  void setTaskFileName(const QString& FileName);
  // "Nullstelle suchen", the task file's name when there is one, and the changed-mark.
  void UpdateCaption();
  // Typing into txtFct: an expression typed over a full script replaces it.
  void txtFctEdited();
  // The user changed the task: the caption shows the changed-mark.
  void MarkEdited();
  QString TaskTitle() const;
  // Whether the task may be replaced or closed: unedited, or the user saved it or chose
  // to discard the edits; false when the user cancelled.
  bool MayPutTaskAside();
  // Saves the task to FileName and makes it the window's file.
  void SaveTask(const QString& FileName);
  // Shows Text in the status bar as a hint; the empty text takes it away.
  void ShowStatusTip(const QString& Text);
  // Shows Range in the fields and calculates; true when the calculation showed results.
  bool CalculateRange(const TKaloXRange& Range);
  // Fills the mark of the selected row, when it has a root.
  void UpdateHighlight();
  // Enables every action by what the window holds now: runs whenever that changes.
  void UpdateActions();
  // Hands the calculation the cancel flag, the progress report and the configured time budget.
  void SetUpCalculation();
  // Runs the calculation with the gate in front of the events; a cancelled one is no error.
  void CalculateGated(const TKaloCalculationInput& Input);

  std::unique_ptr<TKaloPersistRootFinding> FRootFinder;
  TqorMemoryDataset FmemRoot;
  TqorDataSource dsRoot{FmemRoot};
  // The extrema and inflection points of the last calculation, in a tab beside the roots.
  TqorMemoryDataset FmemExtrema;
  TqorDataSource dsExtrema{FmemExtrema};
  TKaloRootCalculation FCalculation;
  // Set by Esc or "Abbrechen" while a calculation runs.
  std::atomic<bool> FCancelRequested = false;
  TKaloRootPlot FPlot2D;
  TKaloPersistRootFinding FCalculatedTask;
  // The graphic's save dialog; its folder is set each time it opens.
  TqorFileDialogRequest dlgSaveGraphic;
  // The task file and export dialogs; each proposes the file chosen in it last, so
  // that the values are not offered the roots' file to replace, nor the other way.
  TqorFileDialogRequest dlgOpenFunction;
  TqorFileDialogRequest dlgSaveFunction;
  TqorFileDialogRequest dlgSaveValues;
  TqorFileDialogRequest dlgSaveRoots;
  TqorFileDialogRequest dlgSaveExtrema;
  TKaloRangeHistory FRangeHistory;
  QString FTaskFileName;
  // The recent task files and the folders last used.
  TKaloRecentLists FRecentLists{RootFindingFormName};

  // Components, owned by the window through Qt's parent ownership.
  QAction* actPrintPreview = nullptr;
  QAction* actCalculate = nullptr;
  QAction* actCopyGraphic = nullptr;
  QAction* actSaveGraphic = nullptr;
  QAction* actSaveValues = nullptr;
  QAction* actSaveRoots = nullptr;
  QAction* actSaveExtrema = nullptr;
  QAction* actSaveFunction = nullptr;
  QAction* actOpenFunction = nullptr;
  QAction* actEditProperties = nullptr;
  QAction* actZoomBack = nullptr;
  QAction* actCopyRoots = nullptr;
  QMenu* mnuPopSave = nullptr;
  QMenu* mnuPopFileList = nullptr;
  QMenu* mnuPopForm = nullptr;
  QMenu* mnuPopOpenRecentFile = nullptr;
  TRootFinding2DView FView;
  QTimer* tiRender = nullptr;  // draws the image after it changed size
};
