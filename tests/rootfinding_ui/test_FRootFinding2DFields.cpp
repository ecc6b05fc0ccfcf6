#include "FRootFinding2D.h"
#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

const QLocale German(QLocale::German, QLocale::Germany);

// The window's number fields as a user meets them: German numbers, status messages
// recorded as the main window would show them.
class RootFinding2DFields : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    QObject::connect(&provider, &TqorApplicationServiceProviderBase::StatusMessageNotification,
                     [this](const QString& Text) { messages << Text; });
  }

  template <class TChild>
  static TChild* Child(QWidget& Window, const char* Name) {
    TChild* child = Window.findChild<TChild*>(QString::fromLatin1(Name));
    EXPECT_NE(child, nullptr) << Name;
    return child;
  }

  TDefaultLocale locale{German};
  QStringList messages;
};

// A click at the field's end and "-4" give "-2,50000-4": no key is swallowed, the status
// bar says why the field is marked, and F5 says so instead of calculating -2,5 again.
// A click of the left button at At.
void Click(QWidget& Target, QPoint At) {
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(At), Target.mapToGlobal(QPointF(At)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&Target, &event);
  }
}

TEST_F(RootFinding2DFields, F5OnAFieldThatHoldsNoNumberSaysSoAndCalculatesNothing) {
  TfrmRootFinding2D w;
  w.show();
  w.activateWindow();
  QApplication::processEvents();
  auto* xMin = Child<TqorNumEdit>(w, "txtXmin");
  ASSERT_EQ(xMin->text(), "-2,50000");
  const int nodesBefore = w.CalculatedTask().NodeCount();
  messages.clear();  // the first calculation's (empty) note
  Click(*xMin, QPoint(xMin->width() - 3, xMin->height() / 2));
  TypeText(xMin, "-4");
  EXPECT_EQ(xMin->text(), "-2,50000-4");
  const QString reason =
      "Keine Zahl: erlaubt sind Ziffern mit Vorzeichen, ein Dezimalkomma (oder -punkt) und ein Exponent, "
      "z. B. -2,5 oder 1E-6.";
  EXPECT_EQ(messages, QStringList{"x-Werte von: " + reason});

  const int calculatedBefore = w.memRoot().RecordCount();
  auto* nodes = Child<TqorNumEdit>(w, "txtNodeCount");
  nodes->setText("100");
  nodes->setFocus();
  PressKey(nodes, Qt::Key_F5);
  ASSERT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(shownErrors[0], "Im Feld 'x-Werte von' steht keine Zahl: '-2,50000-4'. " + reason);
  EXPECT_EQ(w.CalculatedTask().NodeCount(), nodesBefore) << "nothing was calculated";
  EXPECT_EQ(w.memRoot().RecordCount(), calculatedBefore);
  EXPECT_EQ(xMin->text(), "-2,50000-4") << "the text stays for the user to correct";
  EXPECT_EQ(xMin->selectedText(), xMin->text());

  TypeText(xMin, "-4");
  EXPECT_EQ(messages.last(), "") << "the reason goes when the text is a number";
  PressKey(xMin, Qt::Key_F5);
  EXPECT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(w.CalculatedTask().xMin(), -4.0L);
  EXPECT_EQ(w.CalculatedTask().NodeCount(), 100);
}

// Saving or editing the properties takes the fields too: a field without a number
// stops them with the same message instead of saving the value it held before.
TEST_F(RootFinding2DFields, TakingTheFieldsIntoTheTaskRefusesAFieldWithoutANumber) {
  TfrmRootFinding2D w;
  auto* nodes = Child<TqorNumEdit>(w, "txtNodeCount");
  nodes->setText("2OO");
  EXPECT_THROW(w.TakeFields(), EConvertError);
  EXPECT_EQ(w.RootFinder().NodeCount(), 200);
  try {
    w.TakeFields();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(),
              "Im Feld 'Stützstellen' steht keine Zahl: '2OO'. "
              "Keine ganze Zahl: erlaubt sind Ziffern mit Vorzeichen, ohne Trennzeichen.");
  }
}

}  // namespace
