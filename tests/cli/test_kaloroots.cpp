#include "KaloBallProof.h"
#include "KaloExport.h"
#include "KaloPersistentTypes.h"
#include "KaloRootCalculation.h"
#include "KaloRootPlot.h"
#include "KaloRootsCli.h"
#include "KaloRootsDrawing.h"
#include "qorEmfFormat.h"
#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorMetafile.h"
#include "qorTestFiles.h"
#include "qorTestFonts.h"
#include "qorTestPdf.h"
#include "qorValue.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/resource.h>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

struct Result {
  int code;
  QString out, err;
};

// Runs kaloroots in-process, with a drawing of its own for a run that draws, as the
// program starts one, and the proof engine the program loads for a run that proves.
Result Kaloroots(const QStringList& args, const TKaloRootsConsole& Console = {}) {
  UseBallProof();
  QString out, err;
  QTextStream o(&out), e(&err);
  const std::unique_ptr<TKaloRootsDrawing> drawing = DrawsText(args) ? MakeKaloRootsDrawing() : nullptr;
  const int code = RunKaloRoots(args, o, e, drawing.get(), Console);
  o.flush();
  e.flush();
  return {code, out, err};
}

// Every digit of an Extended, as the JSON output writes it.
QString RealDigits(Extended X) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, X, std::chars_format::general, 21);
  EXPECT_EQ(ec, std::errc());
  return QString::fromLatin1(text, end - text);
}

QJsonObject Json(const QStringList& args) {
  const Result r = Kaloroots(args + QStringList{"--format", "json"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
  return doc.object();
}

TEST(KaloRoots, WithoutOptionsPrintsTheDefaultPolynomialsFourRoots) {
  const Result r = Kaloroots({});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
  EXPECT_TRUE(lines[0].startsWith("ID  N?  x-Nullstelle")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains("-2.4051429")) << lines[1].toStdString();
  EXPECT_TRUE(lines[4].contains("2.3191531")) << lines[4].toStdString();
}

TEST(KaloRoots, JsonCarriesEveryFieldOfEveryRowAndTheEvaluations) {
  const QJsonObject doc = Json({"--function", "x^2", "--xmin", "-1", "--xmax", "1"});
  EXPECT_EQ(doc["NodeCount"].toInt(), 200);
  EXPECT_EQ(doc["xMin"].toDouble(), -1.0);
  EXPECT_GT(doc["evaluations"].toInt(), 400);
  const QJsonArray rows = doc["rows"].toArray();
  ASSERT_EQ(rows.size(), 3);
  const QStringList keys = {"ID",    "xIntervalMin", "xIntervalMax", "RootFinder",    "RootExists",
                            "xRoot", "yRoot",        "IterCount",    "ResultMessage", "RepeatsRow"};
  for (const auto& row : rows) {
    for (const QString& key : keys) EXPECT_TRUE(row.toObject().contains(key)) << key.toStdString();
    EXPECT_EQ(row.toObject()["RootFinder"].toString(), "Sekantenverfahren");
  }
  EXPECT_EQ(rows[2].toObject()["ID"].toInt(), 2);
}

TEST(KaloRoots, RealsKeepExtendedPrecision) {
  const Result r = Kaloroots({"--function", "x - 1/3", "--format", "csv"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "ID,xIntervalMin,xIntervalMax,RootFinder,RootExists,xRoot,yRoot,IterCount,ResultMessage");
  const QStringList fields = lines[1].split(',');
  ASSERT_EQ(fields.size(), 9);
  EXPECT_EQ(fields[3], "Zeroin()");
  // The root is an Extended: printed with 21 significant digits, it reads back exactly.
  EXPECT_EQ(fields[5].size(), 23) << fields[5].toStdString();
  EXPECT_EQ(static_cast<double>(std::stold(fields[5].toStdString())), 1.0 / 3);
}

TEST(KaloRoots, NullsOfARowWithoutRoot) {
  const QJsonObject doc = Json({"--function", "x^2 + 1E-5", "--xmin", "-1", "--xmax", "1"});
  const QJsonArray rows = doc["rows"].toArray();
  ASSERT_FALSE(rows.isEmpty());
  for (const auto& row : rows) {
    EXPECT_FALSE(row.toObject()["RootExists"].toBool());
    EXPECT_TRUE(row.toObject()["xRoot"].isNull());
    EXPECT_TRUE(row.toObject()["IterCount"].isNull());
  }
}

// The proved rows come after the sampling rows with their own kind; the rest of the
// range is one statement.
TEST(KaloRoots, ProveAddsTheProvedRows) {
  const QJsonObject doc = Json(
      {"--prove", "--digits", "20", "--function", "sin(50*x)", "--xmin", "-10", "--xmax", "10"});
  QList<QJsonObject> proved;
  for (const auto& row : doc["rows"].toArray())
    if (row.toObject()["Kind"].toString() == "Bewiesen") proved << row.toObject();
  ASSERT_EQ(proved.size(), 320) << "319 roots and the rest";
  const QJsonObject zero = proved[159];
  EXPECT_EQ(zero["xRoot"].toDouble(), 0.0) << "a root on the middle of the range";
  EXPECT_EQ(zero["RootFinder"].toString(), "Bewiesen");
  EXPECT_TRUE(zero["ResultMessage"].toString().startsWith("bewiesen: genau eine Nullstelle in ["));
  EXPECT_TRUE(proved[160]["ResultMessage"].toString().contains("; x = [0.06283185307179586476"))
      << proved[160]["ResultMessage"].toString().toStdString();
  EXPECT_EQ(proved.last()["ResultMessage"].toString(), "Im übrigen Bereich hat f bewiesen keine Nullstelle.");
  EXPECT_FALSE(proved.last()["RootExists"].toBool());

  const Result script = Kaloroots({"--prove", "--function", "x < 0 and -1 or 1", "--format", "csv"});
  EXPECT_EQ(script.code, 0);
  EXPECT_TRUE(script.err.startsWith("Ein Beweis ist nur für einfache Ausdrücke in x möglich"))
      << script.err.toStdString();
  EXPECT_FALSE(script.out.contains("Bewiesen"));
}

// The proof engine is loaded for exactly the runs whose task asks for a proof, from the
// command line or from the task file; when it cannot be loaded the run stops with the
// reason before it writes anything.
TEST(KaloRoots, OnlyATaskThatProvesLoadsTheProof) {
  QTemporaryDir dir;
  const QString proving = dir.filePath("beweis.nwd"), plain = dir.filePath("ohne.nwd");
  ASSERT_EQ(Kaloroots({"--prove", "--function", "x^2-2", "--save-task", proving}).code, 0);
  ASSERT_EQ(Kaloroots({"--function", "x^2-2", "--save-task", plain}).code, 0);
  const QString roots = dir.filePath("roots.csv");
  const struct {
    QStringList args;
    bool proves;
  } cases[] = {
      {{}, false},
      {{"--prove"}, true},
      {{"--task", proving}, true},
      {{"--task", plain}, false},
      {{"--task", plain, "--prove"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    int loads = 0;
    TKaloRootsConsole console;
    console.LoadProof = [&loads] {
      ++loads;
      throw Exception("Das Beweismodul fehlt.");
    };
    const Result r = Kaloroots(c.args + QStringList{"--roots", roots}, console);
    EXPECT_EQ(loads, c.proves ? 1 : 0);
    EXPECT_EQ(r.code, c.proves ? 1 : 0) << r.err.toStdString();
    if (c.proves) {
      EXPECT_EQ(r.err, "Das Beweismodul fehlt.\n");
    }
    EXPECT_EQ(QFile::exists(roots), !c.proves);
    QFile::remove(roots);
  }
}

TEST(KaloRoots, ZeroinAlone) {
  const QJsonObject doc = Json({"--zeroin", "0", "3", "--function", "x-1"});
  EXPECT_EQ(doc["code"].toInt(), 1);
  EXPECT_EQ(doc["b"].toDouble(), 1.0);
  EXPECT_EQ(doc["Iter"].toInt(), 3);
  EXPECT_EQ(Json({"--zeroin", "0", "3", "--function", "x^2+1"})["code"].toInt(), -1);
}

TEST(KaloRoots, FullScriptFromAFile) {
  QTemporaryDir dir;
  const QString name = dir.filePath("f.lua");
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("n = 0\r\nfunction fct(x)\r\n  n = n + 1\r\n  return x - 0.5\r\nend");
  file.close();
  const QJsonObject doc = Json({"--script", name});
  ASSERT_EQ(doc["rows"].toArray().size(), 1);
  EXPECT_EQ(doc["rows"].toArray()[0].toObject()["xRoot"].toDouble(), 0.5);
}

TEST(KaloRoots, ErrorsAndUsage) {
  struct Case {
    QStringList args;
    int code;
    QString firstLine;
  } cases[] = {
      {{"--nodes", "5"}, 2, "Die Anzahl der Stützstellen muss zwischen 10 und 10000 liegen, nicht 5."},
      {{"--time-limit", "1,5"},
       2,
       "--time-limit erwartet Sekunden von 0.001 bis 86400 mit Punkt als Dezimaltrenner, nicht '1,5'."},
      {{"--time-limit", "0"}, 2, "--time-limit erwartet Sekunden von 0.001 bis 86400"},
      {{"--function", "(function() while true do end end)()", "--time-limit", "0.2"},
       1,
       "Die Auswertung der Funktion für x = -2.5 hat das Zeitlimit von 0.2 s überschritten."},
      {{"--nodes", "10001"}, 2, "Die Anzahl der Stützstellen muss zwischen 10 und 10000 liegen, nicht 10001."},
      {{"--xmin", "1,5"}, 2, "--xmin erwartet eine Zahl mit Punkt als Dezimaltrenner, nicht '1,5'."},
      {{"--xmax"}, 2, "Zu --xmax fehlt der Wert."},
      {{"--xmin", "-1e400"}, 2, "--xmin erwartet eine endliche Zahl bis etwa 1.8E+308, nicht '-1e400'."},
      {{"--rel", "NAN"}, 2, "--rel erwartet "},
      {{"--frobnicate"}, 2, "Unbekannte Option '--frobnicate'."},
      {{"--format", "xml"}, 2, "Unbekanntes Ausgabeformat 'xml' (table, csv oder json)."},
      {{"--zeroin", "0", "1"}, 2, "--zeroin braucht --function oder --script."},
      {{"--roots"}, 2, "Zu --roots fehlt der Wert."},
      {{"--zeroin", "0", "1", "--function", "x", "--values", "v.csv"},
       2,
       "--values, --roots, --extrema-file, --save-task, --plot und --report gibt es nur für die Berechnung, nicht mit "
       "--zeroin."},
      {{"--zeroin", "0", "1", "--function", "x", "--plot", "p.png"},
       2,
       "--values, --roots, --extrema-file, --save-task, --plot und --report gibt es nur für die Berechnung, nicht mit "
       "--zeroin."},
      {{"--zeroin", "0", "1", "--function", "x", "--extrema-file", "e.csv"},
       2,
       "--values, --roots, --extrema-file, --save-task, --plot und --report gibt es nur für die Berechnung, nicht mit "
       "--zeroin."},
      {{"--extrema-file"}, 2, "Zu --extrema-file fehlt der Wert."},
      {{"--zeroin", "0", "1", "--function", "x", "--report", "b.pdf"},
       2,
       "--values, --roots, --extrema-file, --save-task, --plot und --report gibt es nur für die Berechnung, nicht mit "
       "--zeroin."},
      {{"--report", "bericht.png"}, 2, "--report schreibt eine .pdf-Datei, nicht 'bericht.png'."},
      {{"--report"}, 2, "Zu --report fehlt der Wert."},
      {{"--plot", "p.jpg"}, 2, "--plot schreibt .wmf, .emf, .svg, .png oder .pdf, nicht 'p.jpg'."},
      {{"--plot", "p"}, 2, "--plot schreibt .wmf, .emf, .svg, .png oder .pdf, nicht 'p'."},
      {{"--size", "320x200"}, 2, "--size gibt es nur mit --plot."},
      {{"--plot", "p.png", "--size", "0x200"},
       2,
       "--size erwartet BxH, Breite und Höhe in Pixeln von 1 bis 10000, nicht '0x200'."},
      {{"--plot", "p.png", "--size", "10001x200"},
       2,
       "--size erwartet BxH, Breite und Höhe in Pixeln von 1 bis 10000, nicht '10001x200'."},
      {{"--plot", "p.png", "--size", "320 x 200"},
       2,
       "--size erwartet BxH, Breite und Höhe in Pixeln von 1 bis 10000, nicht '320 x 200'."},
      {{"--plot", "/nonexistent/p.wmf"},
       1,
       "Die Datei '/nonexistent/p.wmf' kann nicht geschrieben werden: Das Verzeichnis existiert nicht."},
      {{"--report", "/nonexistent/b.pdf"},
       1,
       "Die Datei '/nonexistent/b.pdf' kann nicht geschrieben werden: Das Verzeichnis existiert nicht."},
      {{"--task", "/nonexistent/a.nwd"},
       1,
       "Die Datei '/nonexistent/a.nwd' kann nicht geöffnet werden: Sie existiert nicht."},
      {{"--values", "/nonexistent/v.csv"}, 1, "Die Datei '/nonexistent/v.csv' kann nicht geschrieben werden: "},
      {{"--save-task", "/nonexistent/a.nwd"}, 1, "Die Datei '/nonexistent/a.nwd' kann nicht geschrieben werden: "},
      {{"--xmin", "1", "--xmax", "1", "--nodes", "10"},
       1,
       "Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EZeroDivide aufgetreten. "
       "Text der Fehlermeldung: Gleitkommadivision durch Null"},
      {{"--script", "/nonexistent/f.lua"}, 1, "Die Scriptdatei \"/nonexistent/f.lua\" kann nicht gelesen werden: "},
      {{"--digits", "10"}, 2, "--digits gibt es nur mit --prove."},
      {{"--prove", "--digits", "51"}, 2, "--digits erwartet 1 bis 50 Stellen, nicht 51."},
      {{"--prove", "--digits", "0"}, 2, "--digits erwartet 1 bis 50 Stellen, nicht 0."},
      {{"--prove", "--zeroin", "0", "1", "--function", "x"},
       2,
       "--prove gibt es nur für die Berechnung, nicht mit --zeroin."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Result r = Kaloroots(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(r.err.startsWith(c.firstLine)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
  }
  const Result syntax = Kaloroots({"--function", "sin(x"});
  EXPECT_EQ(syntax.code, 1);
  EXPECT_TRUE(
      syntax.err.startsWith("Eine Klammer ist nicht geschlossen: zu jedem '(' gehört ein ')'.\r\n"
                            "Fehler in LoadScriptFromString(): Syntaxfehler in Script "))
      << syntax.err.toStdString();
}

// Every call spins for a few milliseconds: the default task takes more than a second.
// A run of a few seconds, and one that a signal must end: a second of each evaluation.
const QString SlowFunction = QStringLiteral(
    "(function() local s = 0 for i = 1, 3e6 do s = s + i end return x - 1 end)()");
const QString EndlessFunction = QStringLiteral(
    "(function() local s = 0 for i = 1, 1e8 do s = s + i end return x - 1 end)()");

// On a terminal a run longer than a second shows its progress on one line, written over
// in place and wiped at the end; the results are those of a run without it.
TEST(KaloRoots, ProgressLineOnATerminal) {
  QString out, err;
  QTextStream o(&out), e(&err);
  EXPECT_EQ(RunKaloRoots({"--function", SlowFunction}, o, e, nullptr, {nullptr, true}), ExitOk);
  o.flush();
  e.flush();
  EXPECT_TRUE(err.startsWith("\rFunktion berechnen ... ") || err.startsWith("\rNullstellen ermitteln ... "))
      << err.toStdString();
  EXPECT_TRUE(err.contains(QRegularExpression("\\rNullstellen ermitteln \\.\\.\\. \\d+ %"))) << err.toStdString();
  EXPECT_TRUE(err.contains(QRegularExpression("\\r +\\r$"))) << err.toStdString();
  EXPECT_FALSE(err.contains('\n'));
  EXPECT_EQ(out, Kaloroots({"--function", "x - 1"}).out);
}

// Ctrl+C ends the program with 130 and leaves none of its files; with standard error not
// a terminal, no progress line comes.
TEST(KaloRoots, CtrlCEndsWith130AndWritesNoFile) {
  QTemporaryDir dir;
  const QString roots = dir.filePath("roots.csv"), task = dir.filePath("task.nwd");
  QProcess p;
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"),
          {"--function", EndlessFunction, "--roots", roots, "--save-task", task});
  ASSERT_TRUE(p.waitForStarted());
  QThread::msleep(1200);
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), ExitInterrupted);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), "Berechnung abgebrochen\n");
  EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A file-size limit below the size of an output, as a shell's ulimit sets it, does not
// kill kaloroots by SIGXFSZ: it names the reason, keeps the old file and leaves no
// temporary file.
TEST(KaloRoots, FileSizeLimitGivesItsReasonAndKeepsTheOldFile) {
  QTemporaryDir dir;
  const QString values = dir.filePath("werte.csv");
  WriteBytes(values, "alt");
  QProcess p;
  p.setChildProcessModifier([] {
    // Started as a shell starts it, whatever this test program does with the signal.
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
  });
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--values", values});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), ExitError);
  const QString err = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(err.contains("Die Datei '" + values + "' kann nicht geschrieben werden: Datei zu groß"))
      << err.toStdString();
  EXPECT_EQ(ReadBytes(values), "alt");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"werte.csv"});
}

TEST(KaloRoots, SavedTaskIsNamedAfterItsFileAndOptionsOverrideItsFields) {
  QTemporaryDir dir;
  const QString polynom = dir.filePath("Polynom.nwd");
  ASSERT_EQ(Kaloroots({"--save-task", polynom}).code, 0);
  const QString id = QRegularExpression("ID=\"([0-9A-F]{32})\"").match(ReadBytes(polynom)).captured(1);
  EXPECT_EQ(QString::fromUtf8(ReadBytes(polynom)).replace(id, "GUID"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<RootFinding xMin=\"-2.50000000000000E+000\" xMax=\"2.50000000000000E+000\" "
            "AbsErrorBound=\"2.16840434497101E-019\" RelErrorBound=\"0.00000000000000E+000\" NodeCount=\"200\">\n"
            "  <Function ID=\"GUID\" Name=\"Polynom\" SimpleScript=\"true\" "
            "Script=\"0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6\" />\n"
            "</RootFinding>\n");

  const QString quarter = dir.filePath("Viertel.nwd");
  ASSERT_EQ(Kaloroots({"--function", "x - 0.25", "--xmin", "-1", "--nodes", "50", "--save-task", quarter}).code, 0);
  QJsonObject doc = Json({"--task", quarter});
  EXPECT_EQ(doc["xMin"].toDouble(), -1.0);
  EXPECT_EQ(doc["xMax"].toDouble(), 2.5);
  EXPECT_EQ(doc["NodeCount"].toInt(), 50);
  ASSERT_EQ(doc["rows"].toArray().size(), 1);
  EXPECT_EQ(doc["rows"].toArray()[0].toObject()["xRoot"].toDouble(), 0.25);

  doc = Json({"--xmin", "0.5", "--task", quarter, "--function", "x - 0.75"});
  EXPECT_EQ(doc["xMin"].toDouble(), 0.5) << "options override the file wherever they stand";
  EXPECT_EQ(doc["NodeCount"].toInt(), 50);
  ASSERT_EQ(doc["rows"].toArray().size(), 1);
  EXPECT_EQ(doc["rows"].toArray()[0].toObject()["xRoot"].toDouble(), 0.75);
}

// The window's fields and the task file hold doubles, so a task run here, saved, and
// run again from its file must be the same task, digit for digit.
TEST(KaloRoots, TheTasksRealsAreDoublesAsInTheWindowAndTheTaskFile) {
  QTemporaryDir dir;
  const QStringList tasks[] = {
      {"--function", "sin(10*x)", "--xmin", "0.1", "--xmax", "0.7", "--abs", "1E-12", "--rel", "1E-9"},
      {"--function", "x - 2E-6", "--xmin", "1E-6", "--xmax", "3E-6"},
      {"--function", "x*x - 1E6", "--xmin", "-1234567.1", "--xmax", "0", "--rel", "0.3"},
  };
  for (const QStringList& task : tasks) {
    SCOPED_TRACE(task.join(' ').toStdString());
    const QString file = dir.filePath("aufgabe.nwd");
    const Result first = Kaloroots(task + QStringList{"--save-task", file, "--format", "json"});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    const Result again = Kaloroots({"--task", file, "--format", "json"});
    ASSERT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, first.out);
    const QString xMin = task[task.indexOf("--xmin") + 1];
    EXPECT_TRUE(first.out.startsWith("{\"xMin\":" + RealDigits(ExpTextToDouble(xMin)) + ","))
        << "xMin with every digit of the double: " << first.out.left(60).toStdString();
  }
}

TEST(KaloRoots, WritesTheFilesTheWindowWrites) {
  QLocale::setDefault(QLocale(QLocale::German));
  QTemporaryDir dir;
  const QString values = dir.filePath("werte.csv"), roots = dir.filePath("nullstellen.csv");
  const Result r = Kaloroots({"--function", "sin(3*x)", "--nodes", "40", "--values", values, "--roots", roots});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();

  TKaloPersistRootFinding task;
  TqorMemoryDataset table;
  DefineRootTable(table);
  table.Open();
  TKaloRootCalculation calc(task, table);
  calc.Execute({"sin(3*x)", -2.5L, 2.5L, 40});
  SaveValuesFile(dir.filePath("werte-fenster.csv"), calc.ValueX(), calc.ValueY());
  SaveRootsFile(dir.filePath("nullstellen-fenster.csv"), table);
  QLocale::setDefault(QLocale::system());

  EXPECT_EQ(ReadBytes(values), ReadBytes(dir.filePath("werte-fenster.csv")));
  EXPECT_EQ(ReadBytes(roots), ReadBytes(dir.filePath("nullstellen-fenster.csv")));
  EXPECT_TRUE(ReadBytes(values).startsWith("\"x-Werte\";\"y-Werte\"\r\n-2,500000000000000E+000;"));
  EXPECT_EQ(ReadBytes(roots).count("\r\n"), 5) << "a header and five roots, no line break after the last";
}

TEST(KaloRoots, BadTaskFileOrFailedCalculationWritesNothing) {
  QTemporaryDir dir;
  const QString values = dir.filePath("werte.csv");
  const struct {
    const char* content;
    std::string message;
  } cases[] = {
      {"<RootFinding NodeCount=\"5\"/>", "Die Anzahl der Stützstellen muss zwischen 10 und 10000 liegen, nicht 5.\n"},
      {"<RootFinding NodeCount=\"zwei\"/>",
       "kann nicht gelesen werden: Attribut 'NodeCount': 'zwei' ist kein gültiger Integerwert.\n"},
      {"<RootFinding><Function></RootFinding>",
       "ist kein gültiges XML: Zeile 1, Spalte 26, Meldung des XML-Parsers: \"Start-end tags mismatch\"\n"},
      {"<RootFinding xMin=\"1\" xMax=\"1\" NodeCount=\"10\"/>", "Gleitkommadivision durch Null\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    const QString task = dir.filePath("aufgabe.nwd");
    QFile file(task);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.content);
    file.close();
    const QString plot = dir.filePath("grafik.wmf");
    const Result r = Kaloroots({"--task", task, "--values", values, "--plot", plot});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.toStdString().ends_with(c.message)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(values));
    EXPECT_FALSE(QFile::exists(plot));
  }
}

// A task from elsewhere reads no file, prints nothing into the output and has its
// megabytes quoted in a few hundred characters.
TEST(KaloRoots, HostileTaskReachesNoFileAndIsQuotedShortly) {
  QTemporaryDir dir;
  const QString task = dir.filePath("fremd.nwd"), roots = dir.filePath("roots.csv");
  const QString huge = "x = = " + QString(10'000'000, u'y');
  const struct {
    QString script;
    std::string ending;
  } cases[] = {
      {"dofile('/etc/passwd') function fct(x) return x end", "]:1: attempt to call global 'dofile' (a nil value)\n"},
      {huge, "...\"]:1: unexpected symbol near '='\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.left(60).toStdString());
    TKaloPersistRootFinding t;
    t.RootFunction().setSimpleScript(false);
    t.RootFunction().setFunctionScript(c.script);
    SaveTaskFile(task, t);
    testing::internal::CaptureStdout();
    const Result r = Kaloroots({"--task", task, "--roots", roots, "--format", "csv"});
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_LT(r.err.size(), 1000) << "the script has " << c.script.size() << " characters";
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.toStdString().ends_with(c.ending)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(roots));
  }
  testing::internal::CaptureStdout();
  const Result printing = Kaloroots({"--function", "(print('7;1;Zeroin();1') or 0) + x", "--format", "csv"});
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(printing.code, 0) << printing.err.toStdString();
  EXPECT_FALSE(printing.out.contains("7;1;Zeroin();1")) << printing.out.toStdString();
}

// The plot of fct over the default range as the window draws it, at Size pixels.
TqorMetafile WindowPlot(const QString& fct, QSize Size) {
  TKaloPersistRootFinding task;
  TqorMemoryDataset table;
  DefineRootTable(table);
  table.Open();
  TKaloRootCalculation calc(task, table);
  TKaloRootPlot plot;
  calc.Execute({fct, task.xMin(), task.xMax(), task.NodeCount()},
               [&] { plot.Update(calc.ValueX(), calc.ValueY(), calc.RootX(), calc.RootY()); });
  return plot.Render(Size);
}

TEST(KaloRoots, PlotIsTheWindowsDrawingInTheKindOfItsExtension) {
  QTemporaryDir dir;
  const TqorMetafile expected = WindowPlot("sin(3*x)", QSize(779, 400));
  const TqorMetafile small = WindowPlot("sin(3*x)", QSize(320, 200));
  const struct {
    const char* file;
    const char* size;  // nullptr: the default size
    std::function<void(const QByteArray&)> check;
  } cases[] = {
      {"grafik.wmf", nullptr, [&](const QByteArray& b) { EXPECT_EQ(b, expected.Bytes()); }},
      {"grafik.EMF", "320x200", [&](const QByteArray& b) { EXPECT_EQ(b, small.Bytes()); }},
      {"grafik.png", nullptr, [&](const QByteArray& b) { EXPECT_EQ(QImage::fromData(b, "PNG"), expected.ToImage()); }},
      {"grafik.png", "320x200",
       [&](const QByteArray& b) { EXPECT_EQ(QImage::fromData(b, "PNG").size(), QSize(320, 200)); }},
      {"grafik.svg", nullptr, [](const QByteArray& b) { EXPECT_TRUE(b.contains("<svg")); }},
      {"grafik.pdf", nullptr, [](const QByteArray& b) { EXPECT_TRUE(b.startsWith("%PDF")); }},
  };
  EXPECT_EQ(expected.Bytes().mid(qorEmf::HeaderSignatureAt, 4), " EMF");
  for (const auto& c : cases) {
    const QString file = dir.filePath(c.file);
    QStringList args = {"--function", "sin(3*x)", "--plot", file};
    if (c.size) args << "--size" << c.size;
    const Result r = Kaloroots(args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Zeroin()")) << "the roots are printed as well";
    SCOPED_TRACE(std::string(c.file) + " " + (c.size ? c.size : "default"));
    c.check(ReadBytes(file));
    QFile::remove(file);
  }
}

// The x-Nullstelle column of the printed roots table.
QStringList PrintedRoots(const QString& Table) {
  QStringList roots;
  for (const QString& line : Table.split('\n', Qt::SkipEmptyParts).mid(1))
    roots << line.split(' ', Qt::SkipEmptyParts).at(2);
  return roots;
}

// Runs the program file Program with Args and no display; its exit code and standard error.
std::pair<int, QString> RunProgram(const QString& Program, const QStringList& Args) {
  QProcess p;
  QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) headless.remove(variable);
  p.setProcessEnvironment(headless);
  p.start(Program, Args);
  EXPECT_TRUE(p.waitForFinished(30000)) << Program.toStdString();
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

TEST(KaloRoots, ReportIsThePlotReportOfTheCalculationAsPdf) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("bericht.pdf");
  const Result r = Kaloroots({"--function", "sin(3*x)", "--xmin", "-2", "--report", pdf});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList roots = PrintedRoots(r.out);
  ASSERT_EQ(roots.size(), 4) << r.out.toStdString();
  EXPECT_TRUE(ReadBytes(pdf).startsWith("%PDF"));
  const QString text = PdfText(pdf);
  // The roots as the window shows them: the root at 2.4E-23, which the table's seven
  // decimals would print as 0, in exponent form.
  for (const QString& part :
       QStringList{"VASO Numerik Werkzeuge", "Nullstellenbestimmung einer 2D-Funktion", "sin(3*x)", "von -2 bis 2.5",
                   "Seite 1 von 1", "-1.0471976", "-1.2246468E-16", "2.4488338E-23 7.3465013E-23", "2.0943951"})
    EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
  EXPECT_FALSE(text.contains("e-0")) << "one exponent form\n" << text.toStdString();
  EXPECT_FALSE(text.contains("Extrema und Wendepunkte")) << "no extrema were searched";
}

// A calculation that searched extrema and inflection points prints them after the roots,
// numbered as the extrema grid numbers them.
TEST(KaloRoots, ReportPrintsTheExtremaTheCalculationSearched) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("bericht.pdf");
  const Result r = Kaloroots(
      {"--function", "x^3 - 3*x", "--xmin", "-3", "--xmax", "3", "--extrema", "--inflection", "--report", pdf});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QString text = PdfText(pdf).simplified();
  const qsizetype roots = text.indexOf("Nullstellen je Intervall");
  const qsizetype extrema = text.indexOf("Extrema und Wendepunkte Nr. Art x f(x) f'(x) f''(x) Methode Iter. Bemerkung");
  ASSERT_GE(roots, 0) << text.toStdString();
  ASSERT_GT(extrema, roots) << text.toStdString();
  const QString rows = text.mid(extrema);
  for (const char* part : {"0 Maximum -1.0000000 2.0000000E+00", "1 Wendepunkt", "2 Minimum 1.0000000 -2.0000000E+00",
                           "3 globales Maximum", "4 globales Minimum", "Zeroin(f')"})
    EXPECT_TRUE(rows.contains(part)) << part << "\n" << rows.toStdString();
}

TEST(KaloRoots, ReportTemplateComesFromTheConfigFolderBesideTheProgramsFolder) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("bericht.pdf");
  const auto [code, err] = RunProgram(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--report", pdf});
  ASSERT_EQ(code, 0) << err.toStdString();
  EXPECT_TRUE(PdfText(pdf).contains("VASO Numerik Werkzeuge"));

  // The same program, with its drawing module, in a folder without Config/Report beside it.
  const QString alone = dir.filePath("bin/kaloroots");
  ASSERT_TRUE(QDir().mkpath(dir.filePath("bin")));
  ASSERT_TRUE(QFile::copy(QStringLiteral(QOR_BIN_DIR "/kaloroots"), alone));
  ASSERT_TRUE(QFile::copy(QStringLiteral(QOR_BIN_DIR "/kalorootsdraw.so"), dir.filePath("bin/kalorootsdraw.so")));
  const QString lost = dir.filePath("verloren.pdf");
  const auto [missingCode, missingErr] = RunProgram(alone, {"--report", lost});
  EXPECT_EQ(missingCode, 1);
  EXPECT_TRUE(missingErr.endsWith("Die Berichtsvorlage '" + dir.filePath("Config/Report/kaloPlot2D.fr3") +
                                  "' existiert nicht.\n"))
      << missingErr.toStdString();
  EXPECT_FALSE(QFile::exists(lost));
}

// A machine whose font configuration makes Arial a wider face prints the report in
// the face the template is laid out for all the same.
TEST(KaloRoots, ReportPrintsArialInItsMetricCompatibleStandInWhateverTheFontConfiguration) {
  const TArialAsDejaVuSans fonts;
  QTemporaryDir dir;
  const QString pdf = dir.filePath("bericht.pdf");
  QProcess p;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("FONTCONFIG_FILE", fonts.FileName());
  p.setProcessEnvironment(environment);
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--report", pdf});
  ASSERT_TRUE(p.waitForFinished(30000));
  ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const QStringList embedded = PdfFonts(pdf);
  for (const char* face : {"LiberationSans", "LiberationSans-Bold"})
    EXPECT_TRUE(embedded.contains(face)) << face << "\n" << embedded.join('\n').toStdString();
}

// Only a run that draws needs the drawing module beside the program; without it such a
// run says so and writes nothing.
TEST(KaloRoots, OnlyRunsThatDrawNeedTheDrawingModule) {
  QTemporaryDir dir;
  const QString alone = dir.filePath("kaloroots");
  ASSERT_TRUE(QFile::copy(QStringLiteral(QOR_BIN_DIR "/kaloroots"), alone));
  const auto [code, err] = RunProgram(alone, {"--format", "json"});
  EXPECT_EQ(code, 0) << err.toStdString();
  const QString plot = dir.filePath("grafik.png");
  const auto [drawCode, drawErr] = RunProgram(alone, {"--plot", plot});
  EXPECT_EQ(drawCode, 1);
  EXPECT_TRUE(
      drawErr.startsWith("Das Zeichenmodul '" + dir.filePath("kalorootsdraw.so") + "' kann nicht geladen werden: "))
      << drawErr.toStdString();
  EXPECT_FALSE(QFile::exists(plot));
}

// Standard output of the program Program run with Args, and its exit code.
std::pair<int, QString> ProgramOutput(const QString& Program, const QStringList& Args) {
  QProcess p;
  p.start(Program, Args);
  EXPECT_TRUE(p.waitForFinished(30000)) << Program.toStdString();
  EXPECT_EQ(p.readAllStandardError(), "") << Args.join(' ').toStdString();
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

// Only a run that proves needs the proof module beside the program, whether --prove or
// the task file asks for the proof; without it such a run says so and writes nothing.
TEST(KaloRoots, OnlyRunsThatProveNeedTheProofModule) {
  QTemporaryDir dir;
  const QString task = dir.filePath("beweis.nwd");
  ASSERT_EQ(Kaloroots({"--prove", "--function", "x^2-2", "--save-task", task}).code, 0);
  const QString program = QStringLiteral(QOR_BIN_DIR "/kaloroots");
  for (const QStringList& args : {QStringList{"--task", task}, QStringList{"--prove", "--function", "x^2-2"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const auto [code, out] = ProgramOutput(program, args + QStringList{"--format", "csv"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.count(",Bewiesen,"), 3) << "two roots and the rest\n" << out.toStdString();
  }

  const QString alone = dir.filePath("kaloroots");
  ASSERT_TRUE(QFile::copy(program, alone));
  const QString roots = dir.filePath("roots.csv");
  EXPECT_EQ(RunProgram(alone, {"--roots", roots}).first, 0);
  EXPECT_TRUE(QFile::remove(roots));
  for (const QStringList& args : {QStringList{"--task", task}, QStringList{"--prove"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const auto [code, err] = RunProgram(alone, args + QStringList{"--roots", roots});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(
        err.startsWith("Das Beweismodul '" + dir.filePath("kalorootsprove.so") + "' kann nicht geladen werden: "))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(roots));
  }
}

TEST(KaloRoots, TheProgramItself) {
  QProcess p;
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--version"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), "kaloroots 0.1.0.20 (qor Numerik)\n");
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--nodes", "3"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 2);

  // Without a display and without a platform named, the plot is drawn offscreen.
  QTemporaryDir dir;
  QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) headless.remove(variable);
  p.setProcessEnvironment(headless);
  p.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--plot", dir.filePath("grafik.png"), "--size", "200x100"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(QImage(dir.filePath("grafik.png")).size(), QSize(200, 100));
}

// The libraries a program file needs, as ldd lists them.
QString Libraries(const QString& FileName) {
  QProcess ldd;
  ldd.start(QStringLiteral("ldd"), {FileName});
  EXPECT_TRUE(ldd.waitForFinished(30000));
  return QString::fromUtf8(ldd.readAllStandardOutput());
}

// The batch program runs on servers: it must not need the libraries of windows and
// printers, and only a run that draws may load Qt Gui (through the drawing module) and
// start its font system.
TEST(KaloRoots, NeedsNoWidgetsAndStartsQtGuiOnlyToDraw) {
  const QString libraries = Libraries(QStringLiteral(QOR_BIN_DIR "/kaloroots"));
  EXPECT_TRUE(libraries.contains("libQt6Core")) << libraries.toStdString();
  for (const char* unwanted : {"libQt6Gui", "libQt6Widgets", "libQt6PrintSupport"})
    EXPECT_FALSE(libraries.contains(unwanted)) << unwanted << "\n" << libraries.toStdString();
  const QString drawing = Libraries(QStringLiteral(QOR_BIN_DIR "/kalorootsdraw.so"));
  EXPECT_TRUE(drawing.contains("libQt6Gui")) << drawing.toStdString();
  EXPECT_FALSE(drawing.contains("libQt6Widgets")) << drawing.toStdString();
  // Nor does a run without a proof load the ball arithmetic: its libraries come with
  // the proof module.
  for (const char* proving : {"libflint", "libmpfr", "libgmp", "libntl"})
    EXPECT_FALSE(libraries.contains(proving)) << proving << "\n" << libraries.toStdString();
  const QString proof = Libraries(QStringLiteral(QOR_BIN_DIR "/kalorootsprove.so"));
  for (const char* proving : {"libflint", "libmpfr", "libgmp"})
    EXPECT_TRUE(proof.contains(proving)) << proving << "\n" << proof.toStdString();
  EXPECT_FALSE(proof.contains("libQt6Gui")) << proof.toStdString();

  const struct {
    QStringList args;
    bool draws;
  } cases[] = {
      {{}, false},
      {{"--function", "sin(x)", "--format", "json"}, false},
      {{"--values", "werte.csv", "--roots", "roots.csv"}, false},
      {{"--plot", "grafik.png"}, true},
      {{"--report", "bericht.pdf"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    EXPECT_EQ(DrawsText(c.args), c.draws);
  }
}

TEST(KaloRoots, ExtremaAndInflectionPointsComeAsRowsOfTheirOwn) {
  const QJsonObject doc = Json({"--function", "x^3 - 3*x", "--xmin", "-3", "--xmax", "3", "--extrema", "--inflection"});
  EXPECT_EQ(doc["rows"].toArray().size(), 3);
  const QJsonArray extrema = doc["extrema"].toArray();
  const QStringList kinds = {"Maximum", "Wendepunkt", "Minimum", "globales Maximum", "globales Minimum"};
  ASSERT_EQ(extrema.size(), kinds.size());
  for (int i = 0; i < kinds.size(); ++i) EXPECT_EQ(extrema[i].toObject()["Kind"].toString(), kinds[i]);
  const QJsonObject maximum = extrema[0].toObject();
  EXPECT_NEAR(maximum["x"].toDouble(), -1, 1E-15);
  EXPECT_NEAR(maximum["ddy"].toDouble(), -6, 1E-14);
  EXPECT_EQ(maximum["Method"].toString(), "Zeroin(f')");
  EXPECT_FALSE(Json({"--function", "x^3"}).contains("extrema")) << "roots only prints what it always printed";

  const Result kink = Kaloroots({"--function", "abs(x)", "--extrema", "--format", "csv"});
  ASSERT_EQ(kink.code, 0) << kink.err.toStdString();
  const QStringList sections = kink.out.split("\n\n");
  ASSERT_EQ(sections.size(), 2) << kink.out.toStdString();
  EXPECT_TRUE(sections[1].startsWith("ID,Kind,x,y,dy,ddy,Method,IterCount,Remark\n0,Minimum,0,0,,,Knick,"))
      << sections[1].toStdString();
}

TEST(KaloRoots, DerivativesAddTwoColumnsToTheValuesFile) {
  QTemporaryDir dir;
  const QString values = dir.filePath("werte.csv");
  const Result r = Kaloroots({"--function", "x^2", "--nodes", "11", "--values", values, "--derivatives"});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QFile file(values);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 12);
  EXPECT_EQ(lines[0], "\"x-Werte\";\"y-Werte\";\"f'-Werte\";\"f''-Werte\"");
  EXPECT_TRUE(lines[1].endsWith("-5.000000000000000E+000;2.000000000000000E+000")) << lines[1].toStdString();
  EXPECT_EQ(Kaloroots({"--derivatives"}).err, "--derivatives gibt es nur mit --values.\nHilfe: kaloroots --help\n");
}

// Standard error says what the rows do not: how many different roots they show when
// rows repeat one, an --abs that was raised, and an absolute bound that limits a root's
// accuracy more than f does, with the way to relative accuracy. Otherwise it stays empty.
TEST(KaloRoots, StandardErrorCountsRootsAndNamesALimitingBound) {
  // The root's digits as R.
  const QString limiting =
      "Die absolute Fehlerschranke 4.34E-19 ist größer als die Genauigkeit, mit der f die "
      "Nullstelle bei x = R bestimmt. Für relative Genauigkeit: --abs 0 --rel 1e-18\n";
  const QString raised =
      "Die absolute Fehlerschranke 1E-30 ist kleiner als die kleinste, mit der gerechnet wird: "
      "sie wurde auf 4.34E-19 angehoben.\n";
  const QStringList x300 = {"--function", "x-1e-300", "--xmin", "-1", "--xmax", "1"};
  const QStringList sine = {"--function", "sin(x)", "--xmin", "-4", "--xmax", "4", "--nodes", "101"};
  const struct {
    const char* name;
    QStringList args;
    QString err;
  } cases[] = {
      {"sin(x) with 0 a node", sine, "3 Nullstellen in 4 Zeilen\n"},
      {"the default task", {}, ""},
      {"x - 1E-300 with the default bounds", x300, limiting},
      {"x - 1E-300, relative accuracy", x300 + QStringList{"--abs", "0", "--rel", "1e-18"}, ""},
      {"--abs below the floor, and it limits", x300 + QStringList{"--abs", "1e-30"}, raised + limiting},
      {"--abs below the floor alone", {"--function", "x-1", "--xmin", "0", "--xmax", "3", "--abs", "1e-30"}, raised},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r = Kaloroots(c.args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QString err = r.err;
    err.replace(QRegularExpression("x = [-0-9.E+]+ bestimmt"), "x = R bestimmt");
    EXPECT_EQ(err, c.err);
  }
  // In JSON the repeating row names the row it repeats; csv keeps the roots file's columns.
  const QJsonArray rows = Json(sine)["rows"].toArray();
  ASSERT_EQ(rows.size(), 4);
  for (int i = 0; i < 4; ++i) {
    const QJsonValue repeats = rows[i].toObject()["RepeatsRow"];
    if (i == 2)
      EXPECT_EQ(repeats.toInt(-1), 1);
    else
      EXPECT_TRUE(repeats.isNull()) << i;
  }
  EXPECT_FALSE(Kaloroots(sine + QStringList{"--format", "csv"}).out.contains("Repeats"));
}

// The extrema file is the window's "Extrema Speichern ...": the extrema table of the
// same calculation, byte for byte.
TEST(KaloRoots, WritesTheExtremaFileTheWindowWrites) {
  QLocale::setDefault(QLocale(QLocale::German));
  QTemporaryDir dir;
  const QString extrema = dir.filePath("extrema.csv");
  const Result r = Kaloroots({"--function", "x^3 - 3*x", "--nodes", "40", "--extrema", "--extrema-file", extrema});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();

  TKaloPersistRootFinding task;
  task.setCurveSearch({true, true, false, false});
  TqorMemoryDataset roots, table;
  DefineRootTable(roots);
  roots.Open();
  DefineExtremaTable(table);
  table.Open();
  TKaloRootCalculation calc(task, roots);
  calc.setExtremaTable(&table);
  calc.Execute({"x^3 - 3*x", -2.5L, 2.5L, 40});
  SaveExtremaFile(dir.filePath("extrema-fenster.csv"), table);
  QLocale::setDefault(QLocale::system());

  EXPECT_EQ(ReadBytes(extrema), ReadBytes(dir.filePath("extrema-fenster.csv")));
  EXPECT_TRUE(ReadBytes(extrema).startsWith("\"Art\";\"x\";\"f(x)\";")) << ReadBytes(extrema).left(80).toStdString();
  EXPECT_EQ(ReadBytes(extrema).count("\r\n"), table.RecordCount()) << "a header and one line per row";
  EXPECT_GE(table.RecordCount(), 2);
}

// The values file holds what the calculation computed: the search for extrema or
// inflection points computes f' and f'', and the file has their columns as in the window.
TEST(KaloRoots, TheValuesFileHasTheDerivativesWheneverTheyWereCalculated) {
  QTemporaryDir dir;
  const struct {
    const char* Name;
    QStringList Options;
    const char* Header;
  } cases[] = {
      {"roots only", {}, "\"x-Werte\";\"y-Werte\""},
      {"extrema", {"--extrema"}, "\"x-Werte\";\"y-Werte\";\"f'-Werte\";\"f''-Werte\""},
      {"inflection points", {"--inflection"}, "\"x-Werte\";\"y-Werte\";\"f'-Werte\";\"f''-Werte\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString values = dir.filePath("werte.csv");
    const Result r = Kaloroots(QStringList{"--function", "x^3", "--nodes", "11", "--values", values} + c.Options);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile file(values);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).section("\r\n", 0, 0), c.Header);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // --plot measures text: the tests need a platform, offscreen unless one is named.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
