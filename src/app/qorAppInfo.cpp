#include "qorAppInfo.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <numbers>

namespace {
const QString InfoFormName = QStringLiteral("ApplicationInfo");

// The dialog's parts, in pixels of the designed dialog.
constexpr int BottomHeight = 30;
constexpr int ButtonsWidth = 83;
constexpr QSize ButtonSize(75, 25);
constexpr int ClientBorder = 3;
constexpr int SpacerHeight = 14;
// Below the version line, room for the page control's own frame.
constexpr int FrameAllowance = 2;

// Fonts are designed by character height in pixels at 96 dots per inch.
constexpr qreal PointsPerPixel = 72.0 / 96.0;
// A label's font never shrinks below this size in points.
constexpr qreal SmallestFitPoints = 8;

QFont DesignedFont(const QString& Family, int CharacterHeight, bool Bold) {
  QFont font(Family);
  font.setPointSizeF(CharacterHeight * PointsPerPixel);
  font.setBold(Bold);
  return font;
}

QFont PageFont() { return DesignedFont(QStringLiteral("Tahoma"), 13, false); }

QLabel* NewInfoLabel(QWidget& Owner, const QString& Family, int CharacterHeight) {
  auto* label = new QLabel(&Owner);
  label->setFont(DesignedFont(Family, CharacterHeight, true));
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  // The label takes the panel's width whatever its text: a text that does not fit is
  // shrunk by FitLabelFont or cut off, never widens the dialog.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, TfrmQORApplicationInfo::LabelColour);
  label->setPalette(palette);
  return label;
}

// The short date format of the user, with the year in four digits.
QString ShortDate(const QDate& Date) {
  QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
  if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  return QLocale::system().toString(Date, format);
}

// The background: a pale sheet of graph paper with a few function graphs and their
// roots, in colours light enough for the red texts to stand out.
constexpr QSize PictureSize(518, 300);
constexpr int GridStep = 20;

void DrawGraph(QPainter& P, const std::function<double(double)>& F, const QColor& Colour) {
  const double half = PictureSize.height() / 2.0;
  QPainterPath path;
  for (int x = 0; x <= PictureSize.width(); x += 2) {
    const QPointF point(x, half - F(double(x) / PictureSize.width()) * half * 0.8);
    if (x == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  P.setPen(QPen(Colour, 2));
  P.drawPath(path);
  P.setPen(QPen(Colour.darker(115), 1.5));
  for (int x = 1; x <= PictureSize.width(); ++x) {
    const double a = F(double(x - 1) / PictureSize.width()), b = F(double(x) / PictureSize.width());
    if ((a < 0) != (b < 0)) P.drawEllipse(QPointF(x, half), 4, 4);
  }
}
}  // namespace

// ----------------------------------------------------------- TqorPicturePanel

TqorPicturePanel::TqorPicturePanel(QWidget* Owner) : QWidget(Owner) {}

void TqorPicturePanel::setPicture(const QImage& value) {
  FPicture = value;
  update();
}

void TqorPicturePanel::paintEvent(QPaintEvent* /*Event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), FPicture);
}

// ----------------------------------------------------------- TfrmQORApplicationInfo

TfrmQORApplicationInfo::TfrmQORApplicationInfo(QWidget* Owner) : TqorFormBaseOf<QDialog>(Owner) {
  setWindowTitle(QStringLiteral("Informationen zur Anwendung"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  pc = new QTabWidget(this);
  layout->addWidget(pc, 1);
  CreateInfoPage();
  tsCredits = new QWidget;
  pc->addTab(tsCredits, QStringLiteral("Credits"));
  txtCredits = NewPageText(*tsCredits, {});
  CreateButtons();
  layout->addWidget(panBottom);
  resize(DesignedClientWidth, PictureSize.height());
  setFormName(InfoFormName);
  pc->setCurrentWidget(tsAppInfo);
}

void TfrmQORApplicationInfo::CreateButtons() {
  panBottom = new QWidget(this);
  panBottom->setFixedHeight(BottomHeight);
  auto* bottom = new QHBoxLayout(panBottom);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch(1);
  panButtons = new QWidget(panBottom);
  panButtons->setFixedWidth(ButtonsWidth);
  bottom->addWidget(panButtons);
  cmdOK = new QPushButton(QStringLiteral("OK"), panButtons);
  cmdOK->setFixedSize(ButtonSize);
  cmdOK->move((ButtonsWidth - ButtonSize.width()) / 2, (BottomHeight - ButtonSize.height()) / 2);
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmQORApplicationInfo::CreateInfoPage() {
  tsAppInfo = new QWidget;
  pc->addTab(tsAppInfo, QStringLiteral("Informationenen zum Programm"));
  auto* page = new QVBoxLayout(tsAppInfo);
  page->setContentsMargins(0, 0, 0, 0);
  panClient = new TqorPicturePanel(tsAppInfo);
  panClient->setPicture(BackgroundPicture());
  page->addWidget(panClient);
  auto* labels = new QVBoxLayout(panClient);
  labels->setContentsMargins(ClientBorder, ClientBorder, ClientBorder, ClientBorder);
  labels->setSpacing(0);
  lblAppDescription = NewInfoLabel(*panClient, QStringLiteral("Arial"), 40);
  lblCompanyName = NewInfoLabel(*panClient, QStringLiteral("Tahoma"), 19);
  lblCopyright = NewInfoLabel(*panClient, QStringLiteral("Tahoma"), 13);
  lblAppExeName = NewInfoLabel(*panClient, QStringLiteral("Tahoma"), 16);
  lblVersionInfo = NewInfoLabel(*panClient, QStringLiteral("Tahoma"), 13);
  const QLabel* last = lblVersionInfo;
  for (QLabel* label : {lblAppDescription, lblCompanyName, lblCopyright, lblAppExeName, lblVersionInfo}) {
    labels->addWidget(label);
    if (label != last) labels->addSpacing(SpacerHeight);
  }
  labels->addStretch(1);
}

QTextEdit* TfrmQORApplicationInfo::NewPageText(QWidget& Owner, const QStringList& Lines) {
  auto* layout = new QVBoxLayout(&Owner);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* text = new QTextEdit(&Owner);
  text->setReadOnly(true);
  text->setFont(PageFont());
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetPageText(*text, Lines);
  layout->addWidget(text);
  return text;
}

void TfrmQORApplicationInfo::SetPageText(QTextEdit& Text, const QStringList& Lines) {
  Text.setPlainText(Lines.join(u'\n'));
  QTextCursor all(Text.document());
  all.select(QTextCursor::Document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  all.mergeBlockFormat(centred);
}

void TfrmQORApplicationInfo::InsertTextPage(int Index, const QString& Caption, const QStringList& Lines) {
  auto* page = new QWidget;
  NewPageText(*page, Lines);
  pc->insertTab(Index, page, Caption);
  pc->setCurrentWidget(tsAppInfo);
}

QStringList TfrmQORApplicationInfo::CreditedWorks() const {
  return {
      QStringLiteral("Funktionen einer quelloffenen Programmbibliothek für grafische Oberflächen"),
      QStringLiteral("Komponenten einer quelloffenen Bibliothek für XML-Dokumente"),
      QStringLiteral("Bilder und Symbole: eigene Zeichnungen des Programms"),
  };
}

bool TfrmQORApplicationInfo::FitLabelFont(QLabel& Label) {
  while (QFontMetrics(Label.font()).horizontalAdvance(Label.text()) > Label.width()) {
    QFont font = Label.font();
    if (font.pointSizeF() < SmallestFitPoints + 1) return false;
    font.setPointSizeF(font.pointSizeF() - 1);
    Label.setFont(font);
  }
  return true;
}

QImage TfrmQORApplicationInfo::BackgroundPicture() {
  QImage picture(PictureSize, QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, PictureSize.height());
  sky.setColorAt(0, QColor(255, 255, 255));
  sky.setColorAt(1, QColor(214, 228, 245));
  painter.fillRect(picture.rect(), sky);
  painter.setPen(QPen(QColor(205, 218, 235), 1));
  for (int x = 0; x < PictureSize.width(); x += GridStep) painter.drawLine(x, 0, x, PictureSize.height());
  for (int y = 0; y < PictureSize.height(); y += GridStep) painter.drawLine(0, y, PictureSize.width(), y);
  painter.setPen(QPen(QColor(170, 185, 210), 1.5));
  painter.drawLine(0, PictureSize.height() / 2, PictureSize.width(), PictureSize.height() / 2);
  using std::numbers::pi;
  DrawGraph(
      painter, [](double t) { return 0.8 * std::sin(3 * pi * t + 0.4); }, QColor(150, 180, 225));
  DrawGraph(
      painter, [](double t) { return 4.5 * (t - 0.15) * (t - 0.55) * (t - 0.9) * 3; }, QColor(170, 210, 175));
  return picture;
}

void TfrmQORApplicationInfo::showEvent(QShowEvent* Event) {
  TqorFormBaseOf<QDialog>::showEvent(Event);
  if (!Event->spontaneous()) FormShow();
}

void TfrmQORApplicationInfo::FormShow() {
  const TqorApplicationVersion& version = ASP().AppVersion();
  lblAppDescription->setText(version.FileDescription());
  lblCompanyName->setText(version.CompanyName());
  lblCopyright->setText(version.LegalCopyright());
  // The file as it lies on this system; the version information names the Windows file.
  lblAppExeName->setText(QStringLiteral("Programmdatei ") + QFileInfo(ASP().ProgramFile()).fileName());
  lblVersionInfo->setText(QStringLiteral("Programmversion ") + version.FileVersion().AsDisplayString() +
                          QStringLiteral(" vom ") + ShortDate(version.VersionDate()));
  QStringList credits = {
      QStringLiteral("Diese Anwendung verwendet Ressourcen, deren Copyright nicht beim Hersteller "
                     "liegt. Wir danken den Copyright-Inhabern, dass sie ihre Werke zur Verwendung "
                     "freigegeben haben."),
      QString(),
      QStringLiteral("Namentlich wurden die Werke folgender Copyright-Inhaber verwendet"),
      QString(),
  };
  credits << CreditedWorks();
  SetPageText(*txtCredits, credits);
  panClient->layout()->activate();
  FitLabelFont(*lblAppDescription);
  FitLabelFont(*lblAppExeName);
  FitHeight();
}

void TfrmQORApplicationInfo::FitHeight() {
  panClient->layout()->invalidate();
  panClient->layout()->activate();
  const int versionBottom = lblVersionInfo->mapTo(this, QPoint(0, lblVersionInfo->height())).y();
  setFixedSize(DesignedClientWidth, versionBottom + ClientBorder + panBottom->height() + FrameAllowance);
  if (const QWidget* owner = parentWidget()) move(owner->window()->geometry().center() - rect().center());
}
