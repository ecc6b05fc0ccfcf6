#include "qorKaloToolsProgram.h"

#include "FRootFinding2D.h"
#include "qorMetafile.h"
#include "qorMetafileClipboard.h"
#include "qorPlotImage.h"
#include "qorReportDesigner.h"
#include "qorReportTemplate.h"
#include "qorTestModal.h"
#include "qorTestWidgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QTest>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// The template that the build puts into the program's report folder, and the size of
// its plot picture.
const QString BuiltTemplate = QStringLiteral(QOR_BIN_DIR "/../Config/Report/kaloPlot2D.fr3");
const QSize ReportPictureSize(672, 400);

// The program's print preview registered, the built template in the provider's report
// folder.
class KaloToolsReport : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    RegisterRootFindingReport();
    ASSERT_TRUE(QFile::copy(BuiltTemplate, TemplatePath()));
  }
  void TearDown() override {
    TfrmRootFinding2D::setPrintPreviewHook({});
    TWidgetTest::TearDown();
  }

  QString TemplatePath() const { return provider.RptPath() + "/kaloPlot2D.fr3"; }
  static void Trigger(QWidget& Window, const char* Action) {
    QAction* action = Window.findChild<QAction*>(QString::fromLatin1(Action));
    ASSERT_NE(action, nullptr) << Action;
    action->trigger();
  }
};

TEST_F(KaloToolsReport, PreviewShowsThePlotReportAndCopyingThenCopiesItsDrawing) {
  TfrmRootFinding2D w;
  w.show();
  const auto* image = w.findChild<TqorPlotImage*>("imgGraph");
  ASSERT_TRUE(QTest::qWaitFor([image] { return image->Image().size() == image->size() * image->devicePixelRatioF(); }));
  const QImage shown = image->Image();
  QString title;
  QWidget* parent = nullptr;
  OnNextModal<QPrintPreviewDialog>([&title, &parent](QPrintPreviewDialog* preview) {
    title = preview->windowTitle();
    parent = preview->parentWidget();
    preview->reject();
  });
  Trigger(w, "actPrintPreview");
  EXPECT_EQ(title, "Vorschau: VASO Plot2D");
  EXPECT_EQ(parent, &w);
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();

  const TqorMetafile& drawing = w.Plot2D().Plot2D().MetaFile();
  EXPECT_EQ(QSize(drawing.Width(), drawing.Height()), ReportPictureSize);
  EXPECT_EQ(image->Image(), shown) << "the window's image stays as it was";
  QApplication::clipboard()->clear();
  Trigger(w, "actCopyGraphic");
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->data(EmfMimeType), drawing.Bytes());
  EXPECT_EQ(QImage::fromData(data->data(PngMimeType), "PNG").size(), ReportPictureSize);
}

TEST_F(KaloToolsReport, WithTheDesignerSwitchConfiguredThePreviewOpensTheDesignerOnTheTemplate) {
  provider.setRptDesignerEnabled(true);
  provider.WriteConfig();
  provider.setRptDesignerEnabled(false);
  provider.ReadConfig();
  ASSERT_TRUE(provider.RptDesignerEnabled());
  TqorReportTemplate built;
  built.LoadFromFile(TemplatePath());
  constexpr std::size_t TitleBand = 1;  // after the page header
  ASSERT_EQ(built.Page.Bands.at(TitleBand)->Type, TqorBandType::ReportTitle);

  TfrmRootFinding2D w;
  QString title;
  QWidget* parent = nullptr;
  OnNextModal<TqorReportDesigner>([&title, &parent](TqorReportDesigner* designer) {
    title = designer->windowTitle();
    parent = designer->parentWidget();
    designer->AddObject(TqorReportDesigner::TObjectKind::Line);
    EXPECT_TRUE(designer->Save());
    designer->accept();
  });
  Trigger(w, "actPrintPreview");
  EXPECT_TRUE(title.endsWith(" - VASO Plot2D")) << title.toStdString();
  EXPECT_EQ(parent, &w);
  TqorReportTemplate saved;
  saved.LoadFromFile(TemplatePath());
  ASSERT_EQ(saved.Page.Bands.size(), built.Page.Bands.size());
  EXPECT_EQ(saved.Page.Bands[TitleBand]->Objects.size(), built.Page.Bands[TitleBand]->Objects.size() + 1)
      << "the designer edited the template and saved it in its place";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(KaloToolsReport, AnUnreadableTemplateIsShownAndTheWindowGoesOn) {
  QFile file(TemplatePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.close();
  TfrmRootFinding2D w;
  Trigger(w, "actPrintPreview");
  EXPECT_EQ(shownErrors, QStringList({"Die Berichtsvorlage '" + QDir::toNativeSeparators(TemplatePath()) +
                                      "' kann nicht gelesen werden. Sie ist leer."}));
  Trigger(w, "actCalculate");
  EXPECT_EQ(shownErrors.size(), 1);
}

// The texts of Widget's buttons, labels and actions (texts and tool tips), each up to
// a tab, behind which a menu shows its shortcut.
QStringList ShownTexts(const QWidget& Widget) {
  QStringList texts;
  for (const QAbstractButton* button : Widget.findChildren<QAbstractButton*>()) texts << button->text();
  for (const QLabel* label : Widget.findChildren<QLabel*>()) texts << label->text();
  for (const QAction* action : Widget.findChildren<QAction*>()) texts << action->text() << action->toolTip();
  for (QString& text : texts) text = text.section(u'\t', 0, 0);
  return texts;
}

TEST(ProgramLook, QtsOwnDialogsButtonsAndMenusSpeakGerman) {
  SetUpKaloToolsLook();
  QMessageBox question;
  question.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  QLineEdit edit;
  const std::unique_ptr<QMenu> editMenu(edit.createStandardContextMenu());
  QPrintPreviewDialog preview;
  const struct {
    const char* name;
    const QWidget& widget;
    QStringList german;
  } cases[] = {
      {"message box", question, {"Speichern", "Verwerfen", "Abbrechen"}},
      {"file dialog", files, {"Suchen in:", "Datei&name:", "Dateien des Typs:"}},
      {"edit menu", *editMenu, {"&Rückgängig", "&Ausschneiden", "Einf&ügen", "Alles auswählen"}},
      {"print preview", preview, {"Nächste Seite", "Seite einrichten", "Drucken"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QStringList shown = ShownTexts(c.widget);
    for (const QString& text : c.german)
      EXPECT_TRUE(shown.contains(text)) << text.toStdString() << "\n" << shown.join('|').toStdString();
  }
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?"),
            "Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?");
}

}  // namespace
