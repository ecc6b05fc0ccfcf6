#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// A field as the root-finding window uses it for the node count.
void MakeNodeCountField(TqorNumEdit& edit) {
  edit.setDecimals(0);
  edit.setLimits(10, 10000);
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
      {0.000004, "0.00000"},  // shown rounded; the value itself is kept
      {123456.125, "123456.12500"},
      {0, ""},
  };
  TqorNumEdit edit;
  for (const auto& c : cases) {
    edit.setValue(c.value);
    EXPECT_EQ(edit.text().toStdString(), c.text) << c.value;
  }
  edit.setText("");
  EXPECT_EQ(edit.Value(), 0);
  edit.setText("-");
  EXPECT_EQ(edit.Value(), 0) << "a number on its way reads as 0";
}

TEST_F(NumEdit, UsesTheLocaleDecimalSeparator) {
  TDefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
  TqorNumEdit edit;
  edit.setValue(-2.5);
  EXPECT_EQ(edit.text(), "-2,50000");
  edit.clear();
  TypeText(&edit, "1,25");
  EXPECT_EQ(edit.Value(), 1.25);
  edit.setValue(12345.5);
  EXPECT_EQ(edit.text(), "12345,50000") << "no digit grouping";
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
}

TEST_F(NumEdit, TypingIsLimitedToNumbersAndEnterShowsTheKeptValue) {
  TqorNumEdit nodes;
  MakeNodeCountField(nodes);
  nodes.clear();
  TypeText(&nodes, "1x2.5");
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
}
