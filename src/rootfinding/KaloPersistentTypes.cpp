#include "KaloPersistentTypes.h"
#include "ScriptUtil.h"

#include "qorException.h"
#include "qorFileUtils.h"
#include "qorFloatFaults.h"
#include "qorProofDigits.h"
#include "qorStrUtils.h"
#include "qorValue.h"
#include "qorXMLDoc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {
const char* const ElemFunction = "Function";
const char* const AttrSimpleScript = "SimpleScript";
const char* const AttrScript = "Script";
const char* const AttrxMin = "xMin";
const char* const AttrxMax = "xMax";
const char* const AttrAbsErrorBound = "AbsErrorBound";
const char* const AttrRelErrorBound = "RelErrorBound";
const char* const AttrNodeCount = "NodeCount";
const char* const AttrTouchingRoots = "TouchingRoots";
const char* const AttrProveRoots = "ProveRoots";
const char* const AttrProofDigits = "ProofDigits";
const char* const AttrFindRoots = "FindRoots";
const char* const AttrFindExtrema = "FindExtrema";
const char* const AttrFindInflection = "FindInflection";
const char* const AttrShowDerivatives = "ShowDerivatives";

const char* const MsgAttribute = "Attribut '%1': %2";
// A real beyond the double range, which the file cannot hold.
const char* const MsgNoDouble = "'%1' ist kein gültiger Gleitkommawert.";
const char* const MsgNotStorable =
    "Der Wert %1 kann nicht gespeichert werden: nur endliche Zahlen bis etwa 1.8E+308 sind möglich.";

const QString LF = QStringLiteral("\n");
const QString CRLF = QStringLiteral("\r\n");

// X rounded to double; infinite when X lies beyond the double range.
double RoundedToDouble(Extended X) {
  // Rounding an out-of-range value would leave an overflow flag for later arithmetic.
  TFloatEnvGuard guard;
  return static_cast<double>(X);
}

// The most significant digits a double needs to be read back as itself.
constexpr int DoubleDigits = 17;

// The text of a finite double: 15 digits, or more where 15 round beyond the largest
// double (1.79769313486232E+308), which could never be read back.
QString FileRealText(double X) {
  for (int digits = ExpTextDigits;; ++digits) {
    const QString text = FloatToExpText(X, digits);
    if (digits >= DoubleDigits || std::isfinite(ExpTextToDouble(text))) return text;
  }
}

// The file holds doubles, so a real is rounded to double before it is written. A real
// without a finite double would give a file that cannot be read back, so it is refused
// before anything is written.
TqorValue AsFileReal(const char* Name, Extended X) {
  const double rounded = RoundedToDouble(X);
  if (!std::isfinite(rounded)) {
    const QString reason = QString::fromUtf8(MsgNotStorable).arg(FormatValue(TqorValue(X)));
    throw EConvertError(QString::fromUtf8(MsgAttribute).arg(QString::fromLatin1(Name), reason).toStdString());
  }
  return FileRealText(rounded);
}

// The attribute's text, or nothing when it is missing.
std::optional<QString> AttributeText(TqorXMLNode& Elem, const char* Name) {
  const pugi::xml_attribute attribute = Elem.GetAttribute(Name);
  if (!attribute) return std::nullopt;
  return QString::fromUtf8(attribute.value());
}

// Read(text) for the attribute's text, or Present when the attribute is missing. A
// conversion error names the attribute.
template <class T, class F>
T ReadAttribute(TqorXMLNode& Elem, const char* Name, T Present, F Read) {
  const std::optional<QString> text = AttributeText(Elem, Name);
  if (!text) return Present;
  try {
    return Read(*text);
  } catch (const EConvertError& e) {
    throw EConvertError(
        QString::fromUtf8(MsgAttribute).arg(QString::fromLatin1(Name), QString::fromUtf8(e.what())).toStdString());
  }
}

// True when Text, a real beyond the double range, is no further out than 15 digits of
// the largest double: the program wrote the largest doubles so before it wrote more digits.
bool IsRoundedLargestDouble(const QString& Text) {
  static const Extended largest = ExpTextToFloat(FloatToExpText(std::numeric_limits<double>::max()));
  TFloatEnvGuard guard;  // the parse of a huge text may raise the overflow flag
  return std::fabs(ExpTextToFloat(Text)) <= largest;
}

// A real of the file, rounded once to double as it was written (and as the window's
// fields and kaloroots read a number). Blank text is no real.
Extended TextToFileReal(const QString& Text) {
  const double rounded = ExpTextToDouble(Text);
  if (!std::isinf(rounded)) return rounded;
  if (IsRoundedLargestDouble(Text)) return std::copysign(std::numeric_limits<double>::max(), rounded);
  throw EConvertError(QString::fromUtf8(MsgNoDouble).arg(TextExcerpt(Text)).toStdString());
}

Extended ReadReal(TqorXMLNode& Elem, const char* Name, Extended Present) {
  return ReadAttribute(Elem, Name, Present, TextToFileReal);
}

// Blank text is no integer either.
int ReadInteger(TqorXMLNode& Elem, const char* Name, int Present) {
  return ReadAttribute(Elem, Name, Present, [](const QString& Text) { return ValueAsInteger(Text, 0); });
}

// Each choice only where it differs from the default.
void WriteCurveSearch(TqorXMLNode& Elem, const TKaloCurveSearch& Search) {
  const TKaloCurveSearch standard;
  if (Search.Roots != standard.Roots) Elem.CreateAttribute(AttrFindRoots, Search.Roots);
  if (Search.Extrema != standard.Extrema) Elem.CreateAttribute(AttrFindExtrema, Search.Extrema);
  if (Search.Inflection != standard.Inflection) Elem.CreateAttribute(AttrFindInflection, Search.Inflection);
  if (Search.Derivatives != standard.Derivatives) Elem.CreateAttribute(AttrShowDerivatives, Search.Derivatives);
}

// A missing choice is the default, as for tasks stored before the choice existed.
TKaloCurveSearch ReadCurveSearch(TqorXMLNode& Elem) {
  TKaloCurveSearch search;
  for (auto [name, field] :
       {std::pair{AttrFindRoots, &search.Roots}, std::pair{AttrFindExtrema, &search.Extrema},
        std::pair{AttrFindInflection, &search.Inflection}, std::pair{AttrShowDerivatives, &search.Derivatives}}) {
    const bool standard = *field;
    *field = ReadAttribute(Elem, name, standard,
                           [standard](const QString& Text) { return ValueAsBool(Text, standard); });
  }
  return search;
}

void NameAfterFile(TKaloPersistRootFinding& Task, const QString& FileName) {
  if (Task.Name().isEmpty()) Task.setName(FileBaseName(FileName));
}
}  // namespace

const char* const TKaloPersistFunction::DefaultFunctionScript = "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6";

QString TKaloPersistFunction::LuaText() const {
  if (!FSimpleScript) return FFunctionScript;
  return ExpressionScript(FFunctionScript);
}

void TKaloPersistFunction::WriteToElement(TqorXMLNode& Elem) const {
  Elem.CreateElement(ElemFunction);
  TKaloPersistentType::WriteToElement(Elem);
  Elem.CreateAttribute(AttrSimpleScript, FSimpleScript);
  Elem.CreateAttribute(AttrScript, FFunctionScript);
}

void TKaloPersistFunction::ReadFromElement(TqorXMLNode& Elem) {
  Elem.GetNodeByName(ElemFunction);
  TKaloPersistentType::ReadFromElement(Elem);
  FSimpleScript = ReadAttribute(Elem, AttrSimpleScript, true,
                                [](const QString& Text) { return ValueAsBool(Text, true); });
  FFunctionScript = FormatValue(Elem.GetAttributeValue(AttrScript, FFunctionScript));
  // The file gives line breaks back as LF; a full script is edited with CR LF.
  if (!FSimpleScript) FFunctionScript = ReplaceAllText(FFunctionScript, LF, CRLF);
}

// The default absolute bound is two machine epsilons: as tight as the solvers can
// meaningfully go.
TKaloPersistRootFinding::TKaloPersistRootFinding()
    : FRootFunction(std::make_unique<TKaloPersistFunction>()), FAbsErrorBound(2 * MachineEpsilon()) {}

void TKaloPersistRootFinding::Assign(const TKaloPersistRootFinding& Source) {
  *FRootFunction = *Source.FRootFunction;
  FxMin = Source.FxMin;
  FxMax = Source.FxMax;
  FAbsErrorBound = Source.FAbsErrorBound;
  FRelErrorBound = Source.FRelErrorBound;
  FNodeCount = Source.FNodeCount;
  FTouchingRoots = Source.FTouchingRoots;
  FProveRoots = Source.FProveRoots;
  FProofDigits = Source.FProofDigits;
  FCurveSearch = Source.FCurveSearch;
}

void TKaloPersistRootFinding::WriteToElement(TqorXMLNode& Elem) const {
  Elem.CreateAttribute(AttrxMin, AsFileReal(AttrxMin, FxMin));
  Elem.CreateAttribute(AttrxMax, AsFileReal(AttrxMax, FxMax));
  Elem.CreateAttribute(AttrAbsErrorBound, AsFileReal(AttrAbsErrorBound, FAbsErrorBound));
  Elem.CreateAttribute(AttrRelErrorBound, AsFileReal(AttrRelErrorBound, FRelErrorBound));
  Elem.CreateAttribute(AttrNodeCount, FNodeCount);
  // Written only when set, so that a task without the search is saved as it always was.
  if (FTouchingRoots) Elem.CreateAttribute(AttrTouchingRoots, true);
  if (FProveRoots) Elem.CreateAttribute(AttrProveRoots, true);
  if (FProofDigits > 0) Elem.CreateAttribute(AttrProofDigits, FProofDigits);
  WriteCurveSearch(Elem, FCurveSearch);
  FRootFunction->WriteToElement(Elem);
}

// A file that fails half-way must not leave a task that is half the old one and half
// the file's, so the file is read into a copy that is taken over only as a whole.
void TKaloPersistRootFinding::ReadFromElement(TqorXMLNode& Elem) {
  TKaloPersistRootFinding read;
  read.Assign(*this);
  read.ReadFields(Elem);
  Assign(read);
}

void TKaloPersistRootFinding::ReadFields(TqorXMLNode& Elem) {
  FxMin = ReadReal(Elem, AttrxMin, FxMin);
  FxMax = ReadReal(Elem, AttrxMax, FxMax);
  FAbsErrorBound = ReadReal(Elem, AttrAbsErrorBound, FAbsErrorBound);
  FRelErrorBound = ReadReal(Elem, AttrRelErrorBound, FRelErrorBound);
  FNodeCount = ReadInteger(Elem, AttrNodeCount, FNodeCount);
  // Tasks stored before the search existed run as they always did.
  FTouchingRoots = ReadAttribute(Elem, AttrTouchingRoots, false,
                                 [](const QString& Text) { return ValueAsBool(Text, false); });
  FProveRoots = ReadAttribute(Elem, AttrProveRoots, false,
                              [](const QString& Text) { return ValueAsBool(Text, false); });
  FProofDigits = std::clamp(ReadInteger(Elem, AttrProofDigits, 0), 0, MaxProofDigits);
  FCurveSearch = ReadCurveSearch(Elem);
  FRootFunction->ReadFromElement(Elem);
}

void SaveTaskFile(const QString& FileName, TKaloPersistRootFinding& Task) {
  NameAfterFile(Task, FileName);
  SavePersistentElement(FileName, TaskDocTypeName, Task);
}

void LoadTaskFile(const QString& FileName, TKaloPersistRootFinding& Task) {
  LoadPersistentElement(FileName, Task);
  NameAfterFile(Task, FileName);
}
