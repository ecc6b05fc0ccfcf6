#include "FRootFinding2D.h"

#include "FRootFinding2DProperties.h"
#include "KaloCalculationGate.h"
#include "KaloExport.h"
#include "KaloRootTableText.h"
#include "dCommon.h"
#include "qorAppErrorDisplay.h"
#include "qorException.h"
#include "qorFileUtils.h"
#include "qorFormUtil.h"
#include "qorMetafile.h"
#include "qorMetafileClipboard.h"
#include "qorNumEdit.h"
#include "qorPlotImage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <span>
#include <tuple>

namespace {
const QString Caption = QStringLiteral("Nullstelle suchen");

// A calculation shows its progress once it has run this long; a quicker one only flickers.
constexpr std::chrono::milliseconds ProgressDelay{500};
// Where the configuration keeps the time budget of one evaluation, in seconds.
const QString TimeLimitKey = QStringLiteral("Config");
const QString TimeLimitName = QStringLiteral("EvaluationTimeLimit");

// The configured time budget; a missing or unusable value, or no configuration, gives
// the default.
std::chrono::milliseconds ConfiguredEvaluationBudget() {
  TqorApplicationServiceProviderBase* provider = GlobalServiceProviderOrNone();
  if (!provider || !provider->Cfg()) return DefaultEvaluationBudget;
  try {
    const QString text = provider->Cfg()->ReadString(aslsProgramConfig, TimeLimitKey, TimeLimitName, QString());
    return EvaluationBudgetFromText(text).value_or(DefaultEvaluationBudget);
  } catch (const std::exception&) {
    return DefaultEvaluationBudget;
  }
}

const QStringList TaskFileFilters = {QStringLiteral("Numerik Werzeug Daten (*.nwd)"),
                                     QStringLiteral("XML-Datei (*.xml)"), QStringLiteral("Alle Dateien (*)")};
const QStringList TextFileFilters = {QStringLiteral("Text mit Trennzeichen (*.csv)"),
                                     QStringLiteral("Textdatei (*.txt)"), QStringLiteral("Alle Dateien (*)")};

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

// A script's lines joined by blanks, for a field of one line.
QString OneLine(const QString& Script) { return Script.simplified(); }

// Everything of a task the user can edit, to tell whether the properties dialog changed it.
using TTaskFields = std::tuple<QString, Extended, Extended, Extended, Extended, int, bool, bool, QString>;
TTaskFields FieldsOf(const TKaloPersistRootFinding& Task) {
  const TKaloPersistFunction& function = Task.RootFunction();
  return {Task.Name(),
          Task.xMin(),
          Task.xMax(),
          Task.AbsErrorBound(),
          Task.RelErrorBound(),
          Task.NodeCount(),
          Task.TouchingRoots(),
          function.SimpleScript(),
          function.FunctionScript()};
}

enum class TSaveChangesAnswer { Save, Discard, Cancel };

// Asks whether the edits of the task known as Title are to be saved before it goes.
TSaveChangesAnswer AskToSaveChanges(QWidget* Parent, const QString& Title) {
  QMessageBox box(QMessageBox::Question, ApplicationTitle(), QStringLiteral("Änderungen an '%1' speichern?").arg(Title),
                  QMessageBox::NoButton, Parent);
  QPushButton* save = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save) return TSaveChangesAnswer::Save;
  return box.clickedButton() == discard ? TSaveChangesAnswer::Discard : TSaveChangesAnswer::Cancel;
}

// Where a user keeps what they write; their home folder where there is no such folder.
QString DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const bool exists = !documents.isEmpty() && QDir(documents).exists();
  return QDir::toNativeSeparators(exists ? documents : QDir::homePath()) + QDir::separator();
}

// The print preview every new window offers; empty until a program registers one.
TKaloPrintPreviewHook& PrintPreview() {
  static TKaloPrintPreviewHook hook;
  return hook;
}

// An action without an image of the common lists.
constexpr int NoImage = -1;

bool AlwaysEnabled(const TfrmRootFinding2D&) { return true; }
// "Vorschau" has work only where the program has registered a preview.
bool PreviewRegistered(const TfrmRootFinding2D&) { return static_cast<bool>(PrintPreview()); }
// "Zurück" needs a range to return to.
bool RangeToReturnTo(const TfrmRootFinding2D& Form) { return !Form.RangeHistory().Empty(); }
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
  UpdateCaption();
  setWindowIcon(dCommon().ActionIcon(ciCalculate));
  CreateRootTable();
  CreateActions();
  CreateMenus();
  CreateDialogs();
  CreateRecentFiles();
  CreateView();
  CreateExtremaTab();
  SetUpCalculation();

  RefreshFields();
  actCalculate->trigger();
}

TfrmRootFinding2D::~TfrmRootFinding2D() = default;

void TfrmRootFinding2D::CreateRootTable() {
  FmemRoot.setObjectName(QStringLiteral("memRoot"));
  dsRoot.setObjectName(QStringLiteral("dsRoot"));
  DefineRootTable(FmemRoot);
  dsRoot.setViewText([](const TqorField& Field, int Row) { return RootViewText(Field, Row); });
  dsRoot.setRowTitle([this](int Row) { return RowNumberText(FmemRoot, Row); });
  FmemRoot.Open();
}

void TfrmRootFinding2D::CreateExtremaTab() {
  FmemExtrema.setObjectName(QStringLiteral("memExtrema"));
  DefineExtremaTable(FmemExtrema);
  dsExtrema.setViewText([](const TqorField& Field, int Row) { return RootViewText(Field, Row); });
  dsExtrema.setRowTitle([this](int Row) { return RowNumberText(FmemExtrema, Row); });
  FmemExtrema.Open();
  FCalculation.setExtremaTable(&FmemExtrema);
  QTableView* roots = FView.RootsGrid;
  auto* tabs = new QTabWidget;
  tabs->setObjectName(QStringLiteral("pcResults"));
  // The layout hands back the item that held the grid; it is ours to free.
  std::unique_ptr<QLayoutItem>(roots->parentWidget()->layout()->replaceWidget(roots, tabs));
  tabs->addTab(roots, QStringLiteral("Nullstellen"));
  auto* grid = new QTableView;
  grid->setObjectName(QStringLiteral("DBGridExtrema"));
  grid->verticalHeader()->setDefaultSectionSize(roots->verticalHeader()->defaultSectionSize());
  dsExtrema.AttachGrid(grid);
  tabs->addTab(grid, QStringLiteral("Extrema"));
}

// One action of the window: the member that keeps it, its object name, caption, hint,
// image of the common lists, shortcut, when it is enabled, and its slot.
struct TfrmRootFinding2D::TActionDef {
  QAction* TfrmRootFinding2D::*Member;
  const char* Name;
  const char* Caption;
  const char* Hint;
  int Image;
  QKeySequence Shortcut;
  bool (*Enabled)(const TfrmRootFinding2D& Form);
  void (TfrmRootFinding2D::*Execute)();
};

std::span<const TfrmRootFinding2D::TActionDef> TfrmRootFinding2D::ActionDefs() {
  using Form = TfrmRootFinding2D;
  static const TActionDef actions[] = {
      {&Form::actPrintPreview, "actPrintPreview", "&Vorschau", "Auswertung in der Vorschau öffnen", ciPreview,
       QKeySequence(Qt::CTRL | Qt::Key_P), PreviewRegistered, &Form::actPrintPreviewExecute},
      {&Form::actCalculate, "actCalculate", "&Berechnen", "Funktion und Nullstellen berechnen", ciCalculate,
       QKeySequence(Qt::Key_F5), AlwaysEnabled, &Form::actCalculateExecute},
      {&Form::actCopyGraphic,
       "actCopyGraphic",
       "Grafik &Kopieren",
       "Grafik als Windows Metafile in die Zwischenablage kopieren",
       ciCopy,
       {},
       AlwaysEnabled,
       &Form::actCopyGraphicExecute},
      {&Form::actSaveGraphic,
       "actSaveGraphic",
       "Grafik &Speichern ...",
       "Grafik als Windows Metafile speichern",
       ciSave,
       {},
       AlwaysEnabled,
       &Form::actSaveGraphicExecute},
      {&Form::actSaveValues,
       "actSaveValues",
       "Funktions&werte Speichern ...",
       "Funktionswerte in Textdatei speichern",
       ciSave,
       {},
       AlwaysEnabled,
       &Form::actSaveValuesExecute},
      {&Form::actSaveRoots,
       "actSaveRoots",
       "&Nullstellen Speichern ...",
       "Nullstellen als Textdatei speichern",
       ciSave,
       {},
       AlwaysEnabled,
       &Form::actSaveRootsExecute},
      {&Form::actSaveExtrema,
       "actSaveExtrema",
       "E&xtrema Speichern ...",
       "Extrema und Wendepunkte als Textdatei speichern",
       ciSave,
       {},
       AlwaysEnabled,
       &Form::actSaveExtremaExecute},
      {&Form::actSaveFunction, "actSaveFunction", "&Funktion Speichern ...", "Funktion mit Einstellungen speichern",
       ciSave, QKeySequence(Qt::CTRL | Qt::Key_S), AlwaysEnabled, &Form::actSaveFunctionExecute},
      {&Form::actOpenFunction, "actOpenFunction", "&Öffnen", "Funktion mit Einstellungen laden", ciOpen,
       QKeySequence(Qt::CTRL | Qt::Key_O), AlwaysEnabled, &Form::actOpenFunctionExecute},
      {&Form::actEditProperties,
       "actEditProperties",
       "&Eigenschaften ...",
       "Eigenschaften bearbeiten",
       ciProperties,
       {},
       AlwaysEnabled,
       &Form::actEditPropertiesExecute},
      {&Form::actZoomBack, "actZoomBack", "&Zurück", "Zum vorigen x-Bereich zurückkehren", NoImage,
       QKeySequence(Qt::Key_Backspace), RangeToReturnTo, &Form::actZoomBackExecute},
      {&Form::actCopyRoots, "actCopyRoots", "Nullstellen k&opieren",
       "Markierte Nullstellen (oder alle) als Text in die Zwischenablage kopieren", ciCopy, QKeySequence::Copy,
       AlwaysEnabled, &Form::actCopyRootsExecute},
  };
  return actions;
}

void TfrmRootFinding2D::CreateActions() {
  for (const TActionDef& def : ActionDefs()) {
    auto* action = new QAction(dCommon().ActionIcon(def.Image), QString::fromUtf8(def.Caption), this);
    action->setObjectName(QString::fromLatin1(def.Name));
    action->setToolTip(QString::fromUtf8(def.Hint));
    action->setStatusTip(action->toolTip());
    action->setShortcut(def.Shortcut);
    // Several windows are open at once: a key belongs to the window that has the focus.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, def.Execute);
    this->*def.Member = action;
  }
  actZoomBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  UpdateActions();
}

void TfrmRootFinding2D::UpdateActions() {
  for (const TActionDef& def : ActionDefs()) (this->*def.Member)->setEnabled(def.Enabled(*this));
}

void TfrmRootFinding2D::CreateMenus() {
  mnuPopSave = new QMenu(this);
  mnuPopSave->setObjectName(QStringLiteral("mnuPopSave"));
  mnuPopSave->addActions({actSaveFunction, actSaveGraphic, actSaveRoots, actSaveExtrema, actSaveValues});

  mnuPopFileList = new QMenu(this);
  mnuPopFileList->setObjectName(QStringLiteral("mnuPopFileList"));

  mnuPopForm = new QMenu(this);
  mnuPopForm->setObjectName(QStringLiteral("mnuPopForm"));
  mnuPopOpenRecentFile = mnuPopForm->addMenu(QStringLiteral("&Öffnen"));
  mnuPopOpenRecentFile->setObjectName(QStringLiteral("mnuPopOpenRecentFile"));
  mnuPopForm->addActions(
      {actEditProperties, actCalculate, actZoomBack, actPrintPreview, actSaveGraphic, actCopyGraphic, actCopyRoots});
  QMenu* save = mnuPopForm->addMenu(QStringLiteral("Speichern"));
  save->addActions({actSaveFunction, actSaveRoots, actSaveExtrema, actSaveValues});

  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &TfrmRootFinding2D::FormContextMenu);
  connect(mnuPopForm, &QMenu::aboutToShow, this, &TfrmRootFinding2D::mnuPopFormPopup);
}

// The EMF file keeps the extension ".wmf" that users of the graphic know. Every save
// dialog asks before it replaces a file, as requests do unless told otherwise.
void TfrmRootFinding2D::CreateDialogs() {
  dlgSaveGraphic.Parent = this;
  dlgSaveGraphic.Save = true;
  dlgSaveGraphic.Title = QStringLiteral("Grafik speichern unter");
  dlgSaveGraphic.Filters = {QStringLiteral("Windows Metafile Grafik (*.wmf)"), QStringLiteral("SVG-Grafik (*.svg)"),
                            QStringLiteral("PNG-Bild (*.png)"), QStringLiteral("PDF-Dokument (*.pdf)"),
                            QStringLiteral("Alle Dateien (*)")};
  dlgSaveGraphic.DefaultSuffix = QStringLiteral("wmf");

  dlgOpenFunction.Parent = this;
  dlgOpenFunction.Title = QStringLiteral("Funktion öffnen");
  dlgOpenFunction.Filters = TaskFileFilters;
  dlgOpenFunction.DefaultSuffix = QStringLiteral("nwd");
  dlgSaveFunction = dlgOpenFunction;
  dlgSaveFunction.Save = true;
  dlgSaveFunction.Title = QStringLiteral("Funktion speichern unter");

  dlgSaveValues.Parent = this;
  dlgSaveValues.Save = true;
  dlgSaveValues.Filters = TextFileFilters;
  dlgSaveValues.DefaultSuffix = QStringLiteral("csv");
  dlgSaveValues.Title = QStringLiteral("Funktionswerte speichern unter");
  dlgSaveRoots = dlgSaveValues;
  dlgSaveRoots.Title = QStringLiteral("Nullstellen speichern unter");
  dlgSaveExtrema = dlgSaveValues;
  dlgSaveExtrema.Title = QStringLiteral("Extrema speichern unter");
}

void TfrmRootFinding2D::CreateRecentFiles() {
  TqorRecentFilePopupMenueHandler& files = FRecentLists.Files();
  files.setPopupMenu(mnuPopFileList);
  connect(&files, &TqorRecentFileMenueHandlerCommon::RecentFileClick, this, &TfrmRootFinding2D::RecentFileClick);
  RunShowingErrors([this] { FRecentLists.ReadFiles(); });
}

void TfrmRootFinding2D::CreateView() {
  const TRootFinding2DViewActions actions = {.OpenFunction = actOpenFunction,
                                             .RecentFiles = mnuPopFileList,
                                             .SaveFunction = actSaveFunction,
                                             .SaveMenu = mnuPopSave,
                                             .EditProperties = actEditProperties,
                                             .CopyGraphic = actCopyGraphic,
                                             .Calculate = actCalculate,
                                             .ZoomBack = actZoomBack,
                                             .PrintPreview = actPrintPreview};
  FView = BuildRootFinding2DView(*this, actions, dsRoot);
  for (QWidget* field : FView.InputFields()) field->installEventFilter(this);
  for (TqorNumEdit* field : FView.NumberFields()) {
    connect(field, &TqorNumEdit::ProblemChanged, this, [this, field] { ShowFieldProblem(*field); });
    connect(field, &QLineEdit::textEdited, this, &TfrmRootFinding2D::MarkEdited);
  }
  connect(FView.FunctionEdit, &QLineEdit::textEdited, this, &TfrmRootFinding2D::txtFctEdited);
  // The image is drawn once control is back in the event loop: a resize comes in the
  // middle of showing the window, where the busy display's repaint would paint the image
  // before it is visible and lose the drawing; and a drag's many sizes are drawn once.
  tiRender = new QTimer(this);
  tiRender->setSingleShot(true);
  tiRender->setInterval(0);
  connect(tiRender, &QTimer::timeout, this, &TfrmRootFinding2D::pnlGraphResize);
  connect(FView.GraphImage, &TqorPlotImage::Resized, tiRender, qOverload<>(&QTimer::start));
  connect(FView.GraphImage, &TqorPlotImage::PointerMoved, this, &TfrmRootFinding2D::imgGraphPointerMoved);
  connect(FView.GraphImage, &TqorPlotImage::PointerLeft, this, [this] { ShowStatusTip(QString()); });
  connect(FView.GraphImage, &TqorPlotImage::Clicked, this, &TfrmRootFinding2D::imgGraphClicked);
  connect(FView.GraphImage, &TqorPlotImage::Dragged, this, &TfrmRootFinding2D::imgGraphDragged);
  // Ctrl+C copies the roots only in their grid; the fields copy their own text.
  removeAction(actCopyRoots);
  FView.RootsGrid->addAction(actCopyRoots);
  actCopyRoots->setShortcutContext(Qt::WidgetShortcut);
  connect(&FmemRoot, &TqorMemoryDataset::CurrentRowChanged, this, &TfrmRootFinding2D::UpdateHighlight);
  connect(&FmemRoot, &TqorMemoryDataset::DataSetChanged, this, &TfrmRootFinding2D::UpdateHighlight);
}

// The status bar says why a field is marked, and is cleared when it is corrected.
void TfrmRootFinding2D::ShowFieldProblem(const TqorNumEdit& Field) {
  const QString problem = Field.Problem();
  ASP().StatusMessage(problem.isEmpty() ? QString() : Field.accessibleName() + QStringLiteral(": ") + problem);
}

void TfrmRootFinding2D::txtFctEdited() {
  TKaloPersistFunction& function = FRootFinder->RootFunction();
  if (!function.SimpleScript()) {
    function.setSimpleScript(true);
    FView.FunctionEdit->setPalette(QPalette());
  }
  MarkEdited();
}

void TfrmRootFinding2D::FormContextMenu(const QPoint& Pos) { mnuPopForm->popup(mapToGlobal(Pos)); }

// The context menu shows the same menu entries as the open button's drop-down.
void TfrmRootFinding2D::mnuPopFormPopup() {
  mnuPopOpenRecentFile->clear();
  mnuPopOpenRecentFile->addActions(mnuPopFileList->actions());
}

void TfrmRootFinding2D::RefreshFields() {
  const TKaloPersistFunction& function = FRootFinder->RootFunction();
  if (function.SimpleScript()) {
    FView.FunctionEdit->setText(function.FunctionScript());
    FView.FunctionEdit->setPalette(QPalette());
  } else {
    // A full script is edited in the properties dialog; the field names it, or shows
    // it on one line when it has no name, on the tooltip colour. Typing an expression
    // over it makes the task a simple expression again.
    FView.FunctionEdit->setText(FRootFinder->Name().isEmpty() ? OneLine(function.FunctionScript())
                                                              : FRootFinder->Name());
    QPalette palette = FView.FunctionEdit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    FView.FunctionEdit->setPalette(palette);
  }
  FView.xMinEdit->setValue(static_cast<double>(FRootFinder->xMin()));
  FView.xMaxEdit->setValue(static_cast<double>(FRootFinder->xMax()));
  FView.NodeCountEdit->setValue(FRootFinder->NodeCount());
}

void TfrmRootFinding2D::TakeFields() {
  const TKaloCalculationInput input = CalculationInput();
  FRootFinder->setxMin(input.xMin);
  FRootFinder->setxMax(input.xMax);
  FRootFinder->setNodeCount(input.NodeCount);
  TKaloPersistFunction& function = FRootFinder->RootFunction();
  if (function.SimpleScript()) function.setFunctionScript(input.FunctionText);
}

// A field that holds no number must not be read as 0 or as the value it held before:
// the user would get results for a range they did not ask for.
TKaloCalculationInput TfrmRootFinding2D::CalculationInput() {
  for (TqorNumEdit* field : FView.NumberFields()) {
    if (field->Problem().isEmpty()) {
      field->CommitText();
      continue;
    }
    field->setFocus();
    field->selectAll();
    throw EConvertError(NotANumberMessage(*field));
  }
  return {FView.FunctionEdit->text(), FView.xMinEdit->Value(), FView.xMaxEdit->Value(),
          FView.NodeCountEdit->AsInteger()};
}

// The preview is a dialog of its own and shows no busy text.
void TfrmRootFinding2D::actPrintPreviewExecute() {
  RunShowingErrors([this] {
    TqorMemoryDataset* extrema = FCalculation.SearchedCurve() ? &FmemExtrema : nullptr;
    if (const TKaloPrintPreviewHook& hook = PrintPreview())
      hook({FPlot2D.Plot2D(), FmemRoot, extrema, FCalculatedTask, this});
  });
}

void TfrmRootFinding2D::actCalculateExecute() {
  RunShowingErrors([this] { CalculateGated(CalculationInput()); });
}

void TfrmRootFinding2D::SetUpCalculation() {
  connect(FView.CancelButton, &QPushButton::clicked, this, [this] { FCancelRequested = true; });
  FCalculation.setCancelFlag(&FCancelRequested);
  FCalculation.setProgressReport([this](const TKaloProgress& Progress) {
    if (Progress.Elapsed >= ProgressDelay) BusyStatus(Progress.Text);
    QCoreApplication::processEvents();
  });
  TKaloScriptSettings settings = FCalculation.ScriptSettings();
  settings.EvaluationBudget = ConfiguredEvaluationBudget();
  FCalculation.setScriptSettings(settings);
}

void TfrmRootFinding2D::CalculateGated(const TKaloCalculationInput& Input) {
  try {
    const TKaloCalculationGate gate(FCancelRequested, *FView.CancelButton);
    FCalculation.Execute(Input, [this, &Input] {
      RememberCalculatedTask(Input);
      RebuildPlot();
    });
    ShowCalculationNotes();
  } catch (const ECalculationCancelled&) {
    ASP().StatusMessage(QString::fromUtf8(MsgCalculationCancelled));
  }
}

// Nodes without a value leave holes in the table and the plot that need a word in the
// status bar (a function without any value is an error of the calculation). A proof
// asked for but not possible (a Lua script) is noted there too.
// Each note is a sentence of its own; the root count is the first.
void TfrmRootFinding2D::ShowCalculationNotes() {
  QStringList notes;
  if (const QString count = FCalculation.RootCountNote(); !count.isEmpty()) notes << count + u'.';
  notes << FCalculation.NoValueNote();
  if (const QString bound = FCalculation.ErrorBoundNote(); !bound.isEmpty())
    notes << bound + QStringLiteral(
                         " Für relative Genauigkeit: in den Eigenschaften absolute Fehlerschranke 0, "
                         "relative 1E-18.");
  notes << FCalculation.ProofNote();
  notes.removeAll(QString());
  ASP().StatusMessage(notes.join(u' '));
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
  FPlot2D.Update(FCalculation, [this](const QString& Text) { BusyStatus(Text); });
  RenderPlot();
}

void TfrmRootFinding2D::RenderPlot() {
  FView.GraphImage->ShowMetafile(FPlot2D.Render(FView.GraphImage->size()));
  UpdateHighlight();
}

void TfrmRootFinding2D::UpdateHighlight() {
  const std::optional<int> mark = RootMarkOfRow(FmemRoot, FmemRoot.RecNo());
  FView.GraphImage->setHighlight(mark ? FPlot2D.RootMarkPixel(*mark) : std::nullopt, TKaloRootPlot::RootMarkRadius());
}

void TfrmRootFinding2D::ShowStatusTip(const QString& Text) {
  // The tip travels up to the main window, which shows it in its status bar.
  QStatusTipEvent tip(Text);
  QCoreApplication::sendEvent(FView.GraphImage, &tip);
}

void TfrmRootFinding2D::imgGraphPointerMoved(QPoint Pos) {
  const std::optional<TKaloPlotReading> reading = FPlot2D.ReadingAt(Pos);
  ShowStatusTip(reading ? PlotReadingText(*reading, FmemRoot) : QString());
}

void TfrmRootFinding2D::imgGraphClicked(QPoint Pos) {
  const std::optional<int> mark = FPlot2D.RootMarkAt(Pos);
  if (!mark) return;
  const int row = RootRowOfMark(FmemRoot, *mark);
  if (row >= 0) FmemRoot.setRecNo(row);
}

// The range zoomed away from is remembered only when the new one was calculated, so
// that "Zurück" never returns to a range the plot did not leave.
void TfrmRootFinding2D::imgGraphDragged(QPoint From, QPoint To) {
  const std::optional<TKaloXRange> range = FPlot2D.XRangeBetween(From.x(), To.x());
  if (!range) return;
  const TKaloXRange shown{FCalculatedTask.xMin(), FCalculatedTask.xMax()};
  if (CalculateRange(*range)) FRangeHistory.Push(shown);
  UpdateActions();
}

void TfrmRootFinding2D::actZoomBackExecute() {
  if (const std::optional<TKaloXRange> range = FRangeHistory.Pop()) CalculateRange(*range);
  UpdateActions();
}

bool TfrmRootFinding2D::CalculateRange(const TKaloXRange& Range) {
  FView.xMinEdit->setValue(static_cast<double>(Range.Min));
  FView.xMaxEdit->setValue(static_cast<double>(Range.Max));
  const TKaloXRange before{FCalculatedTask.xMin(), FCalculatedTask.xMax()};
  actCalculate->trigger();
  return TKaloXRange{FCalculatedTask.xMin(), FCalculatedTask.xMax()} != before;
}

// The table's views are reset while it is read, which loses a selection of several
// rows; it is selected again.
void TfrmRootFinding2D::actCopyRootsExecute() {
  RunShowingErrors([this] {
    QItemSelectionModel* selection = FView.RootsGrid->selectionModel();
    std::vector<int> rows;
    for (const QModelIndex& index : selection->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(RootsClipboardText(FmemRoot, rows));
    const QAbstractItemModel& model = *FView.RootsGrid->model();
    QItemSelection again;
    for (const int row : rows) again.select(model.index(row, 0), model.index(row, model.columnCount() - 1));
    selection->select(again, QItemSelectionModel::ClearAndSelect);
  });
}

void TfrmRootFinding2D::pnlGraphResize() {
  RunShowingErrors([this] { RunBusy(*this, QStringLiteral("Grafik zeichnen ..."), [this] { RenderPlot(); }); });
}

void TfrmRootFinding2D::actCopyGraphicExecute() {
  RunShowingErrors([this] { CopyMetafileToClipboard(FPlot2D.Plot2D().MetaFile()); });
}

void TfrmRootFinding2D::actSaveGraphicExecute() {
  RunShowingErrors([this] { SaveGraphic(); });
}

void TfrmRootFinding2D::SaveGraphic() {
  dlgSaveGraphic.Directory = FRecentLists.Folder(TKaloRecentPlace::Graphic, GetPicturesFolder());
  const QString fileName = ExecuteFileDialog(dlgSaveGraphic);
  if (fileName.isEmpty()) return;
  dlgSaveGraphic.FileName = QFileInfo(fileName).fileName();
  RunBusy(*this, QStringLiteral("Grafik wird abgespeichert ..."), [&] {
    FPlot2D.Plot2D().MetaFile().ExportToFile(fileName);
    FRecentLists.RememberFolder(TKaloRecentPlace::Graphic, fileName);
  });
}

bool TfrmRootFinding2D::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress && txtFctDefKeyPress(static_cast<QKeyEvent*>(Event))) return true;
  return TfrmqorVCLWINFormBase::eventFilter(Watched, Event);
}

bool TfrmRootFinding2D::txtFctDefKeyPress(QKeyEvent* Event) {
  if (Event->key() != Qt::Key_Return && Event->key() != Qt::Key_Enter) return false;
  actCalculate->trigger();
  return true;
}

// Only a file that opened is listed, and one that failed is taken off the list, so
// that the list offers nothing that does not open; a configuration that cannot be
// written is reported, but it does not keep the user from the file.
void TfrmRootFinding2D::OpenTaskFile(const QString& FileName) {
  if (!MayPutTaskAside()) return;
  try {
    RunBusy(*this, QStringLiteral("Funktion wird geladen ..."), [&] { LoadTaskFile(FileName, *FRootFinder); });
  } catch (...) {
    RunShowingErrors([&] { FRecentLists.RemoveFile(FileName); });
    throw;
  }
  RunShowingErrors([&] { FRecentLists.AddFile(FileName); });
  setTaskFileName(FileName);
  RefreshFields();
  actCalculate->trigger();
}

void TfrmRootFinding2D::OpenFile(const QString& FileName) { OpenTaskFile(FileName); }

void TfrmRootFinding2D::ProposeTaskFileName(TqorFileDialogRequest& Dialog) {
  if (!FRootFinder->Name().isEmpty()) Dialog.FileName = RemoveInvalidFileNameChars(FRootFinder->Name());
}

QString TfrmRootFinding2D::AskFileName(TqorFileDialogRequest& Dialog, TKaloRecentPlace Place) {
  Dialog.Directory = FRecentLists.Folder(Place, DocumentsFolder());
  const QString fileName = ExecuteFileDialog(Dialog);
  if (!fileName.isEmpty()) Dialog.FileName = QFileInfo(fileName).fileName();
  return fileName;
}

void TfrmRootFinding2D::actOpenFunctionExecute() {
  RunShowingErrors([this] {
    ProposeTaskFileName(dlgOpenFunction);
    const QString fileName = AskFileName(dlgOpenFunction, TKaloRecentPlace::Function);
    if (fileName.isEmpty()) return;
    OpenTaskFile(fileName);
    FRecentLists.RememberFolder(TKaloRecentPlace::Function, fileName);
  });
}

void TfrmRootFinding2D::actSaveFunctionExecute() {
  RunShowingErrors([this] {
    TakeFields();
    ProposeTaskFileName(dlgSaveFunction);
    const QString fileName = AskFileName(dlgSaveFunction, TKaloRecentPlace::Function);
    if (!fileName.isEmpty()) SaveTask(fileName);
  });
}

// A saved file becomes a new top entry, even when it is listed already.
void TfrmRootFinding2D::SaveTask(const QString& FileName) {
  SaveTaskFile(FileName, *FRootFinder);
  setTaskFileName(FileName);
  FRecentLists.RememberFolder(TKaloRecentPlace::Function, FileName);
  FRecentLists.AddFile(FileName);
}

void TfrmRootFinding2D::setTaskFileName(const QString& FileName) {
  FTaskFileName = FileName;
  setWindowModified(false);
  UpdateCaption();
}

void TfrmRootFinding2D::UpdateCaption() {
  const QString file = FTaskFileName.isEmpty() ? QString()
                                               : QStringLiteral(" - ") + QFileInfo(FTaskFileName).fileName();
  setWindowTitle(Caption + file + QStringLiteral("[*]"));
}

void TfrmRootFinding2D::MarkEdited() { setWindowModified(true); }

// The task's file, its name, or the window's caption: what the user knows the task by.
QString TfrmRootFinding2D::TaskTitle() const {
  if (!FTaskFileName.isEmpty()) return QFileInfo(FTaskFileName).fileName();
  return FRootFinder->Name().isEmpty() ? Caption : FRootFinder->Name();
}

// Saving goes to the task's file without a dialog; a task without one asks for it, and
// a cancelled dialog keeps the task as a cancelled question does.
bool TfrmRootFinding2D::MayPutTaskAside() {
  if (!isWindowModified()) return true;
  switch (AskToSaveChanges(this, TaskTitle())) {
    case TSaveChangesAnswer::Discard:
      return true;
    case TSaveChangesAnswer::Cancel:
      return false;
    case TSaveChangesAnswer::Save:
      break;
  }
  bool saved = false;
  RunShowingErrors([&] {
    TakeFields();
    QString fileName = FTaskFileName;
    if (fileName.isEmpty()) {
      ProposeTaskFileName(dlgSaveFunction);
      fileName = AskFileName(dlgSaveFunction, TKaloRecentPlace::Function);
    }
    if (fileName.isEmpty()) return;
    SaveTask(fileName);
    saved = true;
  });
  return saved;
}

void TfrmRootFinding2D::closeEvent(QCloseEvent* Event) {
  if (!MayPutTaskAside()) {
    Event->ignore();
    return;
  }
  TfrmqorVCLWINFormBase::closeEvent(Event);
}

void TfrmRootFinding2D::actSaveRootsExecute() {
  RunShowingErrors([this] {
    const QString fileName = AskFileName(dlgSaveRoots, TKaloRecentPlace::Values);
    if (fileName.isEmpty()) return;
    RunBusy(*this, QStringLiteral("Werte werden abgespeichert ..."), [&] {
      SaveRootsFile(fileName, FmemRoot);
      FRecentLists.RememberFolder(TKaloRecentPlace::Values, fileName);
    });
  });
}

void TfrmRootFinding2D::actSaveExtremaExecute() {
  RunShowingErrors([this] {
    const QString fileName = AskFileName(dlgSaveExtrema, TKaloRecentPlace::Values);
    if (fileName.isEmpty()) return;
    RunBusy(*this, QStringLiteral("Werte werden abgespeichert ..."), [&] {
      SaveExtremaFile(fileName, FmemExtrema);
      FRecentLists.RememberFolder(TKaloRecentPlace::Values, fileName);
    });
  });
}

void TfrmRootFinding2D::actSaveValuesExecute() {
  RunShowingErrors([this] {
    const QString fileName = AskFileName(dlgSaveValues, TKaloRecentPlace::Values);
    if (fileName.isEmpty()) return;
    RunBusy(*this, QStringLiteral("Werte werden aufbereitet ..."), [&] {
      SaveValuesFile(fileName, FCalculation);
      BusyStatus(QStringLiteral("Werte werden abgespeichert ..."));
      FRecentLists.RememberFolder(TKaloRecentPlace::Values, fileName);
    });
  });
}

// The dialog shows what the fields show now, not what the task held before.
void TfrmRootFinding2D::actEditPropertiesExecute() {
  RunShowingErrors([this] {
    TakeFields();
    TfrmRootFinding2DProperties dialog(this);
    dialog.setRootFinder(FRootFinder.get());
    const TTaskFields before = FieldsOf(*FRootFinder);
    if (dialog.exec() != QDialog::Accepted) return;
    if (FieldsOf(*FRootFinder) != before) MarkEdited();
    RefreshFields();
    actCalculate->trigger();
  });
}

void TfrmRootFinding2D::RecentFileClick(const QString& FileName) {
  RunShowingErrors([&] { OpenTaskFile(FileName); });
}
