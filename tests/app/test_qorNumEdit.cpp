#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

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
      {"1.234,5", 1.2345, "1.23450", "1,23450"},  // the second separator is refused
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

TEST_F(NumEdit, DigitGroupingIsRefused) {
  TDefaultLocale german(German);
  for (const char* pasted : {"1.234.567", "1.234,5", "1 234", "1'234", "-1.234.567,00000"}) {
    SCOPED_TRACE(pasted);
    TqorNumEdit edit;
    edit.insert(pasted);
    EXPECT_EQ(edit.text(), "") << "a pasted number with grouping is not taken";
    edit.setText(pasted);
    EXPECT_EQ(edit.Value(), 0) << "and read as no number";
  }
  TqorNumEdit nodes;
  MakeNodeCountField(nodes);
  Retype(nodes, "1.000");
  EXPECT_EQ(nodes.text(), "1000") << "no separator at all in a whole-number field";
  EXPECT_EQ(TqorNumEdit::ValueOfText("1.000"), 1.0) << "a point is a decimal separator";
}

TEST_F(NumEdit, WholeNumberFieldKeepsItsLimits) {
  const struct {
    const char* typed;
    int value;
    const char* shown;
  } cases[] = {
      {"5", 10, "10"},       {"20000", 10000, "10000"}, {"200", 200, "200"},
      {"10", 10, "10"},      {"10000", 10000, "10000"}, {"-3", 10, "10"},
      {"", 10, "10"},  // empty reads as 0, which is below the limits
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

TEST_F(NumEdit, TypingIsLimitedToNumbersAndEnterShowsTheKeptValue) {
  TqorNumEdit nodes;
  MakeNodeCountField(nodes);
  nodes.clear();
  TypeText(&nodes, "1x2.5e");
  EXPECT_EQ(nodes.text(), "125") << "no letters or decimal separator in a whole-number field";
  nodes.setText("20000");
  SendKey(&nodes, Qt::Key_Return, "\r");
  EXPECT_EQ(nodes.text(), "10000");
  nodes.setValue(3);
  EXPECT_EQ(nodes.text(), "10");

  TqorNumEdit x;
  x.clear();
  TypeText(&x, "0.1234567");
  EXPECT_EQ(x.text(), "0.12345") << "no more than five decimal places";
  Retype(x, "2x.5e-3e");
  EXPECT_EQ(x.text(), "2.5e-3") << "one separator, one exponent, no letters";
  EXPECT_EQ(x.Value(), 0.0025);
}

TEST_F(NumEdit, ValueOfText) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"", 0.0},        {"  -2,5 ", -2.5},  {"+.5", 0.5},     {"1e-6", 1e-6},
      {"1E+3", 1000.0}, {"5.", 5.0},        {"1e999", {}},    {"1,2,3", {}},
      {"-", {}},        {"1e", {}},         {"abc", {}},      {"0x10", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TqorNumEdit::ValueOfText(c.text), c.value);
  }
}
