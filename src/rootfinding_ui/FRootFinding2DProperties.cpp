#include "FRootFinding2DProperties.h"

#include "KaloPersistentTypes.h"
#include "qorAppErrorDisplay.h"
#include "qorException.h"
#include "qorNumEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// The dialog's layout in pixels, as designed at 96 dpi.
constexpr int ClientWidth = 414;
constexpr int ClientHeight = 264;
constexpr int ButtonBarHeight = 32;
constexpr int PageMargin = 8;
// The error bounds are shown in exponent form with this many decimals.
constexpr int ErrorBoundDecimals = 10;

// The script field shows code, so its columns line up.
const QString ScriptFontFamily = QStringLiteral("Courier New");
constexpr int ScriptFontPoints = 10;

const QString Caption = QStringLiteral("Eigenschaften Nullstellensuche");
const QString CRLF = QStringLiteral("\r\n");
const QString LF = QStringLiteral("\n");

QLabel* BuddyLabel(const char* Text, QWidget* Buddy) {
  auto* label = new QLabel(QString::fromUtf8(Text));
  label->setBuddy(Buddy);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

template <class TField>
TField* Named(TField* Field, const char* Name) {
  Field->setObjectName(QString::fromLatin1(Name));
  return Field;
}

// A number field; Title names it in the message about a text that is no number.
TqorNumEdit* NumEdit(const char* Name, const char* Title) {
  auto* field = Named(new TqorNumEdit, Name);
  field->setAccessibleName(QString::fromUtf8(Title));
  return field;
}

TqorNumEdit* ErrorBoundEdit(const char* Name, const char* Title) {
  auto* field = NumEdit(Name, Title);
  field->setNotation(TqorNumEdit::TNotation::Scientific);
  field->setDecimals(ErrorBoundDecimals);
  return field;
}

// The task's real as long as Field still holds the value it was shown as, so that a
// field that was not edited changes nothing, not even the digits beyond a double.
Extended Taken(Extended TaskValue, const TqorNumEdit& Field) {
  const double value = Field.Value();
  return value == static_cast<double>(TaskValue) ? TaskValue : value;
}

// A field that may be typed into has the normal background; one that only shows its
// text has the tooltip colour, as in the root-finding window.
template <class TField>
void SetEditable(TField& Field, bool Editable) {
  Field.setReadOnly(!Editable);
  QPalette palette;
  if (!Editable) palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  Field.setPalette(palette);
}
}  // namespace

// ----------------------------------------------------------- TfrmRootFinding2DProperties

TfrmRootFinding2DProperties::TfrmRootFinding2DProperties(QWidget* Owner) : TqorFormBaseOf<QDialog>(Owner) {
  setWindowTitle(Caption);
  pc = new QTabWidget;
  pc->setObjectName(QStringLiteral("pc"));
  pc->addTab(CreateCommonPage(), QStringLiteral("Allgemein"));
  pc->addTab(CreateFunctionPage(), QStringLiteral("Funktion"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(pc, 1);
  layout->addWidget(CreateButtonBar());
  resize(ClientWidth, ClientHeight);
  pc->setCurrentWidget(tsCommon);
}

QWidget* TfrmRootFinding2DProperties::CreateCommonPage() {
  tsCommon = Named(new QWidget, "tsCommon");
  txtName = Named(new QLineEdit, "txtName");
  txtXmin = NumEdit("txtXmin", "x-Werte von");
  txtXmax = NumEdit("txtXmax", "x-Werte bis");
  txtNodeCount = NumEdit("txtNodeCount", "Stützstellen");
  txtNodeCount->setDecimals(0);
  txtNodeCount->setLimits(MinNodeCount, MaxNodeCount);
  txtAbsError = ErrorBoundEdit("txtAbsError", "Absolute Fehlerschranke");
  txtRelError = ErrorBoundEdit("txtRelError", "Relative Fehlerschranke");
  chkTouchingRoots = Named(new QCheckBox(QStringLiteral("Berührstellen s&uchen")), "chkTouchingRoots");
  chkProveRoots = Named(new QCheckBox(QStringLiteral("Nullstellen bew&eisen")), "chkProveRoots");

  auto* grid = new QGridLayout(tsCommon);
  grid->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
  grid->addWidget(BuddyLabel("Name:", txtName), 0, 0);
  grid->addWidget(txtName, 0, 1, 1, 3);
  grid->addWidget(BuddyLabel("x-Werte &von:", txtXmin), 1, 0);
  grid->addWidget(txtXmin, 1, 1);
  grid->addWidget(BuddyLabel("x-Werte &bis:", txtXmax), 1, 2);
  grid->addWidget(txtXmax, 1, 3);
  grid->addWidget(BuddyLabel("&Stützstellen:", txtNodeCount), 2, 0);
  grid->addWidget(txtNodeCount, 2, 1);
  grid->addWidget(BuddyLabel("&Absolute Fehlerschranke:", txtAbsError), 3, 0);
  grid->addWidget(txtAbsError, 3, 1, 1, 2);
  grid->addWidget(BuddyLabel("&Relative Fehlerschranke:", txtRelError), 4, 0);
  grid->addWidget(txtRelError, 4, 1, 1, 2);
  grid->addWidget(chkTouchingRoots, 5, 1, 1, 3);
  grid->addWidget(CreateSearchBox(), 6, 0, 1, 4);
  grid->addWidget(chkProveRoots, 7, 1, 1, 3);
  grid->setRowStretch(7, 1);
  grid->setColumnStretch(3, 1);
  setTabOrder(txtName, txtXmin);
  setTabOrder(txtXmin, txtXmax);
  setTabOrder(txtXmax, txtNodeCount);
  setTabOrder(txtNodeCount, txtAbsError);
  setTabOrder(txtAbsError, txtRelError);
  setTabOrder(txtRelError, chkTouchingRoots);
  setTabOrder(chkTouchingRoots, chkProveRoots);
  return tsCommon;
}

// Roots only at first, as a task without the choice has always been calculated.
QWidget* TfrmRootFinding2DProperties::CreateSearchBox() {
  auto* box = Named(new QGroupBox(QStringLiteral("Suchen")), "grpSearch");
  chkFindRoots = Named(new QCheckBox(QStringLiteral("&Nullstellen")), "chkFindRoots");
  chkFindExtrema = Named(new QCheckBox(QStringLiteral("&Extrema")), "chkFindExtrema");
  chkFindInflection = Named(new QCheckBox(QStringLiteral("&Wendepunkte")), "chkFindInflection");
  chkShowDerivatives = Named(new QCheckBox(QStringLiteral("Ableitungen &zeigen")), "chkShowDerivatives");
  auto* row = new QHBoxLayout(box);
  for (QCheckBox* check : {chkFindRoots, chkFindExtrema, chkFindInflection, chkShowDerivatives}) row->addWidget(check);
  row->addStretch(1);
  return box;
}

QWidget* TfrmRootFinding2DProperties::CreateFunctionPage() {
  tsFunction = Named(new QWidget, "tsFunction");
  optSimpleScript = Named(new QRadioButton(QStringLiteral("Einfache Funktionsbeschreibung")), "optSimpleScript");
  txtFct = Named(new QLineEdit, "txtFct");
  optScript = Named(new QRadioButton(QStringLiteral("Vollständige Lua-Funktion der Form "
                                                    "\"function fct(x) return (...); end;\"")),
                    "optScript");
  txtScript = Named(new QPlainTextEdit, "txtScript");
  QFont font(ScriptFontFamily, ScriptFontPoints);
  font.setStyleHint(QFont::TypeWriter);
  txtScript->setFont(font);
  txtScript->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Tab moves on to the next field, as in every other field of the dialog.
  txtScript->setTabChangesFocus(true);
  for (QRadioButton* option : {optSimpleScript, optScript})
    connect(option, &QRadioButton::toggled, this, [this](bool Checked) {
      if (Checked) optSimpleScriptClick();
    });

  auto* fct = new QHBoxLayout;
  fct->addWidget(BuddyLabel("&Funktion: f(x) = ", txtFct));
  fct->addWidget(txtFct, 1);
  auto* layout = new QVBoxLayout(tsFunction);
  layout->setContentsMargins(PageMargin, PageMargin, PageMargin, PageMargin);
  layout->addWidget(optSimpleScript);
  layout->addLayout(fct);
  layout->addWidget(optScript);
  layout->addWidget(txtScript, 1);
  return tsFunction;
}

QWidget* TfrmRootFinding2DProperties::CreateButtonBar() {
  // The buttons belong to the dialog from the start: only then does OK become the
  // dialog's default button rather than the first button that ever has the focus.
  auto* bar = new QWidget(this);
  bar->setFixedHeight(ButtonBarHeight);
  cmdCancel = Named(new QPushButton(QStringLiteral("Abbruch"), bar), "cmdCancel");
  cmdOK = Named(new QPushButton(QStringLiteral("OK"), bar), "cmdOK");
  cmdOK->setDefault(true);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(cmdOK, &QPushButton::clicked, this, &TfrmRootFinding2DProperties::cmdOKClick);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(PageMargin, 0, PageMargin, 0);
  layout->addStretch(1);
  layout->addWidget(cmdCancel);
  layout->addWidget(cmdOK);
  return bar;
}

QString TfrmRootFinding2DProperties::FullScriptOf(const QString& Expression) {
  return QStringLiteral("function fct(x)") + CRLF + QStringLiteral("  return (") + Expression + QStringLiteral(");") +
         CRLF + QStringLiteral("end;");
}

void TfrmRootFinding2DProperties::showEvent(QShowEvent* Event) {
  TqorFormBaseOf<QDialog>::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}

void TfrmRootFinding2DProperties::FormShow() {
  pc->setCurrentWidget(tsCommon);
  txtName->setFocus();
  if (!FRootFinder) return;
  txtName->setText(FRootFinder->Name());
  txtXmin->setValue(static_cast<double>(FRootFinder->xMin()));
  txtXmax->setValue(static_cast<double>(FRootFinder->xMax()));
  txtNodeCount->setValue(FRootFinder->NodeCount());
  txtAbsError->setValue(static_cast<double>(FRootFinder->AbsErrorBound()));
  txtRelError->setValue(static_cast<double>(FRootFinder->RelErrorBound()));
  chkTouchingRoots->setChecked(FRootFinder->TouchingRoots());
  chkProveRoots->setChecked(FRootFinder->ProveRoots());
  const TKaloCurveSearch& search = FRootFinder->CurveSearch();
  chkFindRoots->setChecked(search.Roots);
  chkFindExtrema->setChecked(search.Extrema);
  chkFindInflection->setChecked(search.Inflection);
  chkShowDerivatives->setChecked(search.Derivatives);
  const TKaloPersistFunction& function = FRootFinder->RootFunction();
  const bool simple = function.SimpleScript();
  txtFct->setText(simple ? function.FunctionScript() : QString());
  const QString script = simple ? FullScriptOf(function.FunctionScript()) : function.FunctionScript();
  // The editor keeps its lines apart by itself; CR LF comes back on OK.
  txtScript->setPlainText(QString(script).replace(CRLF, LF));
  (simple ? optSimpleScript : optScript)->setChecked(true);
  optSimpleScriptClick();
}

void TfrmRootFinding2DProperties::optSimpleScriptClick() {
  const bool simple = optSimpleScript->isChecked();
  SetEditable(*txtFct, simple);
  SetEditable(*txtScript, !simple);
}

// A field whose text is no number keeps the dialog open: its old value must not be
// stored in its place, nor 0.
bool TfrmRootFinding2DProperties::FieldsHoldNumbers() {
  for (TqorNumEdit* field : {txtXmin, txtXmax, txtNodeCount, txtAbsError, txtRelError}) {
    if (field->Problem().isEmpty()) continue;
    pc->setCurrentWidget(tsCommon);
    field->setFocus();
    field->selectAll();
    ShowException(EConvertError(NotANumberMessage(*field)));
    return false;
  }
  return true;
}

void TfrmRootFinding2DProperties::cmdOKClick() {
  if (!FieldsHoldNumbers()) return;
  if (FRootFinder) {
    FRootFinder->setName(txtName->text());
    FRootFinder->setxMin(Taken(FRootFinder->xMin(), *txtXmin));
    FRootFinder->setxMax(Taken(FRootFinder->xMax(), *txtXmax));
    FRootFinder->setNodeCount(txtNodeCount->AsInteger());
    FRootFinder->setAbsErrorBound(Taken(FRootFinder->AbsErrorBound(), *txtAbsError));
    FRootFinder->setRelErrorBound(Taken(FRootFinder->RelErrorBound(), *txtRelError));
    FRootFinder->setTouchingRoots(chkTouchingRoots->isChecked());
    FRootFinder->setProveRoots(chkProveRoots->isChecked());
    FRootFinder->setCurveSearch({chkFindRoots->isChecked(), chkFindExtrema->isChecked(), chkFindInflection->isChecked(),
                                 chkShowDerivatives->isChecked()});
    TKaloPersistFunction& function = FRootFinder->RootFunction();
    const bool simple = optSimpleScript->isChecked();
    function.setSimpleScript(simple);
    function.setFunctionScript(simple ? txtFct->text() : txtScript->toPlainText().replace(LF, CRLF));
  }
  accept();
}
