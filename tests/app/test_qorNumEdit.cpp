#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QMouseEvent>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

const QLocale German(QLocale::German, QLocale::Germany);

// A field as the root-finding window uses it for the node count.
void MakeNodeCountField(TqorNumEdit& edit) {
  edit.setDecimals(0);
  edit.setLimits(10, 10000);
}

// A field as the properties dialog uses it for an error bound.
void MakeErrorBoundField(TqorNumEdit& edit) {
  edit.setNotation(TqorNumEdit::TNotation::Scientific);
  edit.setDecimals(10);
}

// The same double, bit for bit (0.0 and -0.0 differ).
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Replaces the field's text by typing Text, as a user does.
void Retype(TqorNumEdit& edit, const QString& Text) {
  edit.selectAll();
  SendKey(&edit, Qt::Key_Delete);
  TypeText(&edit, Text);
}

// Numbers read with a full stop unless a test sets another locale.
class NumEdit : public ::testing::Test {
protected:
  TDefaultLocale FLocale{QLocale::c()};
};

}  // namespace

TEST_F(NumEdit, DecimalFieldShowsFivePlacesAndZeroAsEmpty) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {-2.5, "-2.50000"},
      {2.5, "2.50000"},
      {123456.125, "123456.12500"},
      {0.00001, "0.00001"},
      {0, ""},
      // Five decimals would show these as 0: they show in exponent form instead.
      {0.000004, "4E-06"},
      {1e-6, "1E-06"},
      {-2.5e-7, "-2.5E-07"},
      {1.234567e-6, "1.23457E-06"},
      {1e-300, "1E-300"},
      {std::numeric_limits<double>::denorm_min(), "4.94066E-324"},
  };
  TqorNumEdit edit;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    edit.setValue(c.value);
    EXPECT_EQ(edit.text().toStdString(), c.text);
    EXPECT_EQ(edit.Value(), c.value) << "the field reads the value it holds, not its text";
  }
  edit.setText("");
  EXPECT_EQ(edit.Value(), 0);
  edit.setText("-");
  EXPECT_EQ(edit.Value(), 0) << "a number on its way reads as 0";
}

TEST_F(NumEdit, HoldsItsValueUntilTheUserEditsIt) {
  const double values[] = {1e-6, 3e-6, 0.1, 1.0 / 3, -1234567.123456789, std::ldexp(1.0, -62), 1e-300, -0.0};
  for (const QLocale& locale : {QLocale::c(), German}) {
    TDefaultLocale scope(locale);
    for (const double value : values) {
      SCOPED_TRACE(testing::Message() << locale.name().toStdString() << " " << value);
      TqorNumEdit edit;
      edit.setValue(value);
      edit.CommitText();
      emit edit.editingFinished();
      EXPECT_TRUE(SameBits(edit.Value(), value)) << "finishing without an edit keeps the value";
      const QString shown = edit.text();
      Retype(edit, shown);
      EXPECT_TRUE(SameBits(edit.Value(), value)) << "typing the shown text again keeps the value";
      Retype(edit, "2");
      EXPECT_EQ(edit.Value(), 2) << "an edit replaces the value";
      SendKey(&edit, Qt::Key_Return, "\r");
      EXPECT_EQ(edit.Value(), 2);
      EXPECT_EQ(edit.text(), locale.decimalPoint() == "," ? "2,00000" : "2.00000");
    }
  }
}

TEST_F(NumEdit, ScientificFieldShowsTenDecimalsAndKeepsEveryDigit) {
  TqorNumEdit edit;
  MakeErrorBoundField(edit);
  const double bound = std::ldexp(1.0, -62);  // the task's default absolute error bound
  edit.setValue(bound);
  EXPECT_EQ(edit.text(), "2.1684043450E-19");
  emit edit.editingFinished();
  EXPECT_EQ(edit.Value(), bound);
  edit.setValue(0);
  EXPECT_EQ(edit.text(), "");
  Retype(edit, "2.16840434497101E-019");
  EXPECT_EQ(edit.Value(), 2.16840434497101e-19) << "as many decimals as typed";
  edit.CommitText();
  EXPECT_EQ(edit.text(), "2.1684043450E-19");
  EXPECT_EQ(edit.Value(), 2.16840434497101e-19) << "committing shows the typed value, it does not round it";
}

TEST_F(NumEdit, CommaAndPointAreBothTheDecimalSeparatorInEveryLocale) {
  const struct {
    const char* typed;
    double value;
    const char* shownC;
    const char* shownGerman;
  } cases[] = {
      {"-1.5", -1.5, "-1.50000", "-1,50000"},
      {"-1,5", -1.5, "-1.50000", "-1,50000"},
      {"1,5e-6", 1.5e-6, "1.5E-06", "1,5E-06"},
      {".25", 0.25, "0.25000", "0,25000"},
      {"12345.5", 12345.5, "12345.50000", "12345,50000"},
  };
  for (const QLocale& locale : {QLocale::c(), German, QLocale(QLocale::English, QLocale::UnitedStates)}) {
    TDefaultLocale scope(locale);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << locale.name().toStdString() << " '" << c.typed << "'");
      TqorNumEdit edit;
      TypeText(&edit, c.typed);
      EXPECT_EQ(edit.Value(), c.value);
      SendKey(&edit, Qt::Key_Return, "\r");
      EXPECT_EQ(edit.text().toStdString(), locale.decimalPoint() == "," ? c.shownGerman : c.shownC);
      EXPECT_EQ(edit.Value(), c.value);
    }
  }
}

// Grouped digits are no number: "1.234" would otherwise be read as 1.234 by one user
// and meant as 1234 by another.
TEST_F(NumEdit, DigitGroupingIsMarkedAsNoNumber) {
  TDefaultLocale german(German);
  for (const char* pasted : {"1.234.567", "1.234,5", "1 234", "1'234", "-1.234.567,00000"}) {
    SCOPED_TRACE(pasted);
    TqorNumEdit edit;
    edit.insert(pasted);
    EXPECT_EQ(edit.text(), pasted) << "a pasted text is kept as it is";
    EXPECT_EQ(edit.Problem().left(11), "Keine Zahl:");
    EXPECT_EQ(edit.Value(), 0) << "and read as no number";
  }
  TqorNumEdit nodes;
  MakeNodeCountField(nodes);
  Retype(nodes, "1.000");
  EXPECT_EQ(nodes.text(), "1.000");
  EXPECT_EQ(nodes.Problem(), "Keine ganze Zahl: erlaubt sind Ziffern mit Vorzeichen, ohne Trennzeichen.");
  EXPECT_EQ(TqorNumEdit::ValueOfText("1.000"), 1.0) << "a point is a decimal separator";
}

TEST_F(NumEdit, WholeNumberFieldKeepsItsLimits) {
  const struct {
    const char* typed;
    int value;
    const char* shown;
  } cases[] = {
      {"5", 10, "10"},           {"20000", 10000, "10000"}, {"200", 200, "200"}, {"10", 10, "10"},
      {"10000", 10000, "10000"}, {"-3", 10, "10"},          {"", 10, "10"},  // empty reads as 0, which is below the
                                                                             // limits
  };
  for (const auto& c : cases) {
    TqorNumEdit edit;
    MakeNodeCountField(edit);
    edit.clear();
    TypeText(&edit, c.typed);
    EXPECT_EQ(edit.AsInteger(), c.value) << c.typed;
    edit.CommitText();
    EXPECT_EQ(edit.text().toStdString(), c.shown) << c.typed;
  }
  TqorNumEdit edit;
  MakeNodeCountField(edit);
  edit.setValue(199.6);
  EXPECT_EQ(edit.text(), "200");
  EXPECT_EQ(edit.Value(), 200) << "a whole-number field holds a whole number";
}

// No key is swallowed: a text that is no number stays as typed, marked, with its
// reason, and is not committed, until it is a number again.
TEST_F(NumEdit, EveryKeyReachesTheTextAndANonNumberIsMarkedUntilCorrected) {
  TqorNumEdit nodes;
  MakeNodeCountField(nodes);
  QStringList problems;
  QObject::connect(&nodes, &TqorNumEdit::ProblemChanged, [&](const QString& Problem) { problems << Problem; });
  const QColor normal = nodes.palette().color(QPalette::Base);
  nodes.clear();
  TypeText(&nodes, "1x2");
  EXPECT_EQ(nodes.text(), "1x2") << "no key is refused";
  EXPECT_FALSE(nodes.Problem().isEmpty());
  EXPECT_EQ(nodes.toolTip(), nodes.Problem());
  EXPECT_NE(nodes.palette().color(QPalette::Base), normal) << "the field is marked";
  SendKey(&nodes, Qt::Key_Return, "\r");
  EXPECT_EQ(nodes.text(), "1x2") << "Enter does not replace a text that is no number";
  SendKey(&nodes, Qt::Key_Backspace);
  SendKey(&nodes, Qt::Key_Backspace);
  TypeText(&nodes, "25");
  EXPECT_EQ(nodes.text(), "125");
  EXPECT_TRUE(nodes.Problem().isEmpty());
  EXPECT_EQ(nodes.palette().color(QPalette::Base), normal) << "the mark goes with the problem";
  EXPECT_TRUE(nodes.toolTip().isEmpty());
  EXPECT_EQ(problems.size(), 2) << "one change to a problem and one back";
  EXPECT_TRUE(problems.last().isEmpty());
  nodes.setText("20000");
  SendKey(&nodes, Qt::Key_Return, "\r");
  EXPECT_EQ(nodes.text(), "10000");

  TqorNumEdit x;
  x.clear();
  TypeText(&x, "0.1234567");
  EXPECT_EQ(x.text(), "0.1234567") << "more decimals than shown may be typed";
  SendKey(&x, Qt::Key_Return, "\r");
  EXPECT_EQ(x.text(), "0.12346");
  EXPECT_EQ(x.Value(), 0.1234567) << "and are kept";
  Retype(x, "2x.5e-3e");
  EXPECT_EQ(x.text(), "2x.5e-3e");
  EXPECT_EQ(x.Problem(),
            "Keine Zahl: erlaubt sind Ziffern mit Vorzeichen, ein Dezimalkomma (oder -punkt) und ein Exponent, "
            "z. B. -2,5 oder 1E-6.");
  Retype(x, "1e999");
  EXPECT_EQ(x.Problem(), "Die Zahl liegt außerhalb des darstellbaren Bereichs.");
  Retype(x, "2.5e-3");
  EXPECT_TRUE(x.Problem().isEmpty());
  EXPECT_EQ(x.Value(), 0.0025);
}

// The point in Edit's text over the character at Index.
QPoint PointAtCharacter(QLineEdit& Edit, int Index) {
  const int y = Edit.height() / 2;
  int from = -1;
  int to = -1;
  for (int x = 0; x < Edit.width(); ++x) {
    const int at = Edit.cursorPositionAt({x, y});
    if (at == Index && from < 0) from = x;
    if (at == Index + 1 && to < 0) to = x;
  }
  return {(from + to) / 2, y};
}

// Sends Events of the left button at At, as the mouse sends them.
void SendMouse(QWidget& Target, QPoint At, std::initializer_list<QEvent::Type> Events) {
  for (const QEvent::Type type : Events) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(At), Target.mapToGlobal(QPointF(At)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&Target, &event);
  }
}
void Click(QWidget& Target, QPoint At) {
  SendMouse(Target, At, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease});
}
void DoubleClick(QWidget& Target, QPoint At) {
  SendMouse(
      Target, At,
      {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
}

// As in a spreadsheet: a double-click anywhere in the number selects all of it, so that
// typing replaces it; a click that only places the cursor and typing gives a text that
// is marked, not a silently different number.
TEST_F(NumEdit, ADoubleClickSelectsTheWholeNumberAndTypingReplacesIt) {
  TDefaultLocale german(German);
  const struct {
    const char* name;
    int character;  // in "-2,50000"
  } places[] = {{"sign", 0}, {"whole part", 1}, {"separator", 2}, {"decimals", 5}};
  for (const auto& place : places) {
    SCOPED_TRACE(place.name);
    TqorNumEdit edit;
    edit.resize(120, 24);
    edit.show();
    edit.setValue(-2.5);
    ASSERT_EQ(edit.text(), "-2,50000");
    DoubleClick(edit, PointAtCharacter(edit, place.character));
    EXPECT_EQ(edit.selectedText(), "-2,50000");
    TypeText(&edit, "-4");
    EXPECT_EQ(edit.text(), "-4");
    EXPECT_EQ(edit.Value(), -4);
    SendKey(&edit, Qt::Key_Return, "\r");
    EXPECT_EQ(edit.text(), "-4,00000");
  }
  TqorNumEdit edit;
  edit.resize(120, 24);
  edit.show();
  edit.setValue(-2.5);
  Click(edit, QPoint(edit.width() - 3, edit.height() / 2));
  TypeText(&edit, "-4");
  EXPECT_EQ(edit.text(), "-2,50000-4") << "every key arrives";
  EXPECT_FALSE(edit.Problem().isEmpty());
  EXPECT_EQ(NotANumberMessage(edit), "Im Feld '' steht keine Zahl: '-2,50000-4'. " + edit.Problem().toStdString());
}

// A 0 the user typed stays visible; a 0 the program sets shows as an empty field.
TEST_F(NumEdit, ATypedZeroShowsAsZero) {
  TqorNumEdit edit;
  edit.setValue(0);
  EXPECT_EQ(edit.text(), "");
  for (const char* typed : {"0", "0.000", "-0"}) {
    SCOPED_TRACE(typed);
    Retype(edit, typed);
    SendKey(&edit, Qt::Key_Return, "\r");
    EXPECT_EQ(edit.text(), "0");
    EXPECT_EQ(edit.Value(), 0);
  }
  Retype(edit, "");
  SendKey(&edit, Qt::Key_Return, "\r");
  EXPECT_EQ(edit.text(), "");
}

TEST_F(NumEdit, ValueOfText) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"", 0.0},     {"  -2,5 ", -2.5}, {"+.5", 0.5}, {"1e-6", 1e-6}, {"1E+3", 1000.0}, {"5.", 5.0},
      {"1e999", {}}, {"1,2,3", {}},     {"-", {}},    {"1e", {}},     {"abc", {}},      {"0x10", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TqorNumEdit::ValueOfText(c.text), c.value);
  }
}
