#include "qorReportCommon.h"

#include "qorException.h"
#include "qorReportTemplate.h"
#include "qorReportTestSupport.h"
#include "qorTestQtApp.h"
#include "qorVersionInfo.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

// A value as the log shows it: texts as they are, numbers and booleans with their
// kind, date-time kinds by kind alone, null as "null".
QString Shown(const QVariant& Value) {
  if (Value.isNull()) return QStringLiteral("null");
  switch (Value.typeId()) {
    case QMetaType::QString:
      return Value.toString();
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
      return QString::fromLatin1(Value.typeName());
    default:
      return QStringLiteral("%1 %2").arg(QString::fromLatin1(Value.typeName()), Value.toString());
  }
}

// What the recording engine does when asked.
struct TEngineScript {
  bool LoadResult = true;
  bool PrepareResult = true;
  bool PrintResult = true;
  bool ThrowOnShow = false;
  // The template's objects that a preview prints.
  std::vector<TqorReportObject*> Objects;
};

// An engine that writes every call into Log and shows nothing.
class TRecordingEngine : public TqorReportEngine {
public:
  TRecordingEngine(QStringList& Log, const TEngineScript& Script) : FLog(Log), FScript(Script) {}
  ~TRecordingEngine() override { FLog << "freed"; }

  void Clear() override { FLog << "Clear"; }
  bool LoadFromFile(const QString& FileName) override {
    FLog << "LoadFromFile " + FileName;
    return FScript.LoadResult;
  }
  void SetVariable(const QString& Name, const QVariant& Value) override {
    FLog << QStringLiteral("SetVariable %1 = %2").arg(Name, Shown(Value));
  }
  void ClearDataSets() override { FLog << "ClearDataSets"; }
  void AddDataSet(const TqorReportDataSet& DataSet) override {
    FLog << QStringLiteral("AddDataSet %1 %2").arg(DataSet.UserName, DataSet.DataSet->objectName());
  }
  void setOnBeforePrint(TqorBeforePrintEvent Handler) override {
    FLog << "setOnBeforePrint";
    FOnBeforePrint = std::move(Handler);
  }
  void setReportName(const QString& Name) override { FLog << "setReportName " + Name; }
  void setFileName(const QString& Name) override { FLog << "setFileName " + Name; }
  void setPrintFileName(const QString& Name) override { FLog << "setPrintFileName " + Name; }
  void DesignReport() override { FLog << "DesignReport"; }
  void ShowReport() override {
    FLog << "ShowReport";
    if (FScript.ThrowOnShow) throw Exception("Vorschau gescheitert");
    for (TqorReportObject* object : FScript.Objects) FOnBeforePrint(*object);
  }
  bool PrepareReport() override {
    FLog << "PrepareReport";
    return FScript.PrepareResult;
  }
  bool Print() override {
    FLog << "Print";
    return FScript.PrintResult;
  }
  QString ErrorText() const override { return QStringLiteral("Fehler der Maschine"); }

private:
  QStringList& FLog;
  const TEngineScript& FScript;
  TqorBeforePrintEvent FOnBeforePrint;
};

// A concrete report on the recording engine whose pictures are PNG images of the size
// asked for, for every name but "keins".
class TTestReport : public TqorReportCommon {
public:
  QStringList Log;
  TEngineScript Script;
  // Answer of GetPicture.
  bool PictureAnswer = true;

  bool GetPicture(const QString& Name, int Width, int Height, QIODevice& Stream) override {
    Log << QStringLiteral("GetPicture %1 %2x%3").arg(Name).arg(Width).arg(Height);
    if (Name != "keins") QImage(Width, Height, QImage::Format_RGB32).save(&Stream, "PNG");
    return PictureAnswer;
  }

protected:
  std::unique_ptr<TqorReportEngine> CreateReport() override {
    Log << "CreateReport";
    return std::make_unique<TRecordingEngine>(Log, Script);
  }
};

class ReportWrapper : public ::testing::Test {
protected:
  QTemporaryDir folder;
  TqorMemoryDataset roots;
  TqorMemoryDataset values;
  TTestReport report;
  QString templateFile;
  TqorApplicationVersion version;

  void SetUp() override {
    roots.setObjectName("memRoot");
    values.setObjectName("memValues");
    report.setReportFilePath(folder.path());
    report.setReportFileName("kaloPlot2D");
    templateFile = folder.filePath("kaloPlot2D.fr3");
    QFile file(templateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    version.ReadVersion(QCoreApplication::applicationFilePath());
  }
};

TEST_F(ReportWrapper, RunsThePhasesInOrder) {
  report.setPrintPreview(true);
  report.AddDataset(roots, "Nullstellen");
  report.AddDataset(values, "Werte");
  report.AddDataset(roots, "Nullstellen");
  report.SetParameter("FunctionText", "sin(x)");
  report.SetParameter("NodeCount", 200);
  EXPECT_TRUE(report.Execute());
  EXPECT_EQ(report.Log, QStringList({
                            "CreateReport",
                            "Clear",
                            "LoadFromFile " + templateFile,
                            "SetVariable  Report = null",
                            "SetVariable FunctionText = 'sin(x)'",
                            "SetVariable NodeCount = int 200",
                            "SetVariable AppVersion = '" + version.FileVersion().AsDisplayString() + "'",
                            "SetVariable AppDescription = '" + version.FileDescription() + "'",
                            "SetVariable AppCopyright = '" + version.LegalCopyright() + "'",
                            "SetVariable PrintTimestamp = QTime",
                            "SetVariable PrintDate = QDate",
                            "ClearDataSets",
                            "AddDataSet Nullstellen memRoot",
                            "AddDataSet Werte memValues",
                            "AddDataSet Nullstellen memRoot",
                            "setOnBeforePrint",
                            "setReportName qor Report",
                            "setFileName " + templateFile,
                            "ShowReport",
                            "freed",
                        }));
  EXPECT_TRUE(report.DatasetList().empty());
  EXPECT_EQ(report.ErrorText(), "");
}

TEST_F(ReportWrapper, ShowsDesignsOrPrintsAsSetAndAsTheTemplateAllows) {
  const struct {
    const char* name;
    bool preview, design, templateExists, prepares, prints;
    QStringList calls;
    bool result;
  } cases[] = {
      {"preview", true, false, true, true, true, {"ShowReport"}, true},
      {"designer instead of preview", true, true, true, true, true, {"DesignReport"}, true},
      {"print", false, false, true, true, true, {"PrepareReport", "Print"}, true},
      {"print with designer switch", false, true, true, true, true, {"PrepareReport", "Print"}, true},
      {"preview without template", true, false, false, true, true, {}, false},
      {"print without template", false, false, false, true, true, {}, false},
      {"print with designer switch without template", false, true, false, true, true, {"DesignReport"}, true},
      {"designer without template", true, true, false, true, true, {"DesignReport"}, true},
      {"preparation fails", false, false, true, false, true, {"PrepareReport"}, false},
      {"printing fails", false, false, true, true, false, {"PrepareReport", "Print"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile file(templateFile);
    if (c.templateExists)
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    else
      file.remove();
    TTestReport run;
    run.setReportFilePath(folder.path());
    run.setReportFileName("kaloPlot2D");
    run.setPrintPreview(c.preview);
    run.setDesignReport(c.design);
    run.Script.PrepareResult = c.prepares;
    run.Script.PrintResult = c.prints;
    run.AddDataset(roots, "Nullstellen");
    EXPECT_EQ(run.Execute(), c.result);
    EXPECT_EQ(run.DatasetList().empty(), c.result);
    if (c.calls.isEmpty()) {
      // A missing template would show an empty page: the run says so and shows nothing.
      EXPECT_EQ(run.Log, QStringList()) << "no engine is made";
      EXPECT_EQ(run.ErrorText(),
                "Die Berichtsvorlage '" + QDir::toNativeSeparators(templateFile) + "' existiert nicht.");
      continue;
    }
    EXPECT_EQ(run.Log.contains("LoadFromFile " + templateFile), c.templateExists);
    EXPECT_TRUE(run.Log.contains("setFileName " + templateFile));
    EXPECT_EQ(run.Log.mid(run.Log.indexOf("setFileName " + templateFile) + 1), c.calls + QStringList{"freed"});
    EXPECT_EQ(run.ErrorText(), c.result ? "" : "Fehler der Maschine");
  }
}

TEST_F(ReportWrapper, WithoutTemplateNameLoadsNothingAndPreviews) {
  report.setReportFileName("");
  EXPECT_TRUE(report.Execute());
  EXPECT_EQ(report.Log.filter("LoadFromFile"), QStringList());
  EXPECT_TRUE(report.Log.contains("setFileName "));
  EXPECT_EQ(report.Log.mid(report.Log.size() - 2), QStringList({"ShowReport", "freed"}));
}

TEST_F(ReportWrapper, ATemplateThatDoesNotLoadShowsNothingAndKeepsTheTables) {
  report.setPrintPreview(true);
  report.Script.LoadResult = false;
  report.AddDataset(roots, "Nullstellen");
  EXPECT_FALSE(report.Execute());
  EXPECT_EQ(report.Log, QStringList({"CreateReport", "Clear", "LoadFromFile " + templateFile, "freed"}));
  EXPECT_EQ(report.ErrorText(), "Fehler der Maschine");
  EXPECT_EQ(report.DatasetList().size(), 1u);
}

TEST_F(ReportWrapper, EngineErrorsReachTheCallerAfterTheEngineIsFreed) {
  report.setPrintPreview(true);
  report.Script.ThrowOnShow = true;
  report.AddDataset(roots, "Nullstellen");
  EXPECT_THROW(report.Execute(), Exception);
  EXPECT_EQ(report.Log.mid(report.Log.size() - 2), QStringList({"ShowReport", "freed"}));
  EXPECT_EQ(report.DatasetList().size(), 1u);
}

TEST_F(ReportWrapper, PassesTextsAsStringLiteralsAndOtherValuesAsTheyAre) {
  const struct {
    QVariant value;
    QString shown;
  } cases[] = {
      {QString("it's"), "'it''s'"},
      {QString("''"), "''''''"},
      {QString(""), "''"},
      {QString(), "''"},
      {QVariant(), "''"},
      {42, "int 42"},
      {qint64(1) << 40, "qlonglong 1099511627776"},
      {2.5, "double 2.5"},
      {true, "bool true"},
      {QDate(2011, 4, 25), "QDate"},
      {QDateTime(QDate(2011, 4, 25), QTime(1, 2)), "QDateTime"},
  };
  for (const auto& c : cases) {
    TTestReport run;
    run.setReportFileName("");
    run.SetParameter("Wert", c.value);
    run.Execute();
    EXPECT_TRUE(run.Log.contains("SetVariable Wert = " + c.shown)) << c.shown.toStdString() << "\n"
                                                                   << run.Log.join('\n').toStdString();
  }
}

TEST_F(ReportWrapper, StandardParametersCarryTheProgramAndTheMomentOfPrinting) {
  const QDateTime before = QDateTime::currentDateTime();
  EXPECT_TRUE(report.SetStandardParameters());
  const QDateTime after = QDateTime::currentDateTime();
  const TqorParameterList& parameters = report.Parameters();
  ASSERT_EQ(parameters.Count(), 5);
  const auto value = [&parameters](int Index) { return parameters.Items(Index)->Value; };
  EXPECT_EQ(parameters.Items(0)->Name, "AppVersion");
  EXPECT_EQ(value(0), version.FileVersion().AsDisplayString());
  EXPECT_EQ(parameters.Items(1)->Name, "AppDescription");
  EXPECT_EQ(value(1), version.FileDescription());
  EXPECT_EQ(parameters.Items(2)->Name, "AppCopyright");
  EXPECT_EQ(value(2), version.LegalCopyright());
  EXPECT_EQ(parameters.Items(3)->Name, "PrintTimestamp");
  EXPECT_EQ(value(3).typeId(), QMetaType::QTime);
  EXPECT_TRUE(value(3).toTime() >= before.time().addMSecs(-before.time().msec()) || before.date() != after.date());
  EXPECT_EQ(parameters.Items(4)->Name, "PrintDate");
  EXPECT_EQ(value(4).typeId(), QMetaType::QDate);
  EXPECT_TRUE(value(4).toDate() == before.date() || value(4).toDate() == after.date());
}

TEST_F(ReportWrapper, RunsAgainWithTheTablesRegisteredAnew) {
  report.AddDataset(roots, "Nullstellen");
  EXPECT_TRUE(report.Execute());
  report.Log.clear();
  EXPECT_TRUE(report.Execute());
  EXPECT_EQ(report.Log.filter("AddDataSet"), QStringList());
  report.AddDataset(values, "Werte");
  report.Log.clear();
  EXPECT_TRUE(report.Execute());
  EXPECT_EQ(report.Log.filter("AddDataSet"), QStringList({"AddDataSet Werte memValues"}));
}

TEST_F(ReportWrapper, PicturesAreAskedForAtTheirRoundedSize) {
  const struct {
    const char* name;
    double width, height;
    QString asked;
    bool answer;
    QSize loaded;  // invalid: no picture afterwards
  } cases[] = {
      {"picPlot2D", 100.5, 101.5, "GetPicture picPlot2D 100x102", true, QSize(100, 102)},
      {"picPlot2D", 99.4, 0.6, "GetPicture picPlot2D 99x1", true, QSize(99, 1)},
      {"keins", 30, 20, "GetPicture keins 30x20", true, QSize()},
      {"behalten", 30, 20, "GetPicture behalten 30x20", false, QSize(7, 7)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked.toStdString());
    TqorReportPicture picture;
    picture.Name = c.name;
    picture.Bounds = QRectF(0, 0, c.width, c.height);
    QByteArray before;
    QBuffer stream(&before);
    stream.open(QIODevice::ReadWrite);
    QImage(7, 7, QImage::Format_RGB32).save(&stream, "PNG");
    picture.LoadFromStream(stream);
    TqorReportText text;
    text.Name = "picText";
    TTestReport run;
    run.setReportFileName("");
    run.PictureAnswer = c.answer;
    run.Script.Objects = {&text, &picture};
    run.Execute();
    EXPECT_EQ(run.Log.filter("GetPicture"), QStringList({c.asked})) << c.name;
    EXPECT_EQ(picture.HasPicture(), c.loaded.isValid()) << c.name;
  }
}

TEST_F(ReportWrapper, TheBaseHookLeavesPicturesEmpty) {
  class TPlainReport : public TqorReportCommon {
  public:
    TEngineScript Script;
    QStringList Log;

  protected:
    std::unique_ptr<TqorReportEngine> CreateReport() override {
      return std::make_unique<TRecordingEngine>(Log, Script);
    }
  } run;
  TqorReportPicture picture;
  QByteArray png;
  QBuffer stream(&png);
  stream.open(QIODevice::ReadWrite);
  QImage(7, 7, QImage::Format_RGB32).save(&stream, "PNG");
  picture.LoadFromStream(stream);
  run.setReportFileName("");
  run.Script.Objects = {&picture};
  EXPECT_TRUE(run.Execute());
  EXPECT_FALSE(picture.HasPicture());
}

TEST_F(ReportWrapper, TemplateFileIsFolderNameAndExtension) {
  const struct {
    QString path, name, ext, file;
  } cases[] = {
      {"/opt/kalo/Config/Report", "kaloPlot2D", ".fr3", "/opt/kalo/Config/Report/kaloPlot2D.fr3"},
      {"/opt/kalo/Config/Report/", "kaloPlot2D", ".fr3", "/opt/kalo/Config/Report/kaloPlot2D.fr3"},
      {"", "kaloPlot2D", ".fr3", "kaloPlot2D.fr3"},
      {"/opt", "kaloPlot2D", "", "/opt/kaloPlot2D"},
      {"/opt", "", ".fr3", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.path + " | " + c.name + " | " + c.ext).toStdString());
    TTestReport run;
    run.setReportFilePath(c.path);
    run.setReportFileName(c.name);
    run.setReportFileExt(c.ext);
    EXPECT_EQ(run.TemplateFileName(), c.file);
  }
}

TEST(ReportWrapperDefaults, ComeFromTheRunningProgramsFolders) {
  TqorReportCommon report;
  EXPECT_FALSE(report.PrintPreview());
  EXPECT_FALSE(report.DesignReport());
  EXPECT_EQ(report.ReportFileName(), "");
  EXPECT_EQ(report.ReportFileExt(), ".fr3");
  EXPECT_EQ(report.FileName(), "qorReport");
  EXPECT_EQ(report.ReportName(), "qor Report");
  EXPECT_EQ(report.Owner(), nullptr);
  EXPECT_EQ(report.ReportFilePath(),
            QDir::cleanPath(QCoreApplication::applicationDirPath() + "/..") + "/Config/Report");
}

}  // namespace
