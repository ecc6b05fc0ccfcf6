#include "qorAppInfo.h"

#include "qorTestWidgets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

TEST(FitLabelFont, ShrinksPointByPointDownToEightPoints) {
  struct TCase {
    const char* Text;
    int Width;
    bool Fits;
  };
  const std::vector<TCase> cases = {
      {"kurz", 400, true},
      {"VASO Anwendung mit Numerik Werkzeugen", 400, true},
      {"VASO Anwendung mit Numerik Werkzeugen und noch viel mehr Text dahinter", 120, false},
  };
  for (const TCase& c : cases) {
    QLabel label(c.Text);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(30);
    label.setFont(font);
    label.resize(c.Width, 50);
    EXPECT_EQ(TfrmQORApplicationInfo::FitLabelFont(label), c.Fits) << c.Text;
    const qreal size = label.font().pointSizeF();
    const int textWidth = QFontMetrics(label.font()).horizontalAdvance(c.Text);
    if (c.Fits) {
      EXPECT_LE(textWidth, c.Width) << c.Text;
      // One point larger would not have fitted, unless the font was never shrunk.
      QFont larger = label.font();
      larger.setPointSizeF(size + 1);
      EXPECT_TRUE(size == 30 || QFontMetrics(larger).horizontalAdvance(c.Text) > c.Width) << c.Text;
    } else {
      EXPECT_EQ(size, 8) << c.Text;
    }
  }
}

class InfoDialog : public TWidgetTest {};

TEST_F(InfoDialog, ShowsTheProgramFileAndEndsBelowTheVersionLine) {
  TfrmQORApplicationInfo dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Informationen zur Anwendung");
  EXPECT_EQ(dialog.lblAppDescription->text(), "VASO Anwendung mit Numerik Werkzeugen");
  EXPECT_EQ(dialog.lblCompanyName->text(), provider.AppVersion().CompanyName());
  EXPECT_EQ(dialog.lblAppExeName->text(), "Programmdatei app_test_qorAppInfo");
  EXPECT_TRUE(dialog.lblVersionInfo->text().startsWith("Programmversion v0.01.0 (20) vom "));
  EXPECT_TRUE(dialog.lblVersionInfo->text().endsWith("2011"));
  EXPECT_EQ(dialog.width(), 518);
  const int versionBottom = dialog.lblVersionInfo->mapTo(&dialog, QPoint(0, dialog.lblVersionInfo->height())).y();
  EXPECT_EQ(dialog.height(), versionBottom + 3 + 30 + 2);
  EXPECT_EQ(dialog.panClient->size(), dialog.tsAppInfo->size());  // the picture covers the page
  EXPECT_TRUE(
      dialog.txtCredits->toPlainText().contains("Namentlich wurden die Werke folgender Copyright-Inhaber verwendet"));
}

// The label names the file that runs, under the name it has here, whatever name the
// version information was given for Windows.
TEST_F(InfoDialog, NamesTheProgramFileAsItLiesOnThisSystem) {
  const QString copied = install.filePath("Werkzeuge/bin/qorKaloTools");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(copied).path()));
  ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copied));
  TqorApplicationServiceProviderWin renamed(nullptr, {}, copied);
  renamed.setBinPath(provider.BinPath());
  renamed.Setup();
  renamed.SetGlobalServiceProvider();
  TfrmQORApplicationInfo dialog;
  dialog.show();
  EXPECT_EQ(dialog.lblAppExeName->text(), "Programmdatei qorKaloTools");
  EXPECT_EQ(dialog.lblAppDescription->text(), "VASO Anwendung mit Numerik Werkzeugen") << "read from that file";
  EXPECT_EQ(renamed.AppVersion().OriginalFilename(), "qorKaloTools.exe") << "the version information stays";
  dialog.close();
  provider.SetGlobalServiceProvider();
}

TEST_F(InfoDialog, OpensOnTheFirstPageAndEscapeClosesIt) {
  TfrmQORApplicationInfo fresh;
  EXPECT_EQ(fresh.pc->currentWidget(), fresh.tsAppInfo);
  EXPECT_EQ(fresh.pc->tabText(0), "Informationenen zum Programm");
  EXPECT_EQ(fresh.pc->tabText(1), "Credits");
  fresh.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
  QTest::keyClick(&fresh, Qt::Key_Escape);
  EXPECT_FALSE(fresh.isVisible());
}

TEST_F(InfoDialog, KeepsNoWindowMetrics) {
  StoreMetrics("ApplicationInfo", "1;2;300;200;0");
  TfrmQORApplicationInfo dialog;
  EXPECT_EQ(dialog.FormName(), "ApplicationInfo");
  dialog.show();
  EXPECT_EQ(dialog.width(), 518);
  dialog.close();
  EXPECT_EQ(StoredMetrics("ApplicationInfo"), "1;2;300;200;0");
}

}  // namespace
