#include "qorReportDesigner.h"

#include "qorException.h"
#include "qorFileDialog.h"
#include "qorReport.h"
#include "qorReportDesignerItems.h"
#include "qorReportTextDialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {
// Room between the band strips, below the caption space.
constexpr double BandGap = 6;
constexpr double NewBandHeight = 40;
const QSizeF NewTextSize(160, 20);
const QSizeF NewPictureSize(240, 160);
const QSizeF NewLineSize(240, 0);
// Where a new object goes in its band.
const QPointF NewObjectPlace(0, 0);
const QSize InitialSize(1000, 800);
const QColor DeskColor(128, 128, 128);
const QString Title = QStringLiteral("Berichtsdesigner");
const QString TemplateFilter = QStringLiteral("Berichtsvorlagen (*.fr3)");

// The band types in the order the user is offered them.
const std::array<TqorBandType, 5> BandChoices{TqorBandType::PageHeader, TqorBandType::ReportTitle, TqorBandType::Header,
                                              TqorBandType::MasterData, TqorBandType::PageFooter};

bool IsPageBand(const TqorReportBand& Band) {
  return Band.Type == TqorBandType::PageHeader || Band.Type == TqorBandType::PageFooter;
}

bool SameFile(const QString& A, const QString& B) { return !A.isEmpty() && QFileInfo(A) == QFileInfo(B); }
}  // namespace

TqorReportDesigner::TqorReportDesigner(TqorReport& Report, QWidget* Parent)
    : QDialog(Parent),
      FReport(Report),
      FTemplate(Report.Template()),
      FScene(new TqorDesignerScene(this)),
      FView(new QGraphicsView(FScene, this)),
      FStatus(new QLabel(this)) {
  setWindowTitle(QStringLiteral("%1 - %2").arg(Title, Report.ReportName()));
  resize(InitialSize);
  if (FTemplate.Warnings.isEmpty()) FReadFile = Report.LoadedFileName();
  FView->setBackgroundBrush(DeskColor);
  FView->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  CreateActions();
  auto* layout = new QVBoxLayout(this);
  auto* tools = new QToolBar(this);
  tools->addActions({actSave, actAddBand, actAddText, actAddPicture, actAddLine, actEdit, actDelete});
  layout->setMenuBar(tools);
  layout->addWidget(FView);
  layout->addWidget(FStatus);
  connect(FScene, &TqorDesignerScene::TemplateChanged, this, &TqorReportDesigner::MarkModified);
  connect(FScene, &TqorDesignerScene::BandResized, this, &TqorReportDesigner::Relayout);
  connect(FScene, &TqorDesignerScene::EditRequested, this, &TqorReportDesigner::Edit);
  Rebuild();
  ShowStatus();
}

void TqorReportDesigner::CreateActions() {
  actSave = new QAction(QStringLiteral("&Speichern"), this);
  actSave->setShortcut(QKeySequence::Save);
  connect(actSave, &QAction::triggered, this, &TqorReportDesigner::Save);
  actAddBand = new QAction(QStringLiteral("&Band"), this);
  connect(actAddBand, &QAction::triggered, this, &TqorReportDesigner::AskAndAddBand);
  actAddText = new QAction(QStringLiteral("&Text"), this);
  connect(actAddText, &QAction::triggered, this, [this] { AddObjectOrExplain(TObjectKind::Text); });
  actAddPicture = new QAction(QStringLiteral("B&ild"), this);
  connect(actAddPicture, &QAction::triggered, this, [this] { AddObjectOrExplain(TObjectKind::Picture); });
  actAddLine = new QAction(QStringLiteral("Li&nie"), this);
  connect(actAddLine, &QAction::triggered, this, [this] { AddObjectOrExplain(TObjectKind::Line); });
  actEdit = new QAction(QStringLiteral("Be&arbeiten"), this);
  actEdit->setShortcut(Qt::Key_F2);
  connect(actEdit, &QAction::triggered, this, [this] { Edit(SelectedObject()); });
  actDelete = new QAction(QStringLiteral("&Löschen"), this);
  actDelete->setShortcut(QKeySequence::Delete);
  connect(actDelete, &QAction::triggered, this, &TqorReportDesigner::DeleteSelection);
  addActions({actSave, actEdit, actDelete});
}

TqorReportObject* TqorReportDesigner::SelectedObject() const {
  for (QGraphicsItem* item : FScene->selectedItems())
    if (auto* objectItem = dynamic_cast<TqorObjectItem*>(item)) return &objectItem->Object();
  return nullptr;
}

TqorReportBand* TqorReportDesigner::SelectedBand() const {
  for (QGraphicsItem* item : FScene->selectedItems()) {
    if (auto* bandItem = dynamic_cast<TqorBandItem*>(item)) return &bandItem->Band();
    if (auto* bandItem = dynamic_cast<TqorBandItem*>(item->parentItem())) return &bandItem->Band();
  }
  return nullptr;
}

TqorObjectItem* TqorReportDesigner::ItemOf(const TqorReportObject* Object) const {
  for (QGraphicsItem* item : FScene->items())
    if (auto* objectItem = dynamic_cast<TqorObjectItem*>(item); objectItem && &objectItem->Object() == Object)
      return objectItem;
  return nullptr;
}

void TqorReportDesigner::Select(const TqorReportObject* Object) {
  FScene->clearSelection();
  if (TqorObjectItem* item = ItemOf(Object)) item->setSelected(true);
}

TqorReportBand& TqorReportDesigner::AddBand(TqorBandType Type, const QString& DataSetName) {
  auto& bands = FTemplate.Page.Bands;
  const TqorReportBand* selected = SelectedBand();
  auto at = std::find_if(bands.begin(), bands.end(), [selected](const auto& band) { return band.get() == selected; });
  auto band = std::make_unique<TqorReportBand>();
  band->Type = Type;
  band->Height = NewBandHeight;
  if (Type == TqorBandType::MasterData) band->DataSetName = DataSetName;
  TqorReportBand& added = **bands.insert(at == bands.end() ? at : at + 1, std::move(band));
  Rebuild();
  for (TqorBandItem* item : FBandItems)
    if (&item->Band() == &added) item->setSelected(true);
  MarkModified();
  return added;
}

TqorReportObject* TqorReportDesigner::AddObject(TObjectKind Kind) {
  auto& bands = FTemplate.Page.Bands;
  if (bands.empty()) return nullptr;
  TqorReportBand* band = SelectedBand();
  if (!band) {
    auto flow = std::find_if(bands.begin(), bands.end(), [](const auto& candidate) { return !IsPageBand(*candidate); });
    band = (flow == bands.end() ? bands.front() : *flow).get();
  }
  std::unique_ptr<TqorReportObject> object;
  QSizeF size;
  switch (Kind) {
    case TObjectKind::Text: {
      auto text = std::make_unique<TqorReportText>();
      text->Text = QStringLiteral("Text");
      object = std::move(text);
      size = NewTextSize;
      break;
    }
    case TObjectKind::Picture:
      object = std::make_unique<TqorReportPicture>();
      size = NewPictureSize;
      break;
    case TObjectKind::Line:
      object = std::make_unique<TqorReportLine>();
      size = NewLineSize;
      break;
  }
  object->Name = NewObjectName(object->TypeName());
  object->Bounds = QRectF(NewObjectPlace, size.boundedTo(QSizeF(size.width(), band->Height)));
  TqorReportObject* added = band->Objects.emplace_back(std::move(object)).get();
  Rebuild();
  Select(added);
  MarkModified();
  return added;
}

void TqorReportDesigner::DeleteSelection() {
  auto& bands = FTemplate.Page.Bands;
  if (const TqorReportObject* object = SelectedObject()) {
    for (const auto& band : bands)
      std::erase_if(band->Objects, [object](const auto& candidate) { return candidate.get() == object; });
  } else if (const TqorReportBand* band = SelectedBand()) {
    std::erase_if(bands, [band](const auto& candidate) { return candidate.get() == band; });
  } else {
    return;
  }
  Rebuild();
  MarkModified();
}

void TqorReportDesigner::SetObjectText(TqorReportObject& Object, const QString& Value) {
  if (auto* text = dynamic_cast<TqorReportText*>(&Object))
    text->Text = Value;
  else
    Object.Name = Value;
  if (TqorObjectItem* item = ItemOf(&Object)) item->update();
  MarkModified();
}

bool TqorReportDesigner::Save() {
  QString fileName = FReport.FileName();
  bool replaceAgreed = false;
  if (fileName.isEmpty()) {
    TqorFileDialogRequest request;
    request.Parent = this;
    request.Save = true;
    request.Title = QStringLiteral("Berichtsvorlage speichern");
    request.Filters = {TemplateFilter};
    fileName = ExecuteFileDialog(request);
    if (fileName.isEmpty()) return false;
    FReport.setFileName(fileName);
    replaceAgreed = true;
  }
  if (!MayReplace(fileName, replaceAgreed)) return false;
  try {
    FTemplate.SaveToFile(fileName);
  } catch (const Exception& error) {
    QMessageBox::critical(this, Title, QString::fromStdString(error.Message()));
    return false;
  }
  FReadFile = fileName;
  FModified = false;
  ShowStatus();
  return true;
}

void TqorReportDesigner::reject() {
  if (FModified) {
    const auto answer = QMessageBox::question(
        this, Title, QStringLiteral("Die Berichtsvorlage wurde geändert. Änderungen speichern?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save())) return;
  }
  QDialog::reject();
}

void TqorReportDesigner::Rebuild() {
  FScene->clear();
  FBandItems.clear();
  const QRectF printable = FTemplate.Page.PrintableRect();
  FPaper = FScene->addRect(FTemplate.Page.PaperRect(), QPen(Qt::black, 0), Qt::white);
  FPaper->setZValue(-1);
  for (const auto& band : FTemplate.Page.Bands) {
    auto* bandItem = new TqorBandItem(*band, printable.width());
    FScene->addItem(bandItem);
    FBandItems.push_back(bandItem);
    for (const auto& object : band->Objects) new TqorObjectItem(*object, *bandItem);
  }
  Relayout();
}

void TqorReportDesigner::Relayout() {
  const QRectF printable = FTemplate.Page.PrintableRect();
  double y = printable.top();
  for (TqorBandItem* item : FBandItems) {
    y += BandCaptionHeight;
    item->setPos(printable.left(), y);
    y += item->rect().height() + BandGap;
  }
  // The sheet grows with bands that do not fit on the paper, so that all stay visible.
  QRectF sheet = FTemplate.Page.PaperRect();
  sheet.setBottom(std::max(sheet.bottom(), y + (sheet.bottom() - printable.bottom())));
  FPaper->setRect(sheet);
  FScene->setSceneRect(sheet);
}

void TqorReportDesigner::MarkModified() {
  FModified = true;
  ShowStatus();
}

void TqorReportDesigner::Edit(TqorReportObject* Object) {
  if (!Object) return;
  if (auto* text = dynamic_cast<TqorReportText*>(Object)) {
    TqorReportTextDialog dialog(text->Text, FReport.Variables(), FReport.DataSets(), this);
    if (dialog.exec() == QDialog::Accepted) SetObjectText(*Object, dialog.Text());
    return;
  }
  bool ok = false;
  const QString name = QInputDialog::getText(this, Title, QStringLiteral("Name des Objekts:"), QLineEdit::Normal,
                                             Object->Name, &ok);
  if (ok) SetObjectText(*Object, name);
}

void TqorReportDesigner::AskAndAddBand() {
  QStringList captions;
  for (const TqorBandType type : BandChoices) captions << BandTypeCaption(type);
  bool ok = false;
  const QString caption = QInputDialog::getItem(this, Title, QStringLiteral("Art des Bandes:"), captions, 0, false,
                                                &ok);
  if (!ok) return;
  const TqorBandType type = BandChoices[static_cast<std::size_t>(captions.indexOf(caption))];
  QString dataSet;
  if (type == TqorBandType::MasterData) {
    QStringList names;
    for (const TqorReportDataSet& binding : FReport.DataSets()) names << binding.UserName;
    dataSet = QInputDialog::getItem(this, Title, QStringLiteral("Datensatz:"), names, 0, true, &ok);
    if (!ok) return;
  }
  AddBand(type, dataSet);
}

void TqorReportDesigner::AddObjectOrExplain(TObjectKind Kind) {
  if (!AddObject(Kind))
    QMessageBox::information(this, Title,
                             QStringLiteral("Die Vorlage hat noch kein Band. Bitte zuerst ein Band anlegen."));
}

bool TqorReportDesigner::MayReplace(const QString& FileName, bool ReplaceAgreed) {
  if (!QFileInfo::exists(FileName) || SameFile(FReadFile, FileName)) return true;
  const bool partlyRead = SameFile(FReport.LoadedFileName(), FileName);
  // The file dialog has asked about replacing the file, but knew nothing of lost parts.
  if (ReplaceAgreed && !partlyRead) return true;
  const QString shown = QDir::toNativeSeparators(FileName);
  const QString question =
      partlyRead ? QStringLiteral(
                       "Beim Lesen der Berichtsvorlage '%1' wurden Teile übergangen, die beim Speichern verloren "
                       "gehen. Soll sie trotzdem überschrieben werden?")
                       .arg(shown)
                 : QStringLiteral(
                       "Die Datei '%1' existiert bereits und wurde vom Designer nicht gelesen. Soll sie "
                       "überschrieben werden?")
                       .arg(shown);
  return QMessageBox::question(this, Title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

QString TqorReportDesigner::NewObjectName(const QString& Prefix) const {
  QStringList names;
  for (const auto& band : FTemplate.Page.Bands)
    for (const auto& object : band->Objects) names << object->Name;
  int number = 1;
  while (names.contains(Prefix + QString::number(number), Qt::CaseInsensitive)) ++number;
  return Prefix + QString::number(number);
}

void TqorReportDesigner::ShowStatus() {
  const QString file = FReport.FileName().isEmpty() ? QStringLiteral("(ohne Dateiname)")
                                                    : QDir::toNativeSeparators(FReport.FileName());
  QString status = QStringLiteral("Vorlage: %1%2").arg(file, FModified ? QStringLiteral(" (geändert)") : QString());
  if (!FTemplate.Warnings.isEmpty())
    status += QStringLiteral("  -  Beim Lesen übergangen: %1").arg(FTemplate.Warnings.join(QLatin1Char(' ')));
  FStatus->setText(status);
}
