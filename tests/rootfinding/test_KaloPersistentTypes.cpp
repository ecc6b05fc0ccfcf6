#include "KaloPersistentTypes.h"
#include "qorException.h"
#include "qorProofDigits.h"
#include "qorTestFiles.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <tuple>

#include <cfenv>
#include <cmath>
#include <limits>

TEST(KaloPersistRootFinding, NewTaskHasTheDefaults) {
  TKaloPersistRootFinding task;
  EXPECT_EQ(task.xMin(), -2.5L);
  EXPECT_EQ(task.xMax(), 2.5L);
  EXPECT_EQ(task.NodeCount(), 200);
  EXPECT_EQ(task.RelErrorBound(), 0);
  EXPECT_EQ(task.AbsErrorBound(), std::ldexp(1.0L, -62));
  EXPECT_TRUE(task.Name().isEmpty());
  EXPECT_TRUE(task.RootFunction().SimpleScript());
  EXPECT_EQ(task.RootFunction().FunctionScript(), "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6");
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(task.RootFunction().ID()).hasMatch())
      << task.RootFunction().ID().toStdString();
}

TEST(KaloPersistRootFinding, EveryTaskDrawsItsOwnIdentifier) {
  TKaloPersistRootFinding first, second;
  EXPECT_NE(first.RootFunction().ID(), second.RootFunction().ID());
}

TEST(KaloPersistRootFinding, NameIsTheFunctionsName) {
  TKaloPersistRootFinding task;
  task.setName("Polynom");
  EXPECT_EQ(task.RootFunction().Name(), "Polynom");
  task.RootFunction().setName("Sinus");
  EXPECT_EQ(task.Name(), "Sinus");
}

TEST(KaloPersistFunction, LuaTextWrapsOnlySimpleExpressions) {
  TKaloPersistFunction function;
  function.setFunctionScript(" sin(x)");
  EXPECT_EQ(function.LuaText(), "function fct(x) return ( sin(x)); end;");
  const QString script = "function g(x)\r\n  return x\r\nend";
  function.setFunctionScript(script);
  function.setSimpleScript(false);
  EXPECT_EQ(function.LuaText(), script) << "a full script is used unchanged, fct or not";
}

// ------------------------------------------------------------------ task files

namespace {

// Every field of a task, to see whether a failed read changed anything.
auto Fields(const TKaloPersistRootFinding& Task) {
  const TKaloPersistFunction& f = Task.RootFunction();
  return std::make_tuple(Task.xMin(), Task.xMax(), Task.AbsErrorBound(), Task.RelErrorBound(), Task.NodeCount(), f.ID(),
                         f.Name(), f.FunctionScript(), f.SimpleScript(), Task.ProveRoots(), Task.ProofDigits());
}

// A task that differs from the defaults in every field.
void MakeDistinct(TKaloPersistRootFinding& Task) {
  Task.setxMin(-1.25L);
  Task.setxMax(3.75L);
  Task.setAbsErrorBound(1e-12L);
  Task.setRelErrorBound(1e-9L);
  Task.setNodeCount(321);
  Task.setProveRoots(true);
  Task.setProofDigits(12);
  Task.setName("Vorher");
  Task.RootFunction().setFunctionScript("function fct(x)\r\n  return x\r\nend;");
  Task.RootFunction().setSimpleScript(false);
}

class TaskFile : public ::testing::Test {
protected:
  QString Path(const QString& Name) const { return dir.filePath(Name); }
  // Loads a task file with the given content into a fresh task.
  void LoadText(const char* Xml) {
    WriteBytes(Path("t.nwd"), Xml);
    LoadTaskFile(Path("t.nwd"), task);
  }
  QTemporaryDir dir;
  TKaloPersistRootFinding task;
};

TEST_F(TaskFile, DefaultTaskGivesTheFourLinesOfTheWorkedExampleOnAnyLocale) {
  const QByteArray expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<RootFinding xMin=\"-2.50000000000000E+000\" xMax=\"2.50000000000000E+000\" "
      "AbsErrorBound=\"2.16840434497101E-019\" RelErrorBound=\"0.00000000000000E+000\" NodeCount=\"200\">\n"
      "  <Function ID=\"GUID\" Name=\"Polynom\" SimpleScript=\"true\" "
      "Script=\"0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6\" />\n"
      "</RootFinding>\n";
  for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
    QLocale::setDefault(QLocale(language));
    TKaloPersistRootFinding fresh;
    SaveTaskFile(Path("Polynom.nwd"), fresh);
    QByteArray bytes = ReadBytes(Path("Polynom.nwd"));
    EXPECT_EQ(bytes.replace(fresh.RootFunction().ID().toLatin1(), "GUID"), expected)
        << QLocale::languageToString(language).toStdString();
    EXPECT_EQ(fresh.Name(), "Polynom") << "an unnamed task takes the file's base name";
  }
  QLocale::setDefault(QLocale::c());
}

TEST_F(TaskFile, RealsAreWrittenAsDoublesAndReadBackExactly) {
  task.setxMin(0.1L);
  task.setName("Genau");
  SaveTaskFile(Path("a.nwd"), task);
  EXPECT_TRUE(ReadBytes(Path("a.nwd")).contains("xMin=\"1.00000000000000E-001\""));
  TKaloPersistRootFinding read;
  LoadTaskFile(Path("a.nwd"), read);
  EXPECT_EQ(read.xMin(), static_cast<Extended>(0.1)) << "the double nearest to 0.1";
  EXPECT_EQ(read.Name(), "Genau") << "a named task keeps its name";
}

// Every finite double is saved as a text that opens again: 15 digits as always, more
// only where 15 would round beyond the largest double. Files that wrote the largest
// double with 15 digits open too.
TEST_F(TaskFile, ExtremeRealsOpenAgain) {
  constexpr double largest = std::numeric_limits<double>::max();
  const struct {
    double value;
    const char* text;  // in the file
    double read;       // what opening the file gives
  } cases[] = {
      {largest, "1.7976931348623157E+308", largest},
      {-largest, "-1.7976931348623157E+308", -largest},
      {1.797693134862315E+308, "1.79769313486231E+308", 1.79769313486231E+308},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324", std::numeric_limits<double>::denorm_min()},
      {0.1, "1.00000000000000E-001", 0.1},
      {-0.0, "0.00000000000000E+000", 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    task.setxMax(c.value);
    SaveTaskFile(Path("a.nwd"), task);
    EXPECT_TRUE(ReadBytes(Path("a.nwd")).contains(QByteArray("xMax=\"") + c.text + "\""));
    TKaloPersistRootFinding read;
    LoadTaskFile(Path("a.nwd"), read);
    EXPECT_EQ(read.xMax(), static_cast<Extended>(c.read));
  }
  const struct {
    const char* text;
    double read;
  } written[] = {{"1.79769313486232E+308", largest}, {"-1.79769313486232E+308", -largest}};
  for (const auto& w : written) {
    SCOPED_TRACE(w.text);
    LoadText((std::string("<RootFinding xMax=\"") + w.text + "\"/>").c_str());
    EXPECT_EQ(task.xMax(), static_cast<Extended>(w.read));
  }
  WriteBytes(Path("t.nwd"), "<RootFinding xMax=\"1.79769313486233E+308\"/>");
  EXPECT_THROW_MSG(LoadTaskFile(Path("t.nwd"), task), EConvertError,
                   "Die Datei '" + Path("t.nwd").toStdString() +
                       "' kann nicht gelesen werden: Attribut 'xMax': '1.79769313486233E+308' ist kein gültiger "
                       "Gleitkommawert.");
  EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_INVALID)) << "no fault flag is left behind";
}

TEST_F(TaskFile, SaveAndOpenGiveTheSameTaskBack) {
  MakeDistinct(task);
  task.setxMin(0.5L);  // exactly a double, like every other value here but the bounds
  SaveTaskFile(Path("Lauf.nwd"), task);
  TKaloPersistRootFinding read;
  LoadTaskFile(Path("Lauf.nwd"), read);
  EXPECT_EQ(read.RootFunction().FunctionScript(), "function fct(x)\r\n  return x\r\nend;")
      << "the three lines of a full script come back separated by CR LF";
  EXPECT_FALSE(read.RootFunction().SimpleScript());
  EXPECT_EQ(read.RootFunction().ID(), task.RootFunction().ID());
  EXPECT_EQ(read.Name(), "Vorher");
  EXPECT_EQ(read.xMin(), 0.5L);
  EXPECT_EQ(read.NodeCount(), 321);
  EXPECT_EQ(read.AbsErrorBound(), static_cast<Extended>(1e-12));
}

// A task without the proof is stored as before it existed (see the worked example);
// one with it stores both attributes and gets them back.
TEST_F(TaskFile, ProofAttributesAreWrittenOnlyWhenSet) {
  task.setProveRoots(true);
  SaveTaskFile(Path("p.nwd"), task);
  QByteArray bytes = ReadBytes(Path("p.nwd"));
  EXPECT_TRUE(bytes.contains(" ProveRoots=\"true\""));
  EXPECT_FALSE(bytes.contains("ProofDigits"));
  task.setProofDigits(30);
  SaveTaskFile(Path("p.nwd"), task);
  TKaloPersistRootFinding read;
  LoadTaskFile(Path("p.nwd"), read);
  EXPECT_TRUE(read.ProveRoots());
  EXPECT_EQ(read.ProofDigits(), 30);

  LoadText("<RootFinding ProofDigits=\"99\"/>");
  EXPECT_FALSE(task.ProveRoots()) << "a missing ProveRoots is off";
  EXPECT_EQ(task.ProofDigits(), MaxProofDigits) << "held to the digits a proof gives";
}

TEST_F(TaskFile, ReadsWhatIsThereAndKeepsTheRest) {
  MakeDistinct(task);
  const QString id = task.RootFunction().ID();
  LoadText(
      "<Aufgabe xMin=\"-4.5\" xMax=\" 2.5E+000 \"><Function Name=\"Fremd\" SimpleScript=\"TRUE\" "
      "Script=\"x&#10;+1\"/></Aufgabe>");
  EXPECT_EQ(task.xMin(), -4.5L) << "the document element's name is not examined";
  EXPECT_EQ(task.xMax(), 2.5L);
  EXPECT_EQ(task.AbsErrorBound(), 1e-12L);
  EXPECT_EQ(task.RelErrorBound(), 1e-9L);
  EXPECT_EQ(task.NodeCount(), 321);
  EXPECT_EQ(task.RootFunction().ID(), id);
  EXPECT_EQ(task.Name(), "Fremd");
  EXPECT_TRUE(task.RootFunction().SimpleScript());
  EXPECT_EQ(task.RootFunction().FunctionScript(), "x\n+1") << "a simple expression keeps its LF";

  MakeDistinct(task);
  LoadText("<RootFinding NodeCount=\"17\"/>");
  EXPECT_EQ(task.NodeCount(), 17);
  EXPECT_EQ(task.RootFunction().FunctionScript(), "function fct(x)\r\n  return x\r\nend;");
  EXPECT_EQ(task.RootFunction().ID(), id);
  EXPECT_EQ(task.Name(), "Vorher");
  EXPECT_TRUE(task.RootFunction().SimpleScript()) << "a missing SimpleScript counts as true";

  LoadText("<RootFinding SimpleScript=\"0\" Script=\"a&#13;&#10;b&#10;c\"/>");
  EXPECT_FALSE(task.RootFunction().SimpleScript()) << "without a Function element, the root's attributes";
  EXPECT_EQ(task.RootFunction().FunctionScript(), "a\r\nb\r\nc");
}

TEST_F(TaskFile, ValueOfTheWrongKindLeavesTheWholeTaskAsItWas) {
  // Each file starts with a good xMin and ends with a good Function, so a read that
  // is not all or nothing would show in xMin or in the name.
  const struct {
    const char* root;
    const char* function;
    const char* message;
  } cases[] = {
      {"NodeCount=\"zwei\"", "", "Attribut 'NodeCount': 'zwei' ist kein gültiger Integerwert."},
      {"NodeCount=\"2.5\"", "", "Attribut 'NodeCount': '2.5' ist kein gültiger Integerwert."},
      {"NodeCount=\" \"", "", "Attribut 'NodeCount': ' ' ist kein gültiger Integerwert."},
      {"NodeCount=\"4294967296\"", "", "Attribut 'NodeCount': '4294967296' ist kein gültiger Integerwert."},
      {"xMax=\"\"", "", "Attribut 'xMax': '' ist kein gültiger Gleitkommawert."},
      {"RelErrorBound=\"1,5\"", "", "Attribut 'RelErrorBound': '1,5' ist kein gültiger Gleitkommawert."},
      {"AbsErrorBound=\"1E+400\"", "", "Attribut 'AbsErrorBound': '1E+400' ist kein gültiger Gleitkommawert."},
      {"", "SimpleScript=\"vielleicht\"",
       "Attribut 'SimpleScript': Text 'vielleicht' kann nicht als Boolean interpretiert werden."},
      {"", "SimpleScript=\"\"", "Attribut 'SimpleScript': Text '' kann nicht als Boolean interpretiert werden."},
  };
  MakeDistinct(task);
  const auto before = Fields(task);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const QByteArray xml = QByteArray("<RootFinding xMin=\"7\" ") + c.root + "><Function Name=\"Neu\" " + c.function +
                           " Script=\"x\"/></RootFinding>";
    WriteBytes(Path("t.nwd"), xml);
    EXPECT_THROW_MSG(LoadTaskFile(Path("t.nwd"), task), EConvertError,
                     "Die Datei '" + Path("t.nwd").toStdString() + "' kann nicht gelesen werden: " + c.message);
    EXPECT_EQ(Fields(task), before) << c.root << c.function;
  }
}

TEST_F(TaskFile, RealWithoutAFiniteDoubleIsRefusedAndTheOldFileKept) {
  const struct {
    void (TKaloPersistRootFinding::*set)(Extended);
    Extended value;
    const char* message;
  } cases[] = {
      {&TKaloPersistRootFinding::setxMin, -1e400L, "Attribut 'xMin': Der Wert -1.00000000000000E+400 kann nicht"},
      {&TKaloPersistRootFinding::setxMax, std::numeric_limits<Extended>::infinity(),
       "Attribut 'xMax': Der Wert INF kann nicht"},
      {&TKaloPersistRootFinding::setRelErrorBound, std::numeric_limits<Extended>::quiet_NaN(),
       "Attribut 'RelErrorBound': Der Wert NAN kann nicht"},
  };
  task.setName("Alt");
  SaveTaskFile(Path("a.nwd"), task);
  const QByteArray saved = ReadBytes(Path("a.nwd"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TKaloPersistRootFinding bad;
    (bad.*c.set)(c.value);
    EXPECT_THROW_MSG(SaveTaskFile(Path("a.nwd"), bad), EConvertError,
                     "Die Datei '" + Path("a.nwd").toStdString() + "' kann nicht geschrieben werden: " + c.message +
                         " gespeichert werden: nur endliche Zahlen bis etwa 1.8E+308 sind möglich.");
    EXPECT_EQ(ReadBytes(Path("a.nwd")), saved) << c.message;
    EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_INVALID)) << "no fault flag is left behind";
  }
}

TEST_F(TaskFile, ReadOnlyFileOpensAndStaysUntouched) {
  task.setName("Fest");
  SaveTaskFile(Path("fest.nwd"), task);
  QFile::setPermissions(Path("fest.nwd"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  const QByteArray bytes = ReadBytes(Path("fest.nwd"));
  const QDateTime modified = QFileInfo(Path("fest.nwd")).lastModified();
  TKaloPersistRootFinding read;
  LoadTaskFile(Path("fest.nwd"), read);
  EXPECT_EQ(read.Name(), "Fest");
  EXPECT_EQ(ReadBytes(Path("fest.nwd")), bytes);
  EXPECT_EQ(QFileInfo(Path("fest.nwd")).lastModified(), modified);
}

TEST(KaloPersistRootFinding, AssignCopiesEveryFieldIntoTheSameFunctionObject) {
  TKaloPersistRootFinding source, target;
  MakeDistinct(source);
  const TKaloPersistFunction* function = &target.RootFunction();
  target.Assign(source);
  EXPECT_EQ(Fields(target), Fields(source));
  EXPECT_EQ(&target.RootFunction(), function);
}

}  // namespace
