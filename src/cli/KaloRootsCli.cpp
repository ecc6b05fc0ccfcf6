#include "KaloRootsCli.h"

#include "KaloExport.h"
#include "KaloRootCalculation.h"
#include "KaloRootsDrawing.h"
#include "ScriptUtil.h"
#include "qorException.h"
#include "qorFileIO.h"
#include "qorKaloZeroin.h"
#include "qorMemoryDataset.h"
#include "qorProofDigits.h"
#include "qorStrUtils.h"
#include "qorValue.h"
#include "qorVersionInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSize>
#include <QTextStream>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>

namespace {

// Zeroin's evaluation budget when --fmax is not given: the root finder's own.
constexpr int DefaultFMax = 10000;
// Enough significant digits for an Extended to survive a round trip through text.
constexpr int ExtendedDigits = 21;
// The plot's size without --size: as wide as a root-finding window, the height of a
// landscape picture on a page.
constexpr QSize DefaultPlotSize(779, 400);
// The largest side --size takes: a PNG of that size already needs 400 MB of memory.
constexpr int MaxPlotSide = 10000;
// The graphic kinds --plot writes, by extension.
const QStringList PlotSuffixes = {"wmf", "emf", "svg", "png", "pdf"};

const char* const MsgCannotReadScript = "Die Scriptdatei \"%1\" kann nicht gelesen werden: %2";

const char* const HelpText =
    "Aufruf:\n"
    "  kaloroots [--task DATEI] [--function AUSDRUCK | --script DATEI] [--xmin X] [--xmax X]\n"
    "            [--nodes N] [--abs E] [--rel E] [--values DATEI] [--roots DATEI]\n"
    "            [--save-task DATEI] [--plot DATEI [--size BxH]] [--report DATEI.pdf]\n"
    "            [--touching] [--format table|csv|json] [--time-limit SEKUNDEN]\n"
    "            [--prove [--digits N]]\n"
    "            [--extrema] [--inflection] [--derivatives] [--extrema-file DATEI]\n"
    "  kaloroots --zeroin A B --function AUSDRUCK [--abs E] [--rel E] [--fmax N] [--format ...]\n"
    "  kaloroots --help | --version\n"
    "\n"
    "Berechnet die Nullstellen von f(x) wie \"Berechnen\" im Fenster und gibt die\n"
    "Nullstellentabelle aus. Ohne Optionen wird die Standardaufgabe berechnet.\n"
    "\n"
    "  --task DATEI         Aufgabe aus einer Aufgabendatei (.nwd); die übrigen Optionen\n"
    "                       ändern einzelne Werte daraus\n"
    "  --function AUSDRUCK  Lua-Ausdruck in x, z. B. \"sin(x)\"\n"
    "  --script DATEI       vollständiges Lua-Script, das die Funktion fct(x) definiert\n"
    "  --xmin X, --xmax X   Suchbereich (Standard -2.5 bis 2.5)\n"
    "  --nodes N            Anzahl der Stützstellen, 10 bis 10000 (Standard 200)\n"
    "  --abs E, --rel E     absolute und relative Fehlerschranke\n"
    "  --touching           auch Berührstellen suchen (f berührt Null ohne Vorzeichenwechsel)\n"
    "  --prove              Nullstellen beweisen: jede Nullstelle mit einem Intervall, in dem\n"
    "                       sie bewiesen die einzige ist, nicht entschiedene Bereiche mit Grund;\n"
    "                       im übrigen Bereich hat f bewiesen keine Nullstelle (nur für\n"
    "                       einfache Ausdrücke in x; das Zeitlimit gilt für den ganzen Beweis)\n"
    "  --digits N           bewiesene Nullstellen mit N gültigen Stellen (1 bis 50) und Radius\n"
    "  --extrema            auch Maxima, Minima, Knicke, Sprünge und den größten und\n"
    "                       kleinsten Wert suchen (eigene Zeilen mit Kind)\n"
    "  --inflection         auch Wendepunkte und Sattelpunkte suchen\n"
    "  --values DATEI       Funktionswerte speichern, wie im Fenster; mit den Spalten\n"
    "                       f'(x) und f''(x), wenn sie berechnet wurden (--extrema,\n"
    "                       --inflection, --derivatives)\n"
    "  --derivatives        f'(x) und f''(x) auch ohne Suche berechnen (nur mit --values)\n"
    "  --roots DATEI        Nullstellentabelle speichern, wie im Fenster\n"
    "  --extrema-file DATEI Extrematabelle speichern, wie im Fenster (ohne Suche nach\n"
    "                       Extrema oder Wendepunkten nur ihre Kopfzeile)\n"
    "  --save-task DATEI    Aufgabe speichern; ohne Namen heißt sie wie die Datei\n"
    "  --plot DATEI         Grafik der Funktion und ihrer Nullstellen speichern: .wmf und\n"
    "                       .emf als Enhanced Metafile (wie im Fenster), .svg, .png, .pdf\n"
    "  --size BxH           Größe der Grafik in Pixeln (Standard 779x400)\n"
    "  --report DATEI.pdf   Bericht mit Aufgabe, Grafik und Nullstellen als PDF schreiben,\n"
    "                       wie die Vorschau im Fenster; die Vorlage ist, vom Programmordner\n"
    "                       aus, ../Config/Report/kaloPlot2D.fr3\n"
    "  --format F           table (Standard), csv oder json\n"
    "  --zeroin A B         nur das Zeroin-Verfahren auf [A, B]\n"
    "  --fmax N             höchstens N Funktionsaufrufe für --zeroin (Standard 10000)\n"
    "  --time-limit S       höchstens S Sekunden für eine Auswertung von f (Standard 10)\n"
    "\n"
    "Zahlen werden mit Punkt als Dezimaltrenner geschrieben; die Dateien von --values\n"
    "und --roots folgen wie im Fenster den Ländereinstellungen. Exit-Code 1 bei einem\n"
    "Fehler der Berechnung oder einer Datei, 2 bei einem Fehler im Aufruf, 130 nach\n"
    "Strg+C (dann wird keine Datei geschrieben).\n";

// A wrong command line.
class TUsageError : public Exception {
public:
  using Exception::Exception;
};

enum class TFormat { Table, Csv, Json };

struct TOptions {
  bool Help = false;
  bool Version = false;
  std::optional<QString> Function;
  std::optional<QString> ScriptFile;
  std::optional<QString> TaskFile, SaveTaskFile, ValuesFile, RootsFile, ExtremaFile, PlotFile, ReportFile;
  std::optional<QSize> PlotSize;
  std::optional<double> xMin, xMax, AbsErr, RelErr;
  std::optional<int> Nodes;
  bool Touching = false;
  bool Prove = false;
  std::optional<int> Digits;
  bool Extrema = false, Inflection = false, Derivatives = false;
  std::optional<std::pair<Extended, Extended>> Zeroin;
  int FMax = DefaultFMax;
  TFormat Format = TFormat::Table;
  std::chrono::milliseconds TimeLimit = DefaultEvaluationBudget;
};

[[noreturn]] void Usage(const QString& Message) { throw TUsageError(Message.toStdString()); }

bool NodeCountInRange(int Nodes) { return Nodes >= MinNodeCount && Nodes <= MaxNodeCount; }

QString NodeCountError(int Nodes) {
  return QStringLiteral("Die Anzahl der Stützstellen muss zwischen %1 und %2 liegen, nicht %3.")
      .arg(MinNodeCount)
      .arg(MaxNodeCount)
      .arg(Nodes);
}

[[noreturn]] void NoNumber(const QString& Option, const QString& Text) {
  Usage(
      QStringLiteral("%1 erwartet eine Zahl mit Punkt als Dezimaltrenner, nicht '%2'.").arg(Option, TextExcerpt(Text)));
}

// The window, the task file and Lua all hold doubles, so a value beyond their range is
// refused rather than turned into INF.
[[noreturn]] void NoFiniteNumber(const QString& Option, const QString& Text) {
  Usage(QStringLiteral("%1 erwartet eine endliche Zahl bis etwa 1.8E+308, nicht '%2'.").arg(Option, TextExcerpt(Text)));
}

// An interval end of --zeroin, which goes to the solver as it is.
Extended ParseReal(const QString& Option, const QString& Text) {
  Extended value = 0;
  try {
    value = ExpTextToFloat(Text);
  } catch (const EConvertError&) {
    NoNumber(Option, Text);
  }
  if (!IsFiniteReal(value)) NoFiniteNumber(Option, Text);
  return value;
}

// A range end or error bound of the task, rounded once to double as the window's fields
// and the task file hold it: a task run here, saved and run again in the window or
// here is the same task.
double ParseTaskReal(const QString& Option, const QString& Text) {
  double value = 0;
  try {
    value = ExpTextToDouble(Text);
  } catch (const EConvertError&) {
    NoNumber(Option, Text);
  }
  if (!std::isfinite(value)) NoFiniteNumber(Option, Text);
  return value;
}

int ParseInteger(const QString& Option, const QString& Text) {
  bool ok = false;
  const int value = Text.trimmed().toInt(&ok);
  if (!ok) Usage(QStringLiteral("%1 erwartet eine ganze Zahl, nicht '%2'.").arg(Option, TextExcerpt(Text)));
  return value;
}

// "WxH" with whole numbers from 1 to MaxPlotSide.
QSize ParseSize(const QString& Text) {
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(Text);
  const QSize size = m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
  if (size.isEmpty() || size.width() > MaxPlotSide || size.height() > MaxPlotSide)
    Usage(QStringLiteral("--size erwartet BxH, Breite und Höhe in Pixeln von 1 bis %1, nicht '%2'.")
              .arg(MaxPlotSide)
              .arg(TextExcerpt(Text)));
  return size;
}

QString ParsePlotFile(const QString& FileName) {
  if (!PlotSuffixes.contains(QFileInfo(FileName).suffix().toLower()))
    Usage(QStringLiteral("--plot schreibt .wmf, .emf, .svg, .png oder .pdf, nicht '%1'.").arg(TextExcerpt(FileName)));
  return FileName;
}

QString ParseReportFile(const QString& FileName) {
  if (QFileInfo(FileName).suffix().toLower() != QLatin1String("pdf"))
    Usage(QStringLiteral("--report schreibt eine .pdf-Datei, nicht '%1'.").arg(TextExcerpt(FileName)));
  return FileName;
}

// Seconds with a full stop, as every number of the command line.
std::chrono::milliseconds ParseTimeLimit(const QString& Text) {
  const auto budget = Text.contains(',') ? std::nullopt : EvaluationBudgetFromText(Text);
  if (!budget)
    Usage(QStringLiteral("--time-limit erwartet Sekunden von 0.001 bis 86400 mit Punkt als Dezimaltrenner, nicht '%1'.")
              .arg(Text));
  return *budget;
}

TFormat ParseFormat(const QString& Text) {
  if (Text == QLatin1String("table")) return TFormat::Table;
  if (Text == QLatin1String("csv")) return TFormat::Csv;
  if (Text == QLatin1String("json")) return TFormat::Json;
  Usage(QStringLiteral("Unbekanntes Ausgabeformat '%1' (table, csv oder json).").arg(TextExcerpt(Text)));
}

// Hands out the arguments one by one; an option's value missing is a usage error.
class TArgs {
public:
  explicit TArgs(const QStringList& Args) : FArgs(Args) {}
  bool AtEnd() const { return FPos >= FArgs.size(); }
  QString Next() { return FArgs.at(FPos++); }
  QString ValueOf(const QString& Option) {
    if (AtEnd()) Usage(QStringLiteral("Zu %1 fehlt der Wert.").arg(Option));
    return Next();
  }

private:
  const QStringList& FArgs;
  qsizetype FPos = 0;
};

TOptions ParseOptions(const QStringList& Args) {
  TOptions o;
  TArgs args(Args);
  while (!args.AtEnd()) {
    const QString opt = args.Next();
    if (opt == "--help" || opt == "-h")
      o.Help = true;
    else if (opt == "--version")
      o.Version = true;
    else if (opt == "--function")
      o.Function = args.ValueOf(opt);
    else if (opt == "--script")
      o.ScriptFile = args.ValueOf(opt);
    else if (opt == "--task")
      o.TaskFile = args.ValueOf(opt);
    else if (opt == "--save-task")
      o.SaveTaskFile = args.ValueOf(opt);
    else if (opt == "--values")
      o.ValuesFile = args.ValueOf(opt);
    else if (opt == "--roots")
      o.RootsFile = args.ValueOf(opt);
    else if (opt == "--extrema-file")
      o.ExtremaFile = args.ValueOf(opt);
    else if (opt == "--plot")
      o.PlotFile = ParsePlotFile(args.ValueOf(opt));
    else if (opt == "--report")
      o.ReportFile = ParseReportFile(args.ValueOf(opt));
    else if (opt == "--size")
      o.PlotSize = ParseSize(args.ValueOf(opt));
    else if (opt == "--xmin")
      o.xMin = ParseTaskReal(opt, args.ValueOf(opt));
    else if (opt == "--xmax")
      o.xMax = ParseTaskReal(opt, args.ValueOf(opt));
    else if (opt == "--abs")
      o.AbsErr = ParseTaskReal(opt, args.ValueOf(opt));
    else if (opt == "--rel")
      o.RelErr = ParseTaskReal(opt, args.ValueOf(opt));
    else if (opt == "--touching")
      o.Touching = true;
    else if (opt == "--extrema")
      o.Extrema = true;
    else if (opt == "--inflection")
      o.Inflection = true;
    else if (opt == "--derivatives")
      o.Derivatives = true;
    else if (opt == "--prove")
      o.Prove = true;
    else if (opt == "--digits")
      o.Digits = ParseInteger(opt, args.ValueOf(opt));
    else if (opt == "--nodes")
      o.Nodes = ParseInteger(opt, args.ValueOf(opt));
    else if (opt == "--fmax")
      o.FMax = ParseInteger(opt, args.ValueOf(opt));
    else if (opt == "--format")
      o.Format = ParseFormat(args.ValueOf(opt));
    else if (opt == "--time-limit")
      o.TimeLimit = ParseTimeLimit(args.ValueOf(opt));
    else if (opt == "--zeroin") {
      const Extended a = ParseReal(opt, args.ValueOf(opt));
      o.Zeroin = std::make_pair(a, ParseReal(opt, args.ValueOf(opt)));
    } else
      Usage(QStringLiteral("Unbekannte Option '%1'.").arg(TextExcerpt(opt)));
  }
  if (o.Function && o.ScriptFile) Usage(QStringLiteral("--function und --script schließen sich aus."));
  if (o.Nodes && !NodeCountInRange(*o.Nodes)) Usage(NodeCountError(*o.Nodes));
  if (o.Zeroin && !o.Function && !o.ScriptFile) Usage(QStringLiteral("--zeroin braucht --function oder --script."));
  if (o.Zeroin && (o.ValuesFile || o.RootsFile || o.ExtremaFile || o.SaveTaskFile || o.PlotFile || o.ReportFile))
    Usage(
        QStringLiteral("--values, --roots, --extrema-file, --save-task, --plot und --report gibt es nur für die "
                       "Berechnung, nicht mit --zeroin."));
  if (o.PlotSize && !o.PlotFile) Usage(QStringLiteral("--size gibt es nur mit --plot."));
  if (o.Digits && !o.Prove) Usage(QStringLiteral("--digits gibt es nur mit --prove."));
  if (o.Digits && (*o.Digits < 1 || *o.Digits > MaxProofDigits))
    Usage(QStringLiteral("--digits erwartet 1 bis %1 Stellen, nicht %2.").arg(MaxProofDigits).arg(*o.Digits));
  if (o.Prove && o.Zeroin) Usage(QStringLiteral("--prove gibt es nur für die Berechnung, nicht mit --zeroin."));
  if (o.Derivatives && !o.ValuesFile) Usage(QStringLiteral("--derivatives gibt es nur mit --values."));
  return o;
}

QString ReadScriptFile(const QString& FileName) {
  return QString::fromUtf8(ReadWholeFile(FileName, MaxReadFileSize, MsgCannotReadScript));
}

// Applies the function options to the task: an expression stays simple, a script
// file becomes a full script.
void ApplyFunction(const TOptions& o, TKaloPersistRootFinding& Task) {
  TKaloPersistFunction& function = Task.RootFunction();
  if (o.Function) {
    function.setSimpleScript(true);
    function.setFunctionScript(*o.Function);
  } else if (o.ScriptFile) {
    function.setSimpleScript(false);
    function.setFunctionScript(ReadScriptFile(*o.ScriptFile));
  }
}

// The task of the run: the defaults or the task file, then every option given.
void MakeTask(const TOptions& o, TKaloPersistRootFinding& Task) {
  if (o.TaskFile) LoadTaskFile(*o.TaskFile, Task);
  ApplyFunction(o, Task);
  if (o.xMin) Task.setxMin(*o.xMin);
  if (o.xMax) Task.setxMax(*o.xMax);
  if (o.Nodes) Task.setNodeCount(*o.Nodes);
  if (o.AbsErr) Task.setAbsErrorBound(*o.AbsErr);
  if (o.RelErr) Task.setRelErrorBound(*o.RelErr);
  if (o.Touching) Task.setTouchingRoots(true);
  if (o.Prove) Task.setProveRoots(true);
  if (o.Digits) Task.setProofDigits(*o.Digits);
  TKaloCurveSearch search = Task.CurveSearch();
  search.Extrema = search.Extrema || o.Extrema;
  search.Inflection = search.Inflection || o.Inflection;
  Task.setCurveSearch(search);
}

// ---- output -------------------------------------------------------------------------

// A real with 21 significant digits and a full stop, whatever the locale.
QString RealText(Extended Value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::general, ExtendedDigits);
  return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

QString JsonReal(Extended Value) { return std::isfinite(Value) ? RealText(Value) : QStringLiteral("null"); }

QString JsonText(const QString& Text) {
  QString s = QStringLiteral("\"");
  for (const QChar c : Text) {
    if (c == '"' || c == '\\')
      s += '\\' + QString(c);
    else if (c == '\n')
      s += QStringLiteral("\\n");
    else if (c == '\r')
      s += QStringLiteral("\\r");
    else if (c == '\t')
      s += QStringLiteral("\\t");
    else if (c.unicode() < 0x20)
      s += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    else
      s += c;
  }
  return s + '"';
}

QString CsvText(const QString& Text) {
  if (!Text.contains(QRegularExpression(QStringLiteral("[,\"\r\n]")))) return Text;
  QString quoted = Text;
  return '"' + quoted.replace('"', QStringLiteral("\"\"")) + '"';
}

// The columns of one roots-table row for csv and json: names and unquoted values,
// with an empty optional for a null field. Json also names the row's kind and the row
// whose root it repeats (Repeats, -1 for none); csv keeps the columns of the roots file.
QList<std::pair<QString, std::optional<QString>>> RowFields(int ID, const TqorRootIntervalCommon& r, bool Json,
                                                            int Repeats = -1) {
  const auto text = [Json](const std::string& s) {
    const QString q = QString::fromStdString(s);
    return Json ? JsonText(q) : CsvText(q);
  };
  const auto real = [Json](Extended v) { return Json ? JsonReal(v) : RealText(v); };
  const auto rootField = [&r](const QString& v) { return r.RootExists ? std::optional(v) : std::nullopt; };
  QList<std::pair<QString, std::optional<QString>>> fields = {
      {RootField::ID, QString::number(ID)},
      {RootField::xIntervalMin, real(r.xMin)},
      {RootField::xIntervalMax, real(r.xMax)},
      {RootField::RootFinder, text(r.RootFinderMethode)},
      {RootField::RootExists, r.RootExists ? QStringLiteral("true") : QStringLiteral("false")},
      {RootField::xRoot, rootField(real(r.xRoot))},
      {RootField::yRoot, rootField(real(r.yRoot))},
      {RootField::IterCount, rootField(QString::number(r.IterCount))},
      {RootField::ResultMessage, text(r.ResultMessage)}};
  if (Json) {
    fields.insert(5, {QStringLiteral("Kind"), text(RootKindText(r.Kind))});
    fields.append(
        {QStringLiteral("RepeatsRow"), Repeats >= 0 ? std::optional(QString::number(Repeats)) : std::nullopt});
  }
  return fields;
}

// The columns of one extrema row for csv and json, as RowFields.
QList<std::pair<QString, std::optional<QString>>> ExtremumFields(int ID, const TqorExtremumRow& r, bool Json) {
  const auto text = [Json](const std::string& s) {
    const QString q = QString::fromStdString(s);
    return Json ? JsonText(q) : CsvText(q);
  };
  const auto real = [](Extended v) { return IsFiniteReal(v) ? std::optional(RealText(v)) : std::nullopt; };
  return {{ExtremumField::ID, QString::number(ID)},
          {ExtremumField::Kind, text(ExtremumKindText(r.Kind))},
          {ExtremumField::x, real(r.x)},
          {ExtremumField::y, real(r.y)},
          {ExtremumField::dy, real(r.d1)},
          {ExtremumField::ddy, real(r.d2)},
          {ExtremumField::Method, text(r.Method)},
          {ExtremumField::IterCount, QString::number(r.IterCount)},
          {ExtremumField::Remark, text(r.Remark)}};
}

// The extrema rows after the roots, separated by an empty line, with their own header.
void WriteExtremaCsv(const TKaloRootCalculation& Calc, QTextStream& Out) {
  const auto& rows = Calc.ExtremaRows();
  QStringList names;
  for (const auto& field : ExtremumFields(0, TqorExtremumRow(), false)) names << field.first;
  Out << '\n' << names.join(',') << '\n';
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    QStringList values;
    for (const auto& field : ExtremumFields(i, rows[i], false)) values << field.second.value_or(QString());
    Out << values.join(',') << '\n';
  }
}

QString ExtremaJson(const TKaloRootCalculation& Calc) {
  QStringList rows;
  for (int i = 0; i < static_cast<int>(Calc.ExtremaRows().size()); ++i) {
    QStringList members;
    for (const auto& [name, value] : ExtremumFields(i, Calc.ExtremaRows()[i], true))
      members << JsonText(name) + ':' + value.value_or(QStringLiteral("null"));
    rows << '{' + members.join(',') + '}';
  }
  return QStringLiteral(",\"extrema\":[") + (rows.isEmpty() ? QString() : '\n' + rows.join(QStringLiteral(",\n"))) +
         ']';
}

void WriteCsv(const TKaloRootCalculation& Calc, QTextStream& Out) {
  const auto& rows = Calc.Intervals();
  QStringList names;
  for (const auto& field : RowFields(0, TqorRootIntervalCommon(), false)) names << field.first;
  Out << names.join(',') << '\n';
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    QStringList values;
    for (const auto& field : RowFields(i, rows[i], false)) values << field.second.value_or(QString());
    Out << values.join(',') << '\n';
  }
}

void WriteJson(const TKaloRootCalculation& Calc, const TKaloCalculationInput& Input, QTextStream& Out) {
  Out << "{\"xMin\":" << JsonReal(Input.xMin) << ",\"xMax\":" << JsonReal(Input.xMax)
      << ",\"NodeCount\":" << Input.NodeCount << ",\"evaluations\":" << Calc.EvaluationCount() << ",\"rows\":[";
  const auto& rows = Calc.Intervals();
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    QStringList members;
    for (const auto& [name, value] : RowFields(i, rows[i], true, Calc.RepeatedRows()[i]))
      members << JsonText(name) + ':' + value.value_or(QStringLiteral("null"));
    Out << (i ? ",\n" : "\n") << '{' << members.join(',') << '}';
  }
  Out << ']';
  if (Calc.SearchedCurve()) Out << ExtremaJson(Calc);
  Out << "}\n";
}

// A table as the window's grid shows it: labels and display texts, the last column unpadded.
void WriteGrid(const TqorMemoryDataset& Table, const QStringList& columns, QTextStream& Out) {
  QList<QStringList> lines(Table.RecordCount() + 1);
  for (const QString& name : columns) {
    const TqorField& field = Table.FieldByName(name);
    QStringList cells = {name == RootField::ID ? name : field.DisplayName()};
    for (int row = 0; row < Table.RecordCount(); ++row) cells << field.DisplayTextAt(row);
    qsizetype width = 0;
    for (const QString& cell : cells) width = std::max(width, cell.size());
    const bool last = name == columns.back();
    for (int i = 0; i < cells.size(); ++i) lines[i] << (last ? cells[i] : cells[i].leftJustified(width));
  }
  for (const QStringList& line : lines) Out << line.join(QStringLiteral("  ")).trimmed() << '\n';
}

// The roots table as the window's grid shows it.
void WriteTable(const TqorMemoryDataset& Roots, QTextStream& Out) {
  WriteGrid(Roots,
            {RootField::ID, RootField::RootExists, RootField::xRoot, RootField::yRoot, RootField::IterCount,
             RootField::xIntervalMin, RootField::xIntervalMax, RootField::RootFinder, RootField::ResultMessage},
            Out);
}

// The extrema table after the roots table, separated by an empty line.
void WriteExtremaTable(const TqorMemoryDataset& Extrema, QTextStream& Out) {
  Out << '\n';
  WriteGrid(Extrema,
            {ExtremumField::ID, ExtremumField::Kind, ExtremumField::x, ExtremumField::y, ExtremumField::dy,
             ExtremumField::ddy, ExtremumField::Method, ExtremumField::IterCount, ExtremumField::Remark},
            Out);
}

// ---- the two runs -------------------------------------------------------------------

// Raises ECalculationCancelled once Ctrl+C was pressed: nothing is written after it.
void CheckInterrupted(const TKaloRootsConsole& Console) {
  if (Console.Interrupted && Console.Interrupted->load()) throw ECalculationCancelled(MsgCalculationCancelled);
}

// The progress line on a terminal: written over in place, and wiped when the run ends.
class TProgressLine {
public:
  TProgressLine(QTextStream& Err, bool Enabled) : FErr(Err), FEnabled(Enabled) {}
  ~TProgressLine() {
    if (FWidth > 0) FErr << '\r' << QString(FWidth, ' ') << '\r' << Qt::flush;
  }
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  // Shows Progress once the run has taken a second.
  void Show(const TKaloProgress& Progress) {
    if (!FEnabled || Progress.Elapsed < std::chrono::seconds(1)) return;
    FErr << '\r' << Progress.Text.leftJustified(FWidth) << Qt::flush;
    FWidth = std::max(FWidth, static_cast<int>(Progress.Text.size()));
  }

private:
  QTextStream& FErr;
  bool FEnabled;
  int FWidth = 0;  // the widest line shown
};

// The files the window's actions write, written the same way. Each file is written
// whole or not at all; they are written only after the calculation succeeded.
// Drawing is there exactly when a plot or a report is asked for.
void WriteFiles(const TOptions& o, TKaloPersistRootFinding& Task, const TKaloRootCalculation& Calc,
                TqorMemoryDataset& Roots, TqorMemoryDataset& Extrema, TKaloRootsDrawing* Drawing,
                const TKaloRootsConsole& Console) {
  CheckInterrupted(Console);
  if (o.SaveTaskFile) SaveTaskFile(*o.SaveTaskFile, Task);
  CheckInterrupted(Console);
  if (o.ValuesFile) SaveValuesFile(*o.ValuesFile, Calc);
  CheckInterrupted(Console);
  if (o.RootsFile) SaveRootsFile(*o.RootsFile, Roots);
  CheckInterrupted(Console);
  if (o.ExtremaFile) SaveExtremaFile(*o.ExtremaFile, Extrema);
  CheckInterrupted(Console);
  if (o.PlotFile) Drawing->WritePlot(o.PlotSize.value_or(DefaultPlotSize), *o.PlotFile);
  CheckInterrupted(Console);
  if (o.ReportFile) Drawing->WriteReport(Task, Roots, Calc.SearchedCurve() ? &Extrema : nullptr, *o.ReportFile);
}

// What the user may not see in the rows: rows that repeat a root, an --abs that was
// raised, and an absolute bound that limits a root's accuracy more than f does.
void WriteAccuracyNotes(const TOptions& o, const TKaloRootCalculation& Calc, QTextStream& Err) {
  if (const QString note = Calc.RootCountNote(); !note.isEmpty()) Err << note << '\n';
  if (o.AbsErr && *o.AbsErr > 0 && *o.AbsErr < ZeroinToleranceFloor)
    Err << QStringLiteral(
               "Die absolute Fehlerschranke %1 ist kleiner als die kleinste, mit der gerechnet wird: "
               "sie wurde auf %2 angehoben.")
               .arg(QString::number(static_cast<double>(*o.AbsErr), 'G', 3),
                    QString::number(static_cast<double>(ZeroinToleranceFloor), 'G', 3))
        << '\n';
  if (const QString note = Calc.ErrorBoundNote(); !note.isEmpty())
    Err << note << QStringLiteral(" Für relative Genauigkeit: --abs 0 --rel 1e-18") << '\n';
}

int RunCalculation(const TOptions& o, QTextStream& Out, QTextStream& Err, TKaloRootsDrawing* Drawing,
                   const TKaloRootsConsole& Console) {
  TKaloPersistRootFinding task;
  MakeTask(o, task);
  if (task.ProveRoots() && Console.LoadProof) Console.LoadProof();
  // The window's field keeps the node count in range; a task file may hold any number.
  if (!NodeCountInRange(task.NodeCount())) throw Exception(NodeCountError(task.NodeCount()).toStdString());
  TqorMemoryDataset roots;
  DefineRootTable(roots);
  roots.Open();
  TKaloRootCalculation calc(task, roots);
  const TKaloCalculationInput input{task.RootFunction().FunctionScript(), task.xMin(), task.xMax(), task.NodeCount()};
  // Only a run that draws has a drawing (see DrawsText).
  TKaloRootsDrawing* drawing = o.PlotFile || o.ReportFile ? Drawing : nullptr;
  if ((o.PlotFile || o.ReportFile) && !drawing) throw Exception("kaloroots zeichnet nur mit seinem Zeichenmodul.");
  calc.setScriptSettings({QString(), o.TimeLimit, DefaultLuaMemoryCap});
  calc.setCancelFlag(Console.Interrupted);
  calc.setDerivativesWanted(o.Derivatives);
  TqorMemoryDataset extrema;
  DefineExtremaTable(extrema);
  extrema.Open();
  calc.setExtremaTable(&extrema);
  {
    TProgressLine line(Err, Console.ProgressLine);
    if (Console.ProgressLine) calc.setProgressReport([&line](const TKaloProgress& p) { line.Show(p); });
    calc.Execute(input, [&] {
      if (drawing) drawing->Update(calc);
    });
  }
  WriteFiles(o, task, calc, roots, extrema, drawing, Console);
  CheckInterrupted(Console);
  switch (o.Format) {
    case TFormat::Table:
      WriteTable(roots, Out);
      if (calc.SearchedCurve()) WriteExtremaTable(extrema, Out);
      break;
    case TFormat::Csv:
      WriteCsv(calc, Out);
      if (calc.SearchedCurve()) WriteExtremaCsv(calc, Out);
      break;
    case TFormat::Json:
      WriteJson(calc, input, Out);
      break;
  }
  if (const QString note = calc.NoValueNote(); !note.isEmpty()) Err << note << '\n';
  if (!calc.ProofNote().isEmpty()) Err << calc.ProofNote() << '\n';
  WriteAccuracyNotes(o, calc, Err);
  return ExitOk;
}

int RunZeroin(const TOptions& o, QTextStream& Out, const TKaloRootsConsole& Console) {
  TKaloPersistRootFinding task;
  MakeTask(o, task);
  TScriptFunction function;
  function.setEvaluationBudget(o.TimeLimit);
  function.setWatcher({Console.Interrupted, {}});
  function.LoadScriptFromString(task.RootFunction().LuaText());
  function.PrepareFunction(QStringLiteral("fct"));
  Extended abserr = task.AbsErrorBound(), relerr = task.RelErrorBound();
  Extended b = o.Zeroin->second, fb = 0;
  int iter = 0;
  // The script function guards each evaluation: it leaves the fault flags as it found them.
  const int code = Zeroin(
      abserr, relerr, o.FMax, [&function](const Extended& x) { return function.fct(x); }, std::string(),
      o.Zeroin->first, b, fb, iter, TFctFaults::LeavesNonePending);
  CheckInterrupted(Console);
  const QList<std::pair<QString, QString>> fields = {
      {"code", QString::number(code)}, {"b", JsonReal(b)},           {"fb", JsonReal(fb)},
      {"Iter", QString::number(iter)}, {"ABSERR", JsonReal(abserr)}, {"RELERR", JsonReal(relerr)}};
  QStringList parts;
  for (const auto& [name, value] : fields) {
    if (o.Format == TFormat::Json)
      parts << JsonText(name) + ':' + value;
    else if (o.Format == TFormat::Csv)
      parts << value;
    else
      Out << name.leftJustified(8) << value << '\n';
  }
  if (o.Format == TFormat::Json) Out << '{' << parts.join(',') << "}\n";
  if (o.Format == TFormat::Csv) {
    QStringList names;
    for (const auto& field : fields) names << field.first;
    Out << names.join(',') << '\n' << parts.join(',') << '\n';
  }
  return ExitOk;
}

QString VersionText() {
  TqorApplicationVersion version;
  if (!version.ReadVersion(QCoreApplication::applicationFilePath())) return QStringLiteral("kaloroots");
  return QStringLiteral("kaloroots %1 (%2)").arg(version.FileVersion().AsString(), version.ProductName());
}

}  // namespace

int RunKaloRoots(const QStringList& Args, QTextStream& Out, QTextStream& Err, TKaloRootsDrawing* Drawing,
                 const TKaloRootsConsole& Console) {
  try {
    const TOptions o = ParseOptions(Args);
    if (o.Help) {
      Out << HelpText;
      return ExitOk;
    }
    if (o.Version) {
      Out << VersionText() << '\n';
      return ExitOk;
    }
    return o.Zeroin ? RunZeroin(o, Out, Console) : RunCalculation(o, Out, Err, Drawing, Console);
  } catch (const TUsageError& e) {
    Err << QString::fromStdString(e.Message()) << "\nHilfe: kaloroots --help\n";
    return ExitUsage;
  } catch (const ECalculationCancelled& e) {
    Err << QString::fromStdString(e.Message()) << '\n';
    return ExitInterrupted;
  } catch (const Exception& e) {
    Err << QString::fromStdString(e.Message()) << '\n';
    return ExitError;
  } catch (const std::exception& e) {
    Err << QString::fromUtf8(e.what()) << '\n';
    return ExitError;
  }
}

bool DrawsText(const QStringList& Args) {
  return Args.contains(QStringLiteral("--plot")) || Args.contains(QStringLiteral("--report"));
}
