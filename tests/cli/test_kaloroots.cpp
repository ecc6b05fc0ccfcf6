#include "KaloRootsCli.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <string>

namespace {

struct Result {
  int code;
  QString out, err;
};

Result Kaloroots(const QStringList& args) {
  QString out, err;
  QTextStream o(&out), e(&err);
  const int code = RunKaloRoots(args, o, e);
  o.flush();
  e.flush();
  return {code, out, err};
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
  const QStringList keys = {"ID",    "xIntervalMin", "xIntervalMax", "RootFinder",   "RootExists",
                            "xRoot", "yRoot",        "IterCount",    "ResultMessage"};
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
      {{"--nodes", "10001"}, 2, "Die Anzahl der Stützstellen muss zwischen 10 und 10000 liegen, nicht 10001."},
      {{"--xmin", "1,5"}, 2, "--xmin erwartet eine Zahl mit Punkt als Dezimaltrenner, nicht '1,5'."},
      {{"--xmax"}, 2, "Zu --xmax fehlt der Wert."},
      {{"--frobnicate"}, 2, "Unbekannte Option '--frobnicate'."},
      {{"--format", "xml"}, 2, "Unbekanntes Ausgabeformat 'xml' (table, csv oder json)."},
      {{"--zeroin", "0", "1"}, 2, "--zeroin braucht --function oder --script."},
      {{"--xmin", "1", "--xmax", "1", "--nodes", "10"}, 1,
       "Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EZeroDivide aufgetreten. "
       "Text der Fehlermeldung: Gleitkommadivision durch Null"},
      {{"--script", "/nonexistent/f.lua"}, 1, "Die Scriptdatei \"/nonexistent/f.lua\" kann nicht gelesen werden: "},
  };
  for (const Case& c : cases) {
    const Result r = Kaloroots(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith(c.firstLine)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
  }
  const Result syntax = Kaloroots({"--function", "sin(x"});
  EXPECT_EQ(syntax.code, 1);
  EXPECT_TRUE(syntax.err.startsWith("Fehler in LoadScriptFromString(): Syntaxfehler in Script ")) << syntax.err.toStdString();
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
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
