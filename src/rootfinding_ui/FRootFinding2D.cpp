#include "FRootFinding2D.h"

#include "FRootFinding2DProperties.h"
#include "KaloExport.h"
#include "dCommon.h"
#include "qorAppErrorDisplay.h"
#include "qorException.h"
#include "qorFileUtils.h"
#include "qorFormUtil.h"
#include "qorMetafile.h"
#include "qorMetafileClipboard.h"
#include "qorNumEdit.h"
#include "qorPlotImage.h"
#include "qorStrUtils.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
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

const QString Caption = QStringLiteral("Nullstelle suchen");

// The folders the window remembers between runs, one value each in this sub key.
const QString RecentPlacesSubKey = QStringLiteral("RecentPlaces");
const QString GraphicPlace = QStringLiteral("Graphic");
const QString FunctionPlace = QStringLiteral("Function");
const QString ValuesPlace = QStringLiteral("Values");

// The recent task files are stored under the form name as this value.
const QString RecentFilesValue = QStringLiteral("RecentFiles");
// Enough task files to come back to, few enough to read at a glance.
constexpr int RecentFileCapacity = 15;
// The ID that asks the recent files for a new entry.
constexpr int NewRecentID = -1;

const QStringList TaskFileFilters = {QStringLiteral("Numerik Werzeug Daten (*.nwd)"),
                                     QStringLiteral("XML-Datei (*.xml)"),
                                     QStringLiteral("Alle Dateien (*)")};
const QStringList TextFileFilters = {QStringLiteral("Text mit Trennzeichen (*.csv)"),
                                     QStringLiteral("Textdatei (*.txt)"),
                                     QStringLiteral("Alle Dateien (*)")};

// One action of the window: caption, hint, image of the common lists, shortcut.
struct TActionDef {
  QAction** Action;
  const char* Name;
  const char* Caption;
  const char* Hint;
  int Image;
  QKeySequence Shortcut;
};

QLabel* BuddyLabel(const char* Text, QWidget* Buddy, Qt::Alignment Alignment = Qt::AlignLeft) {
  auto* label = new QLabel(QString::fromUtf8(Text));
  label->setBuddy(Buddy);
  label->setAlignment(Alignment | Qt::AlignVCenter);
  return label;
}

TqorNumEdit* NumEdit(const char* Name) {
  auto* edit = new TqorNumEdit;
  edit->setObjectName(QString::fromLatin1(Name));
  edit->setFixedWidth(NumEditWidth);
  return edit;
}

QLineEdit* DetailEdit(const char* Name) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QString::fromLatin1(Name));
  return edit;
}

// Runs Step with Text as Form's busy display and ends the display afterwards, also
// when Step raises.
template <class TStep>
void RunBusy(TfrmRootFinding2D& Form, const QString& Text, TStep&& Step) {
  Form.BusyStatus(Text);
  try {
    Step();
  } catch (...) {
    Form.BusyStatus(QString());
    throw;
  }
  Form.BusyStatus(QString());
}

// The print preview every new window offers; empty until a program registers one.
TKaloPrintPreviewHook& PrintPreview() {
  static TKaloPrintPreviewHook hook;
  return hook;
}

// The configuration storage of the provider; MsgNoStorage when it has none.
TqorAppStorageBase& Storage(TfrmRootFinding2D& Form) {
  TqorAppStorageBase* storage = Form.ASP().Cfg();
  if (!storage) throw Exception(MsgNoStorage);
  return *storage;
}
}  // namespace

const QString TfrmRootFinding2D::RootFindingFormName = QStringLiteral("RootFinding");

void TfrmRootFinding2D::setPrintPreviewHook(TKaloPrintPreviewHook Hook) { PrintPreview() = std::move(Hook); }

const TKaloPrintPreviewHook& TfrmRootFinding2D::PrintPreviewHook() { return PrintPreview(); }

TfrmRootFinding2D::TfrmRootFinding2D(QWidget* Owner)
    : TfrmqorVCLWINFormBase(Owner),
      FRootFinder(std::make_unique<TKaloPersistRootFinding>()),
      FCalculation(*FRootFinder, FmemRoot, [this](const QString& Text) { BusyStatus(Text); }) {
  setFormName(RootFindingFormName);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Caption);
  setWindowIcon(dCommon().ActionIcon(ciCalculate));
  FmemRoot.setObjectName(QStringLiteral("memRoot"));
  dsRoot.setObjectName(QStringLiteral("dsRoot"));
  DefineRootTable(FmemRoot);
  FmemRoot.Open();

  CreateActions();
  CreateMenus();
  CreateDialogs();
  CreateRecentFiles();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CreateTopPanel());
  layout->addWidget(CreateGraphPanel(), 1);
  SetTabOrder();
  resize(ClientWidth, ClientHeight);

  RefreshFields();
  actCalculate->trigger();
}

TfrmRootFinding2D::~TfrmRootFinding2D() = default;

// "Vorschau" has work only where the program has registered a preview.
void TfrmRootFinding2D::CreateActions() {
  const TActionDef actions[] = {
      {&actPrintPreview, "actPrintPreview", "&Vorschau", "Auswertung in der Vorschau öffnen",
       ciPreview, QKeySequence(Qt::CTRL | Qt::Key_P)},
      {&actCalculate, "actCalculate", "&Berechnen", "Funktion und Nullstellen berechnen",
       ciCalculate, QKeySequence(Qt::Key_F5)},
      {&actCopyGraphic,
       "actCopyGraphic",
       "Grafik &Kopieren",
       "Grafik als Windows Metafile in die Zwischenablage kopieren",
       ciCopy,
       {}},
      {&actSaveGraphic,
       "actSaveGraphic",
       "Grafik &Speichern ...",
       "Grafik als Windows Metafile speichern",
       ciSave,
       {}},
      {&actSaveValues,
       "actSaveValues",
       "Funktions&werte Speichern ...",
       "Funktionswerte in Textdatei speichern",
       ciSave,
       {}},
      {&actSaveRoots,
       "actSaveRoots",
       "&Nullstellen Speichern ...",
       "Nullstellen als Textdatei speichern",
       ciSave,
       {}},
      {&actSaveFunction, "actSaveFunction", "&Funktion Speichern ...",
       "Funktion mit Einstellungen speichern", ciSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {&actOpenFunction, "actOpenFunction", "&Öffnen", "Funktion mit Einstellungen laden", ciOpen,
       QKeySequence(Qt::CTRL | Qt::Key_O)},
      {&actEditProperties,
       "actEditProperties",
       "&Eigenschaften ...",
       "Eigenschaften bearbeiten",
       ciProperties,
       {}},
  };
  for (const TActionDef& def : actions) {
    auto* action =
        new QAction(dCommon().ActionIcon(def.Image), QString::fromUtf8(def.Caption), this);
    action->setObjectName(QString::fromLatin1(def.Name));
    action->setToolTip(QString::fromUtf8(def.Hint));
    action->setStatusTip(action->toolTip());
    action->setShortcut(def.Shortcut);
    // Several windows are open at once: a key belongs to the window that has the focus.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setEnabled(false);
    addAction(action);
    *def.Action = action;
  }
  for (QAction* action : {actCalculate, actCopyGraphic, actSaveGraphic, actSaveValues, actSaveRoots,
                          actSaveFunction, actOpenFunction, actEditProperties})
    action->setEnabled(true);
  actPrintPreview->setEnabled(static_cast<bool>(PrintPreview()));
  connect(actPrintPreview, &QAction::triggered, this, &TfrmRootFinding2D::actPrintPreviewExecute);
  connect(actCalculate, &QAction::triggered, this, &TfrmRootFinding2D::actCalculateExecute);
  connect(actCopyGraphic, &QAction::triggered, this, &TfrmRootFinding2D::actCopyGraphicExecute);
  connect(actSaveGraphic, &QAction::triggered, this, &TfrmRootFinding2D::actSaveGraphicExecute);
  connect(actOpenFunction, &QAction::triggered, this, &TfrmRootFinding2D::actOpenFunctionExecute);
  connect(actSaveFunction, &QAction::triggered, this, &TfrmRootFinding2D::actSaveFunctionExecute);
  connect(actSaveRoots, &QAction::triggered, this, &TfrmRootFinding2D::actSaveRootsExecute);
  connect(actSaveValues, &QAction::triggered, this, &TfrmRootFinding2D::actSaveValuesExecute);
  connect(actEditProperties, &QAction::triggered, this, &TfrmRootFinding2D::actEditPropertiesExecute);
}

void TfrmRootFinding2D::CreateMenus() {
  mnuPopSave = new QMenu(this);
  mnuPopSave->setObjectName(QStringLiteral("mnuPopSave"));
  mnuPopSave->addActions({actSaveFunction, actSaveGraphic, actSaveRoots, actSaveValues});

  mnuPopFileList = new QMenu(this);
  mnuPopFileList->setObjectName(QStringLiteral("mnuPopFileList"));

  mnuPopForm = new QMenu(this);
  mnuPopForm->setObjectName(QStringLiteral("mnuPopForm"));
  mnuPopOpenRecentFile = mnuPopForm->addMenu(QStringLiteral("&Öffnen"));
  mnuPopOpenRecentFile->setObjectName(QStringLiteral("mnuPopOpenRecentFile"));
  mnuPopForm->addActions(
      {actEditProperties, actCalculate, actPrintPreview, actSaveGraphic, actCopyGraphic});
  QMenu* save = mnuPopForm->addMenu(QStringLiteral("Speichern"));
  save->addActions({actSaveFunction, actSaveRoots, actSaveValues});

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &TfrmRootFinding2D::FormContextMenu);
  connect(mnuPopForm, &QMenu::aboutToShow, this, &TfrmRootFinding2D::mnuPopFormPopup);
}

// The EMF file keeps the extension ".wmf" that users of the graphic know.
void TfrmRootFinding2D::CreateDialogs() {
  dlgSaveGraphic.Parent = this;
  dlgSaveGraphic.Save = true;
  dlgSaveGraphic.Title = QStringLiteral("Grafik speichern");
  dlgSaveGraphic.Filters = {QStringLiteral("Windows Metafile Grafik (*.wmf)"),
                            QStringLiteral("Alle Dateien (*)")};
  dlgSaveGraphic.DefaultSuffix = QStringLiteral("wmf");

  dlgOpenFunction.Parent = this;
  dlgOpenFunction.Filters = TaskFileFilters;
  dlgOpenFunction.DefaultSuffix = QStringLiteral("nwd");
  dlgSaveFunction = dlgOpenFunction;
  dlgSaveFunction.Save = true;
  dlgSaveFunction.Title = QStringLiteral("Funktion speichern");
  dlgSaveFunction.ConfirmOverwrite = true;
  dlgSaveCSV.Parent = this;
  dlgSaveCSV.Save = true;
  dlgSaveCSV.Filters = TextFileFilters;
  dlgSaveCSV.DefaultSuffix = QStringLiteral("csv");
}

void TfrmRootFinding2D::CreateRecentFiles() {
  FRecentFileMenueHandler = new TqorRecentFilePopupMenueHandler(this);
  FRecentFileMenueHandler->setPopupMenu(mnuPopFileList);
  FRecentFileMenueHandler->setCapacity(RecentFileCapacity);
  connect(FRecentFileMenueHandler, &TqorRecentFileMenueHandlerCommon::RecentFileClick, this,
          &TfrmRootFinding2D::RecentFileClick);
  RunShowingErrors([this] {
    FRecentFileMenueHandler->setAsConfigString(
        Storage(*this).ReadString(aslsRecentLists, FormName(), RecentFilesValue, QString()));
  });
}

void TfrmRootFinding2D::WriteRecentFiles() {
  Storage(*this).WriteValue(aslsRecentLists, FormName(), RecentFilesValue,
                            FRecentFileMenueHandler->AsConfigString());
}

void TfrmRootFinding2D::FormContextMenu(const QPoint& Pos) { mnuPopForm->popup(mapToGlobal(Pos)); }

// The context menu shows the same menu entries as the open button's drop-down.
void TfrmRootFinding2D::mnuPopFormPopup() {
  mnuPopOpenRecentFile->clear();
  mnuPopOpenRecentFile->addActions(mnuPopFileList->actions());
}

QWidget* TfrmRootFinding2D::CreateTopPanel() {
  auto* panTop = new QWidget;
  panTop->setObjectName(QStringLiteral("panTop"));
  panTop->setFixedHeight(TopPanelHeight);
  auto* layout = new QVBoxLayout(panTop);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CreateToolBar());
  auto* edge = new QFrame;
  edge->setFrameShape(QFrame::HLine);
  edge->setFrameShadow(QFrame::Sunken);
  layout->addWidget(edge);
  layout->addWidget(CreateInputRows(), 1);
  return panTop;
}

QToolBar* TfrmRootFinding2D::CreateToolBar() {
  auto* tb = new QToolBar;
  tb->setObjectName(QStringLiteral("tb"));
  tb->setFixedHeight(ToolBarHeight);
  tb->setIconSize(QSize(TdCommon::ImageSize, TdCommon::ImageSize));
  tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const struct {
    const char* Name;
    QAction* Action;
    QMenu* Menu;
  } buttons[] = {
      {"ToolButton6", actOpenFunction, mnuPopFileList},
      {"ToolButton5", actSaveFunction, mnuPopSave},
      {"ToolButton7", actEditProperties, nullptr},
      {"ToolButton4", actCopyGraphic, nullptr},
      {"ToolButton1", actCalculate, nullptr},
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
    tb->addWidget(button);
  }
  tb->addSeparator();
  auto* preview = new QToolButton;
  preview->setObjectName(QStringLiteral("ToolButton2"));
  preview->setDefaultAction(actPrintPreview);
  preview->setAutoRaise(true);
  preview->setFocusPolicy(Qt::NoFocus);
  tb->addWidget(preview);
  return tb;
}

QWidget* TfrmRootFinding2D::CreateInputRows() {
  txtFct = new QLineEdit;
  txtFct->setObjectName(QStringLiteral("txtFct"));
  txtXmin = NumEdit("txtXmin");
  txtXmax = NumEdit("txtXmax");
  txtNodeCount = NumEdit("txtNodeCount");
  txtNodeCount->setDecimals(0);
  txtNodeCount->setLimits(MinNodeCount, MaxNodeCount);
  for (QWidget* field : {static_cast<QWidget*>(txtFct), static_cast<QWidget*>(txtXmin),
                         static_cast<QWidget*>(txtXmax), static_cast<QWidget*>(txtNodeCount)})
    field->installEventFilter(this);
  Button2 = new QPushButton(actCalculate->text());
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setToolTip(actCalculate->toolTip());
  connect(Button2, &QPushButton::clicked, actCalculate, &QAction::trigger);

  auto* rows = new QWidget;
  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
  grid->addWidget(BuddyLabel("&Funktion: f(x) = ", txtFct, Qt::AlignRight), 0, 0);
  grid->addWidget(txtFct, 0, 1, 1, 6);
  grid->addWidget(Button2, 0, 7);
  grid->addWidget(BuddyLabel("x-Werte &von:", txtXmin, Qt::AlignRight), 1, 0);
  grid->addWidget(txtXmin, 1, 1);
  grid->addWidget(BuddyLabel("x-Werte &bis:", txtXmax, Qt::AlignRight), 1, 2);
  grid->addWidget(txtXmax, 1, 3);
  grid->addWidget(BuddyLabel("&Stützstellen:", txtNodeCount, Qt::AlignRight), 1, 4);
  grid->addWidget(txtNodeCount, 1, 5);
  grid->setColumnStretch(6, 1);
  return rows;
}

QWidget* TfrmRootFinding2D::CreateGraphPanel() {
  auto* pnlGraph = new QWidget;
  pnlGraph->setObjectName(QStringLiteral("pnlGraph"));
  imgGraph = new TqorPlotImage;
  imgGraph->setObjectName(QStringLiteral("imgGraph"));
  // The image is drawn once control is back in the event loop: a resize comes in the
  // middle of showing the window, where the busy display's repaint would paint the image
  // before it is visible and lose the drawing; and a drag's many sizes are drawn once.
  tiRender = new QTimer(this);
  tiRender->setSingleShot(true);
  tiRender->setInterval(0);
  connect(tiRender, &QTimer::timeout, this, &TfrmRootFinding2D::pnlGraphResize);
  connect(imgGraph, &TqorPlotImage::Resized, tiRender, qOverload<>(&QTimer::start));
  sb = new QScrollArea;
  sb->setObjectName(QStringLiteral("sb"));
  sb->setWidgetResizable(true);
  sb->setWidget(imgGraph);

  auto* spRootInfoWidth = new QSplitter(Qt::Horizontal);
  spRootInfoWidth->setObjectName(QStringLiteral("spRootInfoWidth"));
  spRootInfoWidth->setChildrenCollapsible(false);
  spRootInfoWidth->addWidget(sb);
  spRootInfoWidth->addWidget(CreateRootInfoPanel());
  spRootInfoWidth->setStretchFactor(0, 1);
  spRootInfoWidth->setStretchFactor(1, 0);
  spRootInfoWidth->setSizes({ClientWidth - RootInfoWidth, RootInfoWidth});

  auto* layout = new QHBoxLayout(pnlGraph);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(spRootInfoWidth);
  return pnlGraph;
}

QWidget* TfrmRootFinding2D::CreateRootInfoPanel() {
  auto* pnlRootInfo = new QWidget;
  pnlRootInfo->setObjectName(QStringLiteral("pnlRootInfo"));
  DBGrid1 = new QTableView;
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + PanelMargin);
  dsRoot.AttachGrid(DBGrid1);

  auto* layout = new QVBoxLayout(pnlRootInfo);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CreateRootDetails());
  layout->addWidget(DBGrid1, 1);
  return pnlRootInfo;
}

// The detail fields of the selected root, all read-only and bound to the roots table.
QWidget* TfrmRootFinding2D::CreateRootDetails() {
  auto* panel = new QWidget;
  panel->setFixedHeight(RootDetailsHeight);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
  grid->setVerticalSpacing(2);
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
    dsRoot.AttachField(first, QString::fromLatin1(def.First));
    grid->addWidget(first, row, 1, 1, def.Second ? 1 : 2);
    if (def.Second) {
      QLineEdit* second = DetailEdit(def.Second);
      dsRoot.AttachField(second, QString::fromLatin1(def.Second));
      grid->addWidget(second, row, 2);
    }
    ++row;
  }
  grid->addWidget(new QLabel(QStringLiteral("Beschreibung:")), row, 0, Qt::AlignTop);
  auto* message = new QPlainTextEdit;
  message->setObjectName(QString::fromLatin1(RootField::ResultMessage));
  dsRoot.AttachField(message, QString::fromLatin1(RootField::ResultMessage));
  grid->addWidget(message, row, 1, 1, 2);
  grid->setRowStretch(row, 1);
  return panel;
}

void TfrmRootFinding2D::SetTabOrder() {
  setTabOrder(txtFct, txtXmin);
  setTabOrder(txtXmin, txtXmax);
  setTabOrder(txtXmax, txtNodeCount);
  setTabOrder(txtNodeCount, Button2);
}

void TfrmRootFinding2D::RefreshFields() {
  const TKaloPersistFunction& function = FRootFinder->RootFunction();
  if (function.SimpleScript()) {
    txtFct->setText(function.FunctionScript());
    txtFct->setReadOnly(false);
    txtFct->setPalette(QPalette());
  } else {
    // A full script is edited in the properties dialog; the field names it.
    txtFct->setText(FRootFinder->Name());
    txtFct->setReadOnly(true);
    QPalette palette = txtFct->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    txtFct->setPalette(palette);
  }
  txtXmin->setValue(static_cast<double>(FRootFinder->xMin()));
  txtXmax->setValue(static_cast<double>(FRootFinder->xMax()));
  txtNodeCount->setValue(FRootFinder->NodeCount());
}

void TfrmRootFinding2D::TakeFields() {
  const TKaloCalculationInput input = CalculationInput();
  FRootFinder->setxMin(input.xMin);
  FRootFinder->setxMax(input.xMax);
  FRootFinder->setNodeCount(input.NodeCount);
  TKaloPersistFunction& function = FRootFinder->RootFunction();
  if (function.SimpleScript()) function.setFunctionScript(input.FunctionText);
}

TKaloCalculationInput TfrmRootFinding2D::CalculationInput() {
  for (TqorNumEdit* field : {txtXmin, txtXmax, txtNodeCount}) field->CommitText();
  return {txtFct->text(), txtXmin->Value(), txtXmax->Value(), txtNodeCount->AsInteger()};
}

// The preview is a dialog of its own and shows no busy text.
void TfrmRootFinding2D::actPrintPreviewExecute() {
  RunShowingErrors([this] {
    if (const TKaloPrintPreviewHook& hook = PrintPreview())
      hook({FPlot2D.Plot2D(), FmemRoot, FCalculatedTask, this});
  });
}

void TfrmRootFinding2D::actCalculateExecute() {
  RunShowingErrors([this] {
    const TKaloCalculationInput input = CalculationInput();
    FCalculation.Execute(input, [this, &input] {
      RememberCalculatedTask(input);
      RebuildPlot();
    });
  });
}

// The fields' range and node count reach the task only when it is saved or edited; the
// report must name those of the calculation whose plot and roots it shows.
void TfrmRootFinding2D::RememberCalculatedTask(const TKaloCalculationInput& Input) {
  FCalculatedTask.Assign(*FRootFinder);
  FCalculatedTask.setxMin(Input.xMin);
  FCalculatedTask.setxMax(Input.xMax);
  FCalculatedTask.setNodeCount(Input.NodeCount);
}

void TfrmRootFinding2D::RebuildPlot() {
  FPlot2D.Update(ValueX(), ValueY(), RootX(), RootY(),
                 [this](const QString& Text) { BusyStatus(Text); });
  RenderPlot();
}

void TfrmRootFinding2D::RenderPlot() { imgGraph->ShowMetafile(FPlot2D.Render(imgGraph->size())); }

void TfrmRootFinding2D::pnlGraphResize() {
  RunShowingErrors([this] {
    RunBusy(*this, QStringLiteral("Grafik zeichnen ..."), [this] { RenderPlot(); });
  });
}

void TfrmRootFinding2D::actCopyGraphicExecute() {
  RunShowingErrors([this] { CopyMetafileToClipboard(FPlot2D.Plot2D().MetaFile()); });
}

void TfrmRootFinding2D::actSaveGraphicExecute() {
  RunShowingErrors([this] { SaveGraphic(); });
}

void TfrmRootFinding2D::SaveGraphic() {
  dlgSaveGraphic.Directory = ReadRecentPlace(GraphicPlace, GetPicturesFolder());
  const QString fileName = ExecuteFileDialog(dlgSaveGraphic);
  if (fileName.isEmpty()) return;
  dlgSaveGraphic.FileName = QFileInfo(fileName).fileName();
  RunBusy(*this, QStringLiteral("Grafik wird abgespeichert ..."), [&] {
    FPlot2D.Plot2D().MetaFile().SaveToFile(fileName);
    WriteRecentPlace(GraphicPlace, fileName);
  });
}

QString TfrmRootFinding2D::ReadRecentPlace(const QString& Name, const QString& Default) {
  return Storage(*this).ReadString(aslsRecentLists, RecentPlacesSubKey, Name, Default);
}

void TfrmRootFinding2D::WriteRecentPlace(const QString& Name, const QString& FileName) {
  const QString folder = QDir::toNativeSeparators(QFileInfo(FileName).absolutePath());
  Storage(*this).WriteValue(aslsRecentLists, RecentPlacesSubKey, Name,
                            IncludeTrailingChar(folder, QDir::separator()));
}

bool TfrmRootFinding2D::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress && txtFctDefKeyPress(static_cast<QKeyEvent*>(Event)))
    return true;
  return TfrmqorVCLWINFormBase::eventFilter(Watched, Event);
}

bool TfrmRootFinding2D::txtFctDefKeyPress(QKeyEvent* Event) {
  if (Event->key() != Qt::Key_Return && Event->key() != Qt::Key_Enter) return false;
  actCalculate->trigger();
  return true;
}

// The list is stored before the file is read, so that a file that fails to load is
// still offered first; a configuration that cannot be written is reported, but it does
// not keep the user from the file.
void TfrmRootFinding2D::OpenTaskFile(const QString& FileName, int RecentID) {
  FRecentFileMenueHandler->AddRecentFile(0, RecentID, FileName);
  RunShowingErrors([this] { WriteRecentFiles(); });
  RunBusy(*this, QStringLiteral("Funktion wird geladen ..."), [&] {
    LoadTaskFile(FileName, *FRootFinder);
    RefreshFields();
    actCalculate->trigger();
  });
}

void TfrmRootFinding2D::ProposeTaskFileName(TqorFileDialogRequest& Dialog) {
  if (!FRootFinder->Name().isEmpty()) Dialog.FileName = RemoveInvalidFileNameChars(FRootFinder->Name());
}

QString TfrmRootFinding2D::AskFileName(TqorFileDialogRequest& Dialog, const QString& Place) {
  Dialog.Directory = ReadRecentPlace(Place, GetAppDataFolder());
  const QString fileName = ExecuteFileDialog(Dialog);
  if (!fileName.isEmpty()) Dialog.FileName = QFileInfo(fileName).fileName();
  return fileName;
}

// A file already listed moves to the top instead of being listed again.
void TfrmRootFinding2D::actOpenFunctionExecute() {
  RunShowingErrors([this] {
    ProposeTaskFileName(dlgOpenFunction);
    const QString fileName = AskFileName(dlgOpenFunction, FunctionPlace);
    if (fileName.isEmpty()) return;
    const TqorRecentFileItem* listed = FRecentFileMenueHandler->RetrieveItemByFileName(fileName);
    OpenTaskFile(fileName, listed ? listed->ID() : NewRecentID);
    WriteRecentPlace(FunctionPlace, fileName);
  });
}

// A saved file becomes a new top entry, even when it is listed already.
void TfrmRootFinding2D::actSaveFunctionExecute() {
  RunShowingErrors([this] {
    TakeFields();
    ProposeTaskFileName(dlgSaveFunction);
    const QString fileName = AskFileName(dlgSaveFunction, FunctionPlace);
    if (fileName.isEmpty()) return;
    SaveTaskFile(fileName, *FRootFinder);
    WriteRecentPlace(FunctionPlace, fileName);
    FRecentFileMenueHandler->AddRecentFile(0, NewRecentID, fileName);
    WriteRecentFiles();
  });
}

void TfrmRootFinding2D::actSaveRootsExecute() {
  RunShowingErrors([this] {
    const QString fileName = AskFileName(dlgSaveCSV, ValuesPlace);
    if (fileName.isEmpty()) return;
    RunBusy(*this, QStringLiteral("Werte werden abgespeichert ..."), [&] {
      SaveRootsFile(fileName, FmemRoot);
      WriteRecentPlace(ValuesPlace, fileName);
    });
  });
}

void TfrmRootFinding2D::actSaveValuesExecute() {
  RunShowingErrors([this] {
    const QString fileName = AskFileName(dlgSaveCSV, ValuesPlace);
    if (fileName.isEmpty()) return;
    RunBusy(*this, QStringLiteral("Werte werden aufbereitet ..."), [&] {
      SaveValuesFile(fileName, ValueX(), ValueY());
      BusyStatus(QStringLiteral("Werte werden abgespeichert ..."));
      WriteRecentPlace(ValuesPlace, fileName);
    });
  });
}

// The dialog shows what the fields show now, not what the task held before.
void TfrmRootFinding2D::actEditPropertiesExecute() {
  RunShowingErrors([this] {
    TakeFields();
    TfrmRootFinding2DProperties dialog(this);
    dialog.setRootFinder(FRootFinder.get());
    if (dialog.exec() != QDialog::Accepted) return;
    RefreshFields();
    actCalculate->trigger();
  });
}

void TfrmRootFinding2D::RecentFileClick(const QString& FileName, int ID) {
  RunShowingErrors([&] { OpenTaskFile(FileName, ID); });
}
