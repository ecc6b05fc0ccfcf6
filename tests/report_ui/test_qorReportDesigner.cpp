#include "qorReportDesigner.h"
#include "qorTestFiles.h"

#include "qorFileDialog.h"
#include "qorReport.h"
#include "qorReportDesignerItems.h"
#include "qorReportTestSupport.h"
#include "qorReportTextDialog.h"
#include "qorTestModal.h"
#include "qorTestWidgetApp.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGraphicsView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

namespace {

const QByteArray Sample = R"(<Report>
  <Page PaperWidth="210" PaperHeight="297" LeftMargin="10" TopMargin="10" RightMargin="10" BottomMargin="10">
    <Band Type="ReportTitle" Height="100">
      <Text Name="Text1" Left="10" Top="10" Width="100" Height="20" Text="Titel"/>
    </Band>
    <Band Type="MasterData" DataSet="Nullstellen" Height="30"/>
  </Page>
</Report>)";

// Presses the left button at From, moves to To and releases there (scene points).
void Drag(QGraphicsView* View, const QPointF& From, const QPointF& To) {
  QWidget* viewport = View->viewport();
  const QPoint from = View->mapFromScene(From);
  const QPoint to = View->mapFromScene(To);
  QMouseEvent press(QEvent::MouseButtonPress, from, viewport->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(viewport, &press);
  QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to, viewport->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(viewport, &release);
}

class ReportDesigner : public ::testing::Test {
protected:
  QTemporaryDir folder;
  TqorMemoryDataset roots;
  TqorReport report;
  QString templateFile;
  std::unique_ptr<TqorReportDesigner> designer;

  void SetUp() override {
    FillRootTable(roots, {});
    templateFile = folder.filePath("kaloPlot2D.fr3");
    QFile file(templateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Sample);
    file.close();
    ASSERT_TRUE(report.LoadFromFile(templateFile));
    report.setFileName(templateFile);
    report.SetVariable(" Report", QVariant());
    report.SetVariable("AppVersion", "'v1'");
    report.AddDataSet(TqorReportDataSet("Nullstellen", roots));
    Open();
  }

  void Open() {
    designer = std::make_unique<TqorReportDesigner>(report);
    designer->show();
  }

  TqorReportBand& Band(int Index) { return *report.Template().Page.Bands.at(static_cast<std::size_t>(Index)); }
  TqorReportObject& Title() { return *Band(0).Objects.at(0); }
  // Where Object's corner Corner (0..1 in each direction) lies in the scene.
  QPointF ScenePoint(const TqorReportObject& Object, QPointF Corner) {
    const TqorObjectItem* item = designer->ItemOf(&Object);
    const QSizeF size = Object.Bounds.size();
    return item->mapToScene(QPointF(size.width() * Corner.x(), size.height() * Corner.y()));
  }
};

TEST_F(ReportDesigner, ShowsEveryBandAndObject) {
  int bands = 0;
  int objects = 0;
  for (QGraphicsItem* item : designer->Scene()->items()) {
    bands += dynamic_cast<TqorBandItem*>(item) != nullptr;
    objects += dynamic_cast<TqorObjectItem*>(item) != nullptr;
  }
  EXPECT_EQ(bands, 2);
  EXPECT_EQ(objects, 1);
  EXPECT_FALSE(designer->Modified());
}

TEST_F(ReportDesigner, DraggingMovesAnObjectInWholeUnitsWithinItsBand) {
  Drag(designer->View(), ScenePoint(Title(), {0.5, 0.5}), ScenePoint(Title(), {0.5, 0.5}) + QPointF(25, 12));
  EXPECT_EQ(designer->SelectedObject(), &Title());
  EXPECT_EQ(Title().Bounds, QRectF(35, 22, 100, 20));
  Drag(designer->View(), ScenePoint(Title(), {0.5, 0.5}), ScenePoint(Title(), {0.5, 0.5}) + QPointF(-500, 500));
  EXPECT_EQ(Title().Bounds, QRectF(0, 80, 100, 20));
  EXPECT_TRUE(designer->Modified());
}

TEST_F(ReportDesigner, DraggingTheCornerOfTheSelectedObjectResizesIt) {
  designer->Select(&Title());
  Drag(designer->View(), ScenePoint(Title(), {1, 1}), ScenePoint(Title(), {1, 1}) + QPointF(40, 10));
  EXPECT_EQ(Title().Bounds, QRectF(10, 10, 140, 30));
  designer->ItemOf(&Title())->Resize(QSizeF(-5, 7.4));
  EXPECT_EQ(Title().Bounds, QRectF(10, 10, 0, 7));
}

TEST_F(ReportDesigner, DraggingTheLowerEdgeOfABandChangesItsHeightAndMovesTheBandsBelow) {
  auto* title = dynamic_cast<TqorBandItem*>(designer->ItemOf(&Title())->parentItem());
  const double before = designer->Scene()->items().size();
  // Just inside the lower edge, where the grip begins.
  const QPointF edge = title->mapToScene(QPointF(300, 98));
  std::vector<TqorBandItem*> strips;
  for (QGraphicsItem* item : designer->Scene()->items())
    if (auto* strip = dynamic_cast<TqorBandItem*>(item); strip && &strip->Band() == &Band(1)) strips.push_back(strip);
  ASSERT_EQ(strips.size(), 1u);
  const double dataTop = strips[0]->scenePos().y();
  Drag(designer->View(), edge, edge + QPointF(0, 30));
  EXPECT_EQ(Band(0).Height, 128);
  EXPECT_EQ(strips[0]->scenePos().y(), dataTop + 28);
  EXPECT_EQ(designer->Scene()->items().size(), before);
  EXPECT_TRUE(designer->Modified());
}

TEST_F(ReportDesigner, AddsObjectsWithNewNamesToTheSelectedBand) {
  designer->Select(nullptr);
  TqorReportObject* text = designer->AddObject(TqorReportDesigner::TObjectKind::Text);
  EXPECT_EQ(text->Name, "Text2");
  EXPECT_EQ(Band(0).Objects.back().get(), text);
  EXPECT_EQ(designer->SelectedObject(), text);
  designer->Select(nullptr);
  for (QGraphicsItem* item : designer->Scene()->items())
    if (auto* strip = dynamic_cast<TqorBandItem*>(item); strip && &strip->Band() == &Band(1)) strip->setSelected(true);
  TqorReportObject* picture = designer->AddObject(TqorReportDesigner::TObjectKind::Picture);
  TqorReportObject* line = designer->AddObject(TqorReportDesigner::TObjectKind::Line);
  EXPECT_EQ(picture->Name, "Picture1");
  EXPECT_EQ(line->Name, "Line1");
  ASSERT_EQ(Band(1).Objects.size(), 2u);
  EXPECT_EQ(picture->Bounds.height(), 30) << "fits its band";
  EXPECT_NE(dynamic_cast<TqorReportLine*>(line), nullptr);
  EXPECT_TRUE(designer->Modified());
}

TEST_F(ReportDesigner, AddsBandsAfterTheSelectedOneAndObjectsOnlyWithABand) {
  designer->Select(&Title());
  designer->AddBand(TqorBandType::Header);
  EXPECT_EQ(Band(1).Type, TqorBandType::Header);
  designer->AddBand(TqorBandType::MasterData, "Werte");
  EXPECT_EQ(Band(2).DataSetName, "Werte");
  EXPECT_EQ(designer->SelectedBand(), &Band(2));
  report.Clear();
  Open();
  EXPECT_EQ(designer->AddObject(TqorReportDesigner::TObjectKind::Text), nullptr);
}

TEST_F(ReportDesigner, DeletesTheSelectedObjectOrElseTheSelectedBand) {
  designer->Select(&Title());
  designer->DeleteSelection();
  EXPECT_TRUE(Band(0).Objects.empty());
  EXPECT_EQ(designer->SelectedObject(), nullptr);
  for (QGraphicsItem* item : designer->Scene()->items())
    if (auto* strip = dynamic_cast<TqorBandItem*>(item); strip && &strip->Band() == &Band(0)) strip->setSelected(true);
  designer->DeleteSelection();
  ASSERT_EQ(report.Template().Page.Bands.size(), 1u);
  EXPECT_EQ(Band(0).Type, TqorBandType::MasterData);
}

TEST_F(ReportDesigner, EditsTextsAndNames) {
  designer->SetObjectText(Title(), "Bericht [AppVersion]");
  EXPECT_EQ(dynamic_cast<TqorReportText&>(Title()).Text, "Bericht [AppVersion]");
  TqorReportObject* picture = designer->AddObject(TqorReportDesigner::TObjectKind::Picture);
  designer->SetObjectText(*picture, "picPlot2D");
  EXPECT_EQ(picture->Name, "picPlot2D");
}

TEST(ReportTextDialog, InsertsTheChosenNameAsExpression) {
  TqorMemoryDataset roots;
  FillRootTable(roots, {});
  TqorReportVariables variables;
  variables.Set(" Report", QVariant());
  variables.Set("AppVersion", "'v1'");
  const std::vector<TqorReportDataSet> dataSets{TqorReportDataSet("Nullstellen", roots)};
  TqorReportTextDialog dialog("Version ", variables, dataSets);
  const auto find = [&dialog](const QString& Caption) {
    const QList<QTreeWidgetItem*> found = dialog.Names()->findItems(Caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  };
  ASSERT_NE(find("Report"), nullptr);
  EXPECT_EQ(find("AppVersion")->parent(), find("Report"));
  dialog.Insert(find("AppVersion"));
  dialog.Insert(find("Report"));
  dialog.Insert(find("xRoot"));
  dialog.Insert(find("Seitenzahl"));
  EXPECT_EQ(dialog.Text(), "Version [AppVersion][Nullstellen.\"xRoot\"][TotalPages#]");
}

TEST_F(ReportDesigner, SavesTheTemplateUnderTheReportsFileName) {
  designer->SetObjectText(Title(), "Neu");
  EXPECT_TRUE(designer->Save());
  EXPECT_FALSE(designer->Modified());
  TqorReportTemplate saved;
  saved.LoadFromFile(templateFile);
  EXPECT_EQ(saved.Write(), report.Template().Write());
}

TEST_F(ReportDesigner, ReplacesAFileItDidNotReadOnlyWhenTheUserAgrees) {
  const QString other = folder.filePath("anders.fr3");
  QFile file(other);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("fremd");
  file.close();
  report.setFileName(other);
  QString question;
  OnNextModal<QMessageBox>([&question](QMessageBox* box) {
    question = box->text();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(designer->Save());
  EXPECT_EQ(question, "Die Datei '" + other +
                          "' existiert bereits und wurde vom Designer nicht gelesen. Soll sie "
                          "überschrieben werden?");
  EXPECT_EQ(ReadBytes(other), "fremd");
  OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  EXPECT_TRUE(designer->Save());
  EXPECT_EQ(ReadBytes(other), report.Template().Write());
  EXPECT_TRUE(designer->Save()) << "its own file now, saved without asking";
}

// Without a file name the designer asks in a save dialog. That dialog asks before it
// offers an existing file, so the designer does not ask a second time.
TEST_F(ReportDesigner, WithoutAFileNameSavesWhereTheSaveDialogSays) {
  const QString other = QDir::toNativeSeparators(folder.filePath("anders.fr3"));
  QFile file(other);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("fremd");
  file.close();
  std::vector<TqorFileDialogRequest> requests;
  QStringList answers = {"", other};
  const TqorFileDialog platform = SetFileDialog([&](const TqorFileDialogRequest& Request) {
    requests.push_back(Request);
    return answers.takeFirst();
  });
  report.setFileName("");
  designer->SetObjectText(Title(), "Neu");
  EXPECT_FALSE(designer->Save()) << "cancelled";
  EXPECT_EQ(report.FileName(), "");
  EXPECT_TRUE(designer->Modified());

  QStringList questions;
  QTimer guard;  // answers a second question, should one come, instead of hanging
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&questions] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      questions << box->text();
      box->button(QMessageBox::No)->click();
    }
  });
  guard.start(0);
  EXPECT_TRUE(designer->Save());
  SetFileDialog(platform);
  EXPECT_EQ(questions, QStringList());
  EXPECT_EQ(report.FileName(), other);
  EXPECT_EQ(ReadBytes(other), report.Template().Write());
  ASSERT_EQ(requests.size(), 2u);
  for (const TqorFileDialogRequest& request : requests) {
    EXPECT_EQ(request.Parent, designer.get());
    EXPECT_TRUE(request.Save);
    EXPECT_TRUE(request.ConfirmOverwrite);
    EXPECT_EQ(request.Title, "Berichtsvorlage speichern");
    EXPECT_EQ(request.Filters, QStringList{"Berichtsvorlagen (*.fr3)"});
  }
}

TEST_F(ReportDesigner, AsksBeforeSavingOverATemplateReadOnlyInPart) {
  QFile file(templateFile);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(Sample).replace("<Band Type=\"MasterData\"", "<Chart/><Band Type=\"MasterData\""));
  file.close();
  ASSERT_TRUE(report.LoadFromFile(templateFile));
  Open();
  QString question;
  OnNextModal<QMessageBox>([&question](QMessageBox* box) {
    question = box->text();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(designer->Save());
  EXPECT_EQ(question, "Beim Lesen der Berichtsvorlage '" + templateFile +
                          "' wurden Teile übergangen, die beim Speichern verloren gehen. Soll sie trotzdem "
                          "überschrieben werden?");
  EXPECT_TRUE(ReadBytes(templateFile).contains("<Chart/>"));
}

TEST_F(ReportDesigner, ClosingWithChangesAsksToSave) {
  designer->SetObjectText(Title(), "Neu");
  OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
  designer->reject();
  EXPECT_TRUE(designer->isVisible());
  OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Discard)->click(); });
  designer->reject();
  EXPECT_FALSE(designer->isVisible());
  EXPECT_EQ(ReadBytes(templateFile), Sample);
  Open();
  designer->SetObjectText(Title(), "Gespeichert");
  OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Save)->click(); });
  designer->reject();
  EXPECT_FALSE(designer->isVisible());
  EXPECT_TRUE(ReadBytes(templateFile).contains("Gespeichert"));
}

}  // namespace
