#include "FRootFinding2DView.h"

#include "KaloFunctionMessages.h"
#include "KaloRootCalculation.h"
#include "dCommon.h"
#include "qorDataSetModel.h"
#include "qorNumEdit.h"
#include "qorPlotImage.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The window's layout in pixels, as designed at 96 dpi.
constexpr int ClientWidth = 779;
constexpr int ClientHeight = 481;
constexpr int TopPanelHeight = 87;
constexpr int ToolBarHeight = 29;
constexpr int NumEditWidth = 85;
constexpr int RootInfoWidth = 336;
constexpr int RootDetailsHeight = 163;
constexpr int PanelMargin = 4;
constexpr int DetailRowSpacing = 2;

QLabel* BuddyLabel(const char* Text, QWidget* Buddy) {
  auto* label = new QLabel(QString::fromUtf8(Text));
  label->setBuddy(Buddy);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

// A number field; Title names it in messages about its text.
TqorNumEdit* NumEdit(const char* Name, const char* Title) {
  auto* edit = new TqorNumEdit;
  edit->setObjectName(QString::fromLatin1(Name));
  edit->setAccessibleName(QString::fromUtf8(Title));
  edit->setFixedWidth(NumEditWidth);
  return edit;
}

QLineEdit* DetailEdit(const char* Name) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QString::fromLatin1(Name));
  return edit;
}

// Builds the view part by part, from the top panel down to the roots grid.
class TViewBuilder {
public:
  TViewBuilder(const TRootFinding2DViewActions& Actions, TqorDataSource& Roots) : FActions(Actions), FRoots(Roots) {}

  TRootFinding2DView Build(QWidget& Form);

private:
  QWidget* TopPanel();
  QToolBar* ToolBar();
  QWidget* InputRows();
  QWidget* GraphPanel();
  QWidget* RootInfoPanel();
  QWidget* RootDetails();

  const TRootFinding2DViewActions& FActions;
  TqorDataSource& FRoots;
  TRootFinding2DView FView;
};

TRootFinding2DView TViewBuilder::Build(QWidget& Form) {
  auto* layout = new QVBoxLayout(&Form);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TopPanel());
  layout->addWidget(GraphPanel(), 1);
  QWidget* previous = nullptr;
  for (QWidget* field : FView.InputFields()) {
    if (previous) QWidget::setTabOrder(previous, field);
    previous = field;
  }
  QWidget::setTabOrder(previous, FView.CalculateButton);
  Form.resize(ClientWidth, ClientHeight);
  return FView;
}

QWidget* TViewBuilder::TopPanel() {
  auto* panTop = new QWidget;
  panTop->setObjectName(QStringLiteral("panTop"));
  panTop->setFixedHeight(TopPanelHeight);
  auto* layout = new QVBoxLayout(panTop);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar());
  auto* edge = new QFrame;
  edge->setFrameShape(QFrame::HLine);
  edge->setFrameShadow(QFrame::Sunken);
  layout->addWidget(edge);
  layout->addWidget(InputRows(), 1);
  return panTop;
}

// The tool buttons take no focus, so that the keyboard stays in the input fields.
QToolBar* TViewBuilder::ToolBar() {
  auto* tb = new QToolBar;
  tb->setObjectName(QStringLiteral("tb"));
  tb->setFixedHeight(ToolBarHeight);
  tb->setIconSize(QSize(TdCommon::ImageSize, TdCommon::ImageSize));
  tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const struct {
    const char* Name;
    QAction* Action;
    QMenu* Menu;  // the drop-down beside the button, or none
    bool AfterSeparator;
  } buttons[] = {
      {"ToolButton6", FActions.OpenFunction, FActions.RecentFiles, false},
      {"ToolButton5", FActions.SaveFunction, FActions.SaveMenu, false},
      {"ToolButton7", FActions.EditProperties, nullptr, false},
      {"ToolButton4", FActions.CopyGraphic, nullptr, false},
      {"ToolButton1", FActions.Calculate, nullptr, false},
      {"ToolButton8", FActions.ZoomBack, nullptr, false},
      {"ToolButton2", FActions.PrintPreview, nullptr, true},
  };
  for (const auto& def : buttons) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(def.Name));
    button->setDefaultAction(def.Action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (def.Menu) {
      button->setMenu(def.Menu);
      button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    if (def.AfterSeparator) tb->addSeparator();
    tb->addWidget(button);
  }
  return tb;
}

QWidget* TViewBuilder::InputRows() {
  FView.FunctionEdit = new QLineEdit;
  FView.FunctionEdit->setObjectName(QStringLiteral("txtFct"));
  // What the field takes, for those who meet it first.
  FView.FunctionEdit->setPlaceholderText(QStringLiteral("z. B. sin(x) - 0.5*x"));
  QStringList names = AllowedFunctionNames();
  names.removeAll(QStringLiteral("sin"));
  names.removeAll(QStringLiteral("cos"));
  FView.FunctionEdit->setToolTip(QStringLiteral("z. B. sin(x) - 0.5*x; Dezimalpunkt, Funktionen: sin, cos, ") +
                                 names.join(QStringLiteral(", ")));
  FView.xMinEdit = NumEdit("txtXmin", "x-Werte von");
  FView.xMaxEdit = NumEdit("txtXmax", "x-Werte bis");
  FView.NodeCountEdit = NumEdit("txtNodeCount", "Stützstellen");
  FView.NodeCountEdit->setDecimals(0);
  FView.NodeCountEdit->setLimits(MinNodeCount, MaxNodeCount);
  QAction* calculate = FActions.Calculate;
  FView.CalculateButton = new QPushButton(calculate->text());
  FView.CalculateButton->setObjectName(QStringLiteral("Button2"));
  FView.CalculateButton->setToolTip(calculate->toolTip());
  QObject::connect(FView.CalculateButton, &QPushButton::clicked, calculate, &QAction::trigger);
  // Shown only while a calculation runs; its room is kept, so that nothing moves then.
  FView.CancelButton = new QPushButton(QStringLiteral("Abbrechen"));
  FView.CancelButton->setObjectName(QStringLiteral("btnCancel"));
  FView.CancelButton->setToolTip(QStringLiteral("Berechnung abbrechen (Esc)"));
  QSizePolicy cancelPolicy = FView.CancelButton->sizePolicy();
  cancelPolicy.setRetainSizeWhenHidden(true);
  FView.CancelButton->setSizePolicy(cancelPolicy);
  FView.CancelButton->hide();

  auto* rows = new QWidget;
  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
  grid->addWidget(BuddyLabel("&Funktion: f(x) = ", FView.FunctionEdit), 0, 0);
  grid->addWidget(FView.FunctionEdit, 0, 1, 1, 6);
  grid->addWidget(FView.CalculateButton, 0, 7);
  grid->addWidget(BuddyLabel("x-Werte &von:", FView.xMinEdit), 1, 0);
  grid->addWidget(FView.xMinEdit, 1, 1);
  grid->addWidget(BuddyLabel("x-Werte &bis:", FView.xMaxEdit), 1, 2);
  grid->addWidget(FView.xMaxEdit, 1, 3);
  grid->addWidget(BuddyLabel("&Stützstellen:", FView.NodeCountEdit), 1, 4);
  grid->addWidget(FView.NodeCountEdit, 1, 5);
  grid->addWidget(FView.CancelButton, 1, 7);
  grid->setColumnStretch(6, 1);
  return rows;
}

QWidget* TViewBuilder::GraphPanel() {
  auto* pnlGraph = new QWidget;
  pnlGraph->setObjectName(QStringLiteral("pnlGraph"));
  FView.GraphImage = new TqorPlotImage;
  FView.GraphImage->setObjectName(QStringLiteral("imgGraph"));
  FView.GraphScrollArea = new QScrollArea;
  FView.GraphScrollArea->setObjectName(QStringLiteral("sb"));
  FView.GraphScrollArea->setWidgetResizable(true);
  FView.GraphScrollArea->setWidget(FView.GraphImage);
  // The scroll area keeps room for the smallest plot; the plot itself never goes below
  // it, should anything squeeze the area further.
  FView.GraphImage->setMinimumSize(MinPlotSize);
  const int frame = 2 * FView.GraphScrollArea->frameWidth();
  FView.GraphScrollArea->setMinimumSize(MinPlotSize + QSize(frame, frame));

  auto* spRootInfoWidth = new QSplitter(Qt::Horizontal);
  spRootInfoWidth->setObjectName(QStringLiteral("spRootInfoWidth"));
  spRootInfoWidth->setChildrenCollapsible(false);
  spRootInfoWidth->addWidget(FView.GraphScrollArea);
  spRootInfoWidth->addWidget(RootInfoPanel());
  spRootInfoWidth->setStretchFactor(0, 1);
  spRootInfoWidth->setStretchFactor(1, 0);
  spRootInfoWidth->setSizes({ClientWidth - RootInfoWidth, RootInfoWidth});

  auto* layout = new QHBoxLayout(pnlGraph);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(spRootInfoWidth);
  return pnlGraph;
}

QWidget* TViewBuilder::RootInfoPanel() {
  auto* pnlRootInfo = new QWidget;
  pnlRootInfo->setObjectName(QStringLiteral("pnlRootInfo"));
  QTableView* grid = FView.RootsGrid = new QTableView;
  grid->setObjectName(QStringLiteral("DBGrid1"));
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + PanelMargin);
  FRoots.AttachGrid(grid);
  // Several roots can be selected for copying; the current row stays the one shown.
  grid->setSelectionMode(QAbstractItemView::ExtendedSelection);

  auto* layout = new QVBoxLayout(pnlRootInfo);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(RootDetails());
  layout->addWidget(grid, 1);
  return pnlRootInfo;
}

// The detail fields of the selected root, all read-only and bound to the roots table.
QWidget* TViewBuilder::RootDetails() {
  auto* panel = new QWidget;
  panel->setFixedHeight(RootDetailsHeight);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
  grid->setVerticalSpacing(DetailRowSpacing);
  const struct {
    const char* Label;
    const char* First;
    const char* Second;
  } rows[] = {
      {"Intervall (min, max):", RootField::xIntervalMin, RootField::xIntervalMax},
      {"Nullstelle (x, Iterationen):", RootField::xRoot, RootField::IterCount},
      {"Nullstelle (y):", RootField::yRoot, nullptr},
      {"Methode:", RootField::RootFinder, nullptr},
  };
  int row = 0;
  for (const auto& def : rows) {
    grid->addWidget(new QLabel(QString::fromUtf8(def.Label)), row, 0);
    QLineEdit* first = DetailEdit(def.First);
    FRoots.AttachField(first, QString::fromLatin1(def.First));
    grid->addWidget(first, row, 1, 1, def.Second ? 1 : 2);
    if (def.Second) {
      QLineEdit* second = DetailEdit(def.Second);
      FRoots.AttachField(second, QString::fromLatin1(def.Second));
      grid->addWidget(second, row, 2);
    }
    ++row;
  }
  grid->addWidget(new QLabel(QStringLiteral("Beschreibung:")), row, 0, Qt::AlignTop);
  auto* message = new QPlainTextEdit;
  message->setObjectName(QString::fromLatin1(RootField::ResultMessage));
  FRoots.AttachField(message, QString::fromLatin1(RootField::ResultMessage));
  grid->addWidget(message, row, 1, 1, 2);
  grid->setRowStretch(row, 1);
  return panel;
}
}  // namespace

std::array<QWidget*, 4> TRootFinding2DView::InputFields() const {
  return {FunctionEdit, xMinEdit, xMaxEdit, NodeCountEdit};
}

TRootFinding2DView BuildRootFinding2DView(QWidget& Form, const TRootFinding2DViewActions& Actions,
                                          TqorDataSource& Roots) {
  return TViewBuilder(Actions, Roots).Build(Form);
}
