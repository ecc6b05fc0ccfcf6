#pragma once
// The widgets of the root-finding window and their layout, designed at 96 dpi: on top
// the tool bar and the input rows (function, range, node count and the calculate
// button); below, parted by a splitter, the plot image in a scroll area and the root
// info panel with the detail fields of the selected root above the roots grid.
// The view builds and lays out, and ties up only what the layout already says: the
// buttons run the form's actions, the grid and the detail fields show the roots table.
// Everything else the widgets do is the form's business.
// Every widget keeps its component name as object name (txtFct, Button2, sb, DBGrid1,
// ToolButton6, ...): tests and stored settings find the widgets by these names.

#include <QSize>

#include <array>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QTableView;
class QWidget;
class TqorDataSource;
class TqorNumEdit;
class TqorPlotImage;

// The smallest plot the window shows, and with it the smallest the window is resized or
// tiled to. The axes take 56 pixels in each direction for their labels and titles and
// the plot keeps a 10-pixel margin, so at about 66 pixels nothing is left of the graph.
// At this size the graph keeps about 174 x 94 pixels, room for three labelled steps on
// each axis, and the 20-point axis titles still fit beside it.
inline constexpr QSize MinPlotSize(240, 160);

// The actions and menus the view's buttons run, made by the form before its view.
struct TRootFinding2DViewActions {
  QAction* OpenFunction;  // the open button, with RecentFiles as its drop-down
  QMenu* RecentFiles;
  QAction* SaveFunction;  // the save button, with SaveMenu as its drop-down
  QMenu* SaveMenu;
  QAction* EditProperties;
  QAction* CopyGraphic;
  QAction* Calculate;  // a tool button and the calculate button beside the function
  QAction* ZoomBack;   // back to the x-range before the last zoom
  QAction* PrintPreview;
};

// The widgets the form works with, by role; the form owns them through Qt's parents.
struct TRootFinding2DView {
  QLineEdit* FunctionEdit = nullptr;  // txtFct: a simple expression, or a script's name
  // The number fields carry their labels' words as accessible names.
  TqorNumEdit* xMinEdit = nullptr;         // txtXmin
  TqorNumEdit* xMaxEdit = nullptr;         // txtXmax
  TqorNumEdit* NodeCountEdit = nullptr;    // txtNodeCount, kept to MinNodeCount..MaxNodeCount
  QPushButton* CalculateButton = nullptr;  // Button2
  QPushButton* CancelButton = nullptr;     // btnCancel, below Button2, shown while calculating
  QScrollArea* GraphScrollArea = nullptr;  // sb
  TqorPlotImage* GraphImage = nullptr;     // imgGraph, fills the scroll area
  QTableView* RootsGrid = nullptr;         // DBGrid1, rows selected one or several at a time

  // The function, range and node count fields, in tab order.
  std::array<QWidget*, 4> InputFields() const;
  // The range and node count fields.
  std::array<TqorNumEdit*, 3> NumberFields() const { return {xMinEdit, xMaxEdit, NodeCountEdit}; }
};

// Builds the widgets into Form, which has no layout yet, and gives Form its designed
// size; the grid and the detail fields show the table of Roots.
TRootFinding2DView BuildRootFinding2DView(QWidget& Form, const TRootFinding2DViewActions& Actions,
                                          TqorDataSource& Roots);
