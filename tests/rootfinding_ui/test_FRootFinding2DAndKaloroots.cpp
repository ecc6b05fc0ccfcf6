#include "FRootFinding2D.h"
#include "FRootFinding2DProperties.h"
#include "KaloRootCalculation.h"
#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestModal.h"
#include "qorTestWidgets.h"
#include "qorValue.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <charconv>
#include <optional>
#include <string>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// A task as a user gives it: the texts typed into the window's fields and the properties
// dialog, which are also the values of kaloroots' options. A missing text keeps the
// default.
struct TTypedTask {
  const char* Name;
  const char* Function;
  const char* xMin;
  const char* xMax;
  const char* Nodes;
  const char* AbsError;
  const char* RelError;
};

const TTypedTask Tasks[] = {
    {"Mikro", "x - 2E-6", "1E-6", "3E-6", nullptr, nullptr, nullptr},
    {"Zehntel", "sin(10*x)", "0.1", "0.7", "150", "1E-12", "1E-9"},
    {"Millionen", "x*x - 1E6", "-1234567", "0", "1000", "1E-8", "1E-6"},
    {"Standard", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

const char* const RealFields[] = {RootField::xIntervalMin, RootField::xIntervalMax, RootField::xRoot, RootField::yRoot};

// The window, typed into under German regional settings, where a typed point must still
// be the decimal separator.
class WindowAndKaloroots : public TWidgetTest {
protected:
  static void SetText(QLineEdit* Field, const QString& Text) {
    Field->clear();
    TypeText(Field, Text);
  }

  // Types the task into w and calculates it: the error bounds through the properties
  // dialog, whose OK calculates.
  void CalculateInWindow(TfrmRootFinding2D& w, const TTypedTask& Task) {
    if (Task.Function) SetText(Child<QLineEdit>(w, "txtFct"), Task.Function);
    if (Task.xMin) SetText(Child<QLineEdit>(w, "txtXmin"), Task.xMin);
    if (Task.xMax) SetText(Child<QLineEdit>(w, "txtXmax"), Task.xMax);
    if (Task.Nodes) SetText(Child<QLineEdit>(w, "txtNodeCount"), Task.Nodes);
    if (!Task.AbsError && !Task.RelError) {
      Child<QAction>(w, "actCalculate")->trigger();
      return;
    }
    OnNextModal<TfrmRootFinding2DProperties>([&Task](TfrmRootFinding2DProperties* Dialog) {
      if (Task.AbsError) SetText(Dialog->txtAbsError, Task.AbsError);
      if (Task.RelError) SetText(Dialog->txtRelError, Task.RelError);
      Dialog->cmdOK->click();
    });
    Child<QAction>(w, "actEditProperties")->trigger();
  }

  // The standard output of the built kaloroots for Task in JSON.
  static QString KalorootsJson(const TTypedTask& Task) {
    QStringList args = {"--format", "json"};
    const std::pair<const char*, const char*> options[] = {{"--function", Task.Function}, {"--xmin", Task.xMin},
                                                           {"--xmax", Task.xMax},         {"--nodes", Task.Nodes},
                                                           {"--abs", Task.AbsError},      {"--rel", Task.RelError}};
    for (const auto& [option, value] : options)
      if (value) args << option << value;
    QProcess process;
    process.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), args);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
  }

  TDefaultLocale locale{QLocale(QLocale::German, QLocale::Germany)};
};

// Every digit of X, for the messages of failed comparisons.
std::string Digits(std::optional<Extended> X) {
  if (!X) return "null";
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, *X, std::chars_format::general, 21);
  return ec == std::errc() ? std::string(text, end) : "?";
}

// The real Name of a line of kaloroots' JSON as it was written: all 21 digits, which a
// QJsonValue, holding a double, would not keep. Empty for null.
std::optional<Extended> RawReal(const QString& Line, const QString& Name) {
  const QRegularExpressionMatch m = QRegularExpression("\"" + Name + "\":([^,}\\]]+)").match(Line);
  EXPECT_TRUE(m.hasMatch()) << Name.toStdString() << " in " << Line.toStdString();
  if (m.captured(1) == QLatin1String("null")) return std::nullopt;
  return ExpTextToFloat(m.captured(1));
}

// Every row of kaloroots' output against the roots table of w: the same fields with the
// same values, reals as the table holds them (doubles) and roots as the window's root
// vectors hold them (Extended).
void ExpectSameResults(TfrmRootFinding2D& w, const QString& Json) {
  QJsonParseError error;
  const QJsonObject top = QJsonDocument::fromJson(Json.toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << Json.toStdString();
  const QStringList lines = Json.split('\n', Qt::SkipEmptyParts);
  for (const auto& [name, ran] : {std::pair{"xMin", w.CalculatedTask().xMin()}, {"xMax", w.CalculatedTask().xMax()}}) {
    const std::optional<Extended> value = RawReal(lines[0], name);
    EXPECT_EQ(value, ran) << name << " as the window ran it: " << Digits(value) << " against " << Digits(ran);
  }
  EXPECT_EQ(top["NodeCount"].toInt(), w.CalculatedTask().NodeCount());

  const QJsonArray rows = top["rows"].toArray();
  const TqorMemoryDataset& table = w.memRoot();
  ASSERT_EQ(rows.size(), table.RecordCount());
  ASSERT_EQ(lines.size(), rows.size() + 1) << "one line per row";
  size_t root = 0;
  for (int i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "row " << i);
    const QJsonObject row = rows[i].toObject();
    const auto at = [&table, i](const char* Field) { return table.FieldByName(Field).ValueAt(i); };
    EXPECT_EQ(row[RootField::ID].toInt(), at(RootField::ID).toInt());
    EXPECT_EQ(row[RootField::RootFinder].toString(), at(RootField::RootFinder).toString());
    EXPECT_EQ(row[RootField::RootExists].toBool(), at(RootField::RootExists).toBool());
    EXPECT_EQ(row[RootField::ResultMessage].toString(), at(RootField::ResultMessage).toString());
    EXPECT_EQ(row[RootField::IterCount].isNull(), !at(RootField::IterCount).isValid());
    EXPECT_EQ(row[RootField::IterCount].toInt(), at(RootField::IterCount).toInt());
    for (const char* field : RealFields) {
      const std::optional<Extended> value = RawReal(lines[i + 1], field);
      EXPECT_EQ(value.has_value(), at(field).isValid()) << field;
      if (value) {
        EXPECT_EQ(static_cast<double>(*value), at(field).toDouble()) << field;
      }
    }
    // The root vectors hold each root once, as the first row that shows it has it.
    if (!row[RootField::RootExists].toBool() || !row["RepeatsRow"].isNull()) continue;
    ASSERT_LT(root, w.RootX().size());
    for (const auto& [name, found] :
         {std::pair{RootField::xRoot, w.RootX()[root]}, {RootField::yRoot, w.RootY()[root]}}) {
      const std::optional<Extended> value = RawReal(lines[i + 1], name);
      EXPECT_EQ(value, found) << "every digit of " << name << ": " << Digits(value) << " against " << Digits(found);
    }
    ++root;
  }
  EXPECT_EQ(root, w.RootX().size());
}

}  // namespace

TEST_F(WindowAndKaloroots, EveryTaskGivesTheSameRowsInTheWindowAndInTheBatchProgram) {
  for (const TTypedTask& task : Tasks) {
    SCOPED_TRACE(task.Name);
    TfrmRootFinding2D w;
    CalculateInWindow(w, task);
    ASSERT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    const TKaloPersistRootFinding& calculated = w.CalculatedTask();
    // The typed texts, a point as the decimal separator, hold as doubles.
    const auto typed = [](const char* Text, Extended Default) { return Text ? ExpTextToDouble(Text) : Default; };
    const TKaloPersistRootFinding defaults;
    EXPECT_EQ(calculated.xMin(), typed(task.xMin, defaults.xMin()));
    EXPECT_EQ(calculated.AbsErrorBound(), typed(task.AbsError, defaults.AbsErrorBound()));
    EXPECT_EQ(calculated.RelErrorBound(), typed(task.RelError, defaults.RelErrorBound()));
    EXPECT_GT(w.RootX().size(), 0u) << "each task has roots to compare";
    ExpectSameResults(w, KalorootsJson(task));
  }
}

namespace {

// A function that fails shows the same words in the window as on kaloroots' standard
// error: a plain sentence first, the interpreter's detail after it.
TEST_F(WindowAndKaloroots, AFailingFunctionGivesTheSameMessageInTheWindowAndInTheBatchProgram) {
  for (const char* function : {"0,5*x - 1", "2x-1", "sinn(x)", "sin(x"}) {
    SCOPED_TRACE(function);
    shownErrors.clear();
    TfrmRootFinding2D w;
    auto* fct = Child<QLineEdit>(w, "txtFct");
    fct->setText(function);
    Child<QAction>(w, "actCalculate")->trigger();
    ASSERT_EQ(shownErrors.size(), 1);
    QProcess process;
    process.start(QStringLiteral(QOR_BIN_DIR "/kaloroots"), {"--function", function});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    QString error = QString::fromUtf8(process.readAllStandardError()).trimmed();
    EXPECT_EQ(error, QString(shownErrors[0]).trimmed());
  }
}

}  // namespace
