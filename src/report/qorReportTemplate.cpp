#include "qorReportTemplate.h"

#include "qorEmfFormat.h"
#include "qorException.h"
#include "qorFileIO.h"
#include "qorMetafilePlayer.h"
#include "qorValue.h"
#include "qorXMLDoc.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QtEndian>

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr double MillimetresPerInch = 25.4;
// Coordinates beyond about 26 metres are no layout but a broken file; the bound also
// keeps every rounded picture size within an int.
constexpr double MaxLayout = 100000;
// Paper from a label to a plotter roll, in millimetres.
constexpr double MinPaper = 10;
constexpr double MaxPaper = 10000;
constexpr double MinFontSize = 1;
constexpr double MaxFontSize = 400;
// Text keeps this distance to its object's edges, in layout units, so that it does not
// touch the frame.
constexpr double TextGapX = 2;
constexpr double TextGapY = 1;
// Decimal places of numbers written to a template: finer than any printer resolves.
constexpr int WrittenSignificantDigits = 10;

const char* const DocumentElementName = "Report";
const char* const PageElementName = "Page";
const char* const BandElementName = "Band";

const char* const MsgCannotRead = "Die Berichtsvorlage '%1' kann nicht gelesen werden. %2";
const char* const MsgCannotSave = "Die Berichtsvorlage '%1' kann nicht gespeichert werden: %2";

[[noreturn]] void CannotRead(const QString& Source, const QString& Reason) {
  throw Exception(FileMessage(MsgCannotRead, Source, Reason).toStdString());
}

// The element and its name, for messages: Text 'txtTitle'.
QString Where(const pugi::xml_node& Node) {
  const QString tag = QString::fromUtf8(Node.name());
  const char* name = Node.attribute("Name").value();
  return *name ? QStringLiteral("%1 '%2'").arg(tag, QString::fromUtf8(name)) : tag;
}

QString AttributeText(const pugi::xml_node& Node, const char* Name) {
  return QString::fromUtf8(Node.attribute(Name).value());
}

[[noreturn]] void BadValue(const pugi::xml_node& Node, const char* Name, const QString& Expected) {
  throw Exception(QStringLiteral("Das Attribut '%1' von %2 muss %3 sein: '%4'.")
                      .arg(QString::fromLatin1(Name), Where(Node), Expected, AttributeText(Node, Name))
                      .toStdString());
}

// The number in attribute Name, Default when it is missing.
double ReadNumber(const pugi::xml_node& Node, const char* Name, double Default, double Min, double Max) {
  if (!Node.attribute(Name)) return Default;
  bool ok = false;
  const double value = AttributeText(Node, Name).trimmed().toDouble(&ok);
  if (!ok || !(value >= Min && value <= Max))
    BadValue(Node, Name, QStringLiteral("eine Zahl von %1 bis %2").arg(Min).arg(Max));
  return value;
}

double ReadPosition(const pugi::xml_node& Node, const char* Name) {
  return ReadNumber(Node, Name, 0, -MaxLayout, MaxLayout);
}

double ReadLength(const pugi::xml_node& Node, const char* Name, double Default) {
  return ReadNumber(Node, Name, Default, 0, MaxLayout);
}

bool ReadBool(const pugi::xml_node& Node, const char* Name, bool Default) {
  if (!Node.attribute(Name)) return Default;
  try {
    return TextToBool(AttributeText(Node, Name).trimmed());
  } catch (const EConvertError&) {
    BadValue(Node, Name, QStringLiteral("\"true\" oder \"false\""));
  }
}

QColor ReadColor(const pugi::xml_node& Node, const char* Name, const QColor& Default) {
  if (!Node.attribute(Name)) return Default;
  const QString text = AttributeText(Node, Name).trimmed();
  if (text.isEmpty()) return QColor();
  const QColor color = QColor::fromString(text);
  if (!color.isValid()) BadValue(Node, Name, QStringLiteral("eine Farbe wie #RRGGBB"));
  return color;
}

// The index of Text among Names (any case), or -1.
template <std::size_t N>
int ChoiceIndex(const QString& Text, const std::array<const char*, N>& Names) {
  for (std::size_t i = 0; i < N; ++i)
    if (Text.compare(QString::fromLatin1(Names[i]), Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

// One of Names (any case); their index is the value.
template <class T, std::size_t N>
T ReadChoice(const pugi::xml_node& Node, const char* Name, T Default, const std::array<const char*, N>& Names) {
  if (!Node.attribute(Name)) return Default;
  const int index = ChoiceIndex(AttributeText(Node, Name).trimmed(), Names);
  if (index < 0) {
    QStringList choices;
    for (const char* choice : Names) choices << QStringLiteral("\"%1\"").arg(QString::fromLatin1(choice));
    BadValue(Node, Name, QStringLiteral("eines von %1").arg(choices.join(QStringLiteral(", "))));
  }
  return static_cast<T>(index);
}

const std::array<const char*, 3> HAlignNames{"Left", "Center", "Right"};
const std::array<const char*, 3> VAlignNames{"Top", "Center", "Bottom"};
const std::array<const char*, 5> BandTypeNames{"PageHeader", "ReportTitle", "Header", "MasterData", "PageFooter"};
// Frame sides in the order of their flags.
const std::array<const char*, 4> FrameSideNames{"Left", "Top", "Right", "Bottom"};
const char* const FrameAllName = "All";

// "All", "" or a comma-separated list of sides.
int ReadFrame(const pugi::xml_node& Node) {
  const QString text = AttributeText(Node, "Frame").trimmed();
  if (text.compare(QString::fromLatin1(FrameAllName), Qt::CaseInsensitive) == 0) return fsAll;
  int frame = fsNone;
  for (const QString& word : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool known = false;
    for (std::size_t i = 0; i < FrameSideNames.size(); ++i)
      if (word.trimmed().compare(QString::fromLatin1(FrameSideNames[i]), Qt::CaseInsensitive) == 0) {
        frame |= 1 << i;
        known = true;
      }
    if (!known) BadValue(Node, "Frame", QStringLiteral("\"All\" oder eine Liste aus Left, Top, Right, Bottom"));
  }
  return frame;
}

QString FrameText(int Frame) {
  if (Frame == fsAll) return QString::fromLatin1(FrameAllName);
  QStringList sides;
  for (std::size_t i = 0; i < FrameSideNames.size(); ++i)
    if (Frame & (1 << i)) sides << QString::fromLatin1(FrameSideNames[i]);
  return sides.join(QLatin1Char(','));
}

void WriteText(pugi::xml_node& Node, const char* Name, const QString& Value) {
  Node.append_attribute(Name).set_value(Value.toUtf8().constData());
}

void WriteNumber(pugi::xml_node& Node, const char* Name, double Value) {
  WriteText(Node, Name, QString::number(Value, 'g', WrittenSignificantDigits));
}

void WriteBool(pugi::xml_node& Node, const char* Name, bool Value) { WriteText(Node, Name, BoolToText(Value)); }

void WriteColor(pugi::xml_node& Node, const char* Name, const QColor& Value) {
  WriteText(Node, Name, Value.isValid() ? Value.name() : QString());
}

// The point size that makes a font of Points points at 96 dpi come out Scale times as
// large on the painter's device.
double DevicePointSize(const QPainter& Painter, double Points, double Scale) {
  return Points * Scale * ReportLayoutDpi / Painter.device()->logicalDpiY();
}

Qt::Alignment AlignmentOf(TqorHAlign H, TqorVAlign V) {
  const Qt::Alignment horizontal = H == TqorHAlign::Left     ? Qt::AlignLeft
                                   : H == TqorHAlign::Center ? Qt::AlignHCenter
                                                             : Qt::AlignRight;
  const Qt::Alignment vertical = V == TqorVAlign::Top      ? Qt::AlignTop
                                 : V == TqorVAlign::Center ? Qt::AlignVCenter
                                                           : Qt::AlignBottom;
  return horizontal | vertical;
}

bool IsEnhancedMetafile(const QByteArray& Data) {
  if (Data.size() < static_cast<qsizetype>(qorEmf::HeaderSizeBase)) return false;
  const auto* bytes = reinterpret_cast<const uchar*>(Data.constData());
  return qFromLittleEndian<quint32>(bytes) == qorEmf::EMR_HEADER &&
         qFromLittleEndian<quint32>(bytes + qorEmf::HeaderSignatureAt) == qorEmf::HeaderSignature;
}

// True when every record of Data plays: a picture is checked once when it arrives, so
// that printing never meets a broken one.
bool MetafilePlays(const QByteArray& Data) {
  QPicture sink;
  QPainter painter(&sink);
  try {
    PlayEnhMetafile(Data, painter, QRectF(0, 0, 1, 1));
  } catch (const Exception&) {
    return false;
  }
  return true;
}

std::unique_ptr<TqorReportObject> NewObject(const QString& TypeName) {
  if (TypeName == QLatin1String("Text")) return std::make_unique<TqorReportText>();
  if (TypeName == QLatin1String("Picture")) return std::make_unique<TqorReportPicture>();
  if (TypeName == QLatin1String("Line")) return std::make_unique<TqorReportLine>();
  return nullptr;
}

QString UnknownElement(const pugi::xml_node& Node, const pugi::xml_node& Parent) {
  return QStringLiteral("Das unbekannte Element '%1' in %2 wurde übergangen.")
      .arg(QString::fromUtf8(Node.name()), Where(Parent));
}

// The band of Node, or none for a band type this engine does not know.
std::unique_ptr<TqorReportBand> ReadBand(const pugi::xml_node& Node, QStringList& Warnings) {
  const QString typeName = AttributeText(Node, "Type").trimmed();
  const int type = ChoiceIndex(typeName, BandTypeNames);
  if (type < 0) {
    Warnings << QStringLiteral("Das Band des unbekannten Typs '%1' wurde übergangen.").arg(typeName);
    return nullptr;
  }
  auto band = std::make_unique<TqorReportBand>();
  band->Type = static_cast<TqorBandType>(type);
  band->Height = ReadLength(Node, "Height", 0);
  band->DataSetName = AttributeText(Node, "DataSet");
  band->Optional = ReadBool(Node, "Optional", false);
  for (const pugi::xml_node& child : Node.children()) {
    if (child.type() != pugi::node_element) continue;
    std::unique_ptr<TqorReportObject> object = NewObject(QString::fromUtf8(child.name()));
    if (!object) {
      Warnings << UnknownElement(child, Node);
      continue;
    }
    object->Read(child);
    band->Objects.push_back(std::move(object));
  }
  return band;
}

void ReadPage(const pugi::xml_node& Node, TqorReportPage& Page, QStringList& Warnings) {
  Page.PaperSize = QSizeF(ReadNumber(Node, "PaperWidth", Page.PaperSize.width(), MinPaper, MaxPaper),
                          ReadNumber(Node, "PaperHeight", Page.PaperSize.height(), MinPaper, MaxPaper));
  Page.Margins = QMarginsF(ReadNumber(Node, "LeftMargin", Page.Margins.left(), 0, MaxPaper),
                           ReadNumber(Node, "TopMargin", Page.Margins.top(), 0, MaxPaper),
                           ReadNumber(Node, "RightMargin", Page.Margins.right(), 0, MaxPaper),
                           ReadNumber(Node, "BottomMargin", Page.Margins.bottom(), 0, MaxPaper));
  for (const pugi::xml_node& child : Node.children()) {
    if (child.type() != pugi::node_element) continue;
    if (QString::fromUtf8(child.name()) != QLatin1String(BandElementName)) {
      Warnings << UnknownElement(child, Node);
      continue;
    }
    if (std::unique_ptr<TqorReportBand> band = ReadBand(child, Warnings)) Page.Bands.push_back(std::move(band));
  }
}

// The line of Offset in Bytes, from 1.
int LineAt(const QByteArray& Bytes, std::ptrdiff_t Offset) {
  return static_cast<int>(Bytes.left(static_cast<qsizetype>(Offset)).count('\n')) + 1;
}

void ParseDocument(pugi::xml_document& Document, const QByteArray& Bytes) {
  if (Bytes.trimmed().isEmpty()) throw Exception("Sie ist leer.");
  const pugi::xml_parse_result result = Document.load_buffer(Bytes.constData(), static_cast<size_t>(Bytes.size()));
  if (!result)
    throw Exception(QStringLiteral("Sie enthält kein gültiges XML (Fehler in Zeile %1).")
                        .arg(LineAt(Bytes, result.offset))
                        .toStdString());
  const QString root = QString::fromUtf8(Document.document_element().name());
  if (root != QLatin1String(DocumentElementName))
    throw Exception(QStringLiteral("Sie ist keine Berichtsvorlage (Dokumentelement '%1' statt '%2').")
                        .arg(root, QLatin1String(DocumentElementName))
                        .toStdString());
}

}  // namespace

double MillimetresToLayout(double Millimetres) { return Millimetres / MillimetresPerInch * ReportLayoutDpi; }

QString BandTypeName(TqorBandType Type) { return QString::fromLatin1(BandTypeNames[static_cast<std::size_t>(Type)]); }

void TqorReportObject::Read(const pugi::xml_node& Node) {
  Name = AttributeText(Node, "Name");
  Bounds = QRectF(ReadPosition(Node, "Left"), ReadPosition(Node, "Top"), ReadLength(Node, "Width", 0),
                  ReadLength(Node, "Height", 0));
  Frame = ReadFrame(Node);
  FrameWidth = ReadLength(Node, "FrameWidth", FrameWidth);
  FrameColor = ReadColor(Node, "FrameColor", FrameColor);
}

void TqorReportObject::Write(pugi::xml_node& Node) const {
  WriteText(Node, "Name", Name);
  WriteNumber(Node, "Left", Bounds.left());
  WriteNumber(Node, "Top", Bounds.top());
  WriteNumber(Node, "Width", Bounds.width());
  WriteNumber(Node, "Height", Bounds.height());
  WriteText(Node, "Frame", FrameText(Frame));
  WriteNumber(Node, "FrameWidth", FrameWidth);
  WriteColor(Node, "FrameColor", FrameColor);
}

void TqorReportObject::PaintFrame(QPainter& Painter, const QRectF& Target, double Scale) const {
  if (Frame == fsNone) return;
  Painter.save();
  QPen pen(FrameColor, FrameWidth * Scale);
  pen.setCapStyle(Qt::SquareCap);
  Painter.setPen(pen);
  const std::array<std::pair<int, std::pair<QPointF, QPointF>>, 4> sides{{
      {fsLeft, {Target.topLeft(), Target.bottomLeft()}},
      {fsTop, {Target.topLeft(), Target.topRight()}},
      {fsRight, {Target.topRight(), Target.bottomRight()}},
      {fsBottom, {Target.bottomLeft(), Target.bottomRight()}},
  }};
  for (const auto& [side, line] : sides)
    if (Frame & side) Painter.drawLine(line.first, line.second);
  Painter.restore();
}

QString TqorReportText::TypeName() const { return QStringLiteral("Text"); }

std::unique_ptr<TqorReportObject> TqorReportText::Clone() const { return std::make_unique<TqorReportText>(*this); }

void TqorReportText::Paint(QPainter& Painter, const QRectF& Target, double Scale) const {
  Painter.save();
  if (Fill.isValid()) Painter.fillRect(Target, Fill);
  QFont font(FontName);
  font.setPointSizeF(DevicePointSize(Painter, FontSize, Scale));
  font.setBold(Bold);
  font.setItalic(Italic);
  Painter.setFont(font);
  Painter.setPen(FontColor);
  Painter.setClipRect(Target, Qt::IntersectClip);
  const QRectF inner = Target.adjusted(TextGapX * Scale, TextGapY * Scale, -TextGapX * Scale, -TextGapY * Scale);
  const int flags = static_cast<int>(AlignmentOf(HAlign, VAlign)) | (WordWrap ? Qt::TextWordWrap : 0);
  Painter.drawText(inner, flags, Text);
  Painter.restore();
  PaintFrame(Painter, Target, Scale);
}

double TqorReportText::NeededHeight() const {
  constexpr double InchesPerMetre = 39.37007874;
  QImage device(1, 1, QImage::Format_RGB32);  // a device at the layout's resolution
  device.setDotsPerMeterX(qRound(ReportLayoutDpi * InchesPerMetre));
  device.setDotsPerMeterY(qRound(ReportLayoutDpi * InchesPerMetre));
  QFont font(FontName);
  font.setPointSizeF(FontSize);
  font.setBold(Bold);
  font.setItalic(Italic);
  const QFontMetricsF metrics(font, &device);
  const QRectF room(0, 0, std::max(1.0, Bounds.width() - 2 * TextGapX), MaxLayout);
  const int flags = WordWrap ? Qt::TextWordWrap : 0;
  const double textHeight = metrics.boundingRect(room, flags, Text).height();
  // One line is as the template's designer drew the object; only more lines make it grow.
  if (textHeight < 2 * metrics.height()) return Bounds.height();
  return std::max(Bounds.height(), textHeight + 2 * TextGapY);
}

void TqorReportText::Read(const pugi::xml_node& Node) {
  TqorReportObject::Read(Node);
  Text = AttributeText(Node, "Text");
  if (Node.attribute("FontName")) FontName = AttributeText(Node, "FontName");
  FontSize = ReadNumber(Node, "FontSize", FontSize, MinFontSize, MaxFontSize);
  Bold = ReadBool(Node, "Bold", Bold);
  Italic = ReadBool(Node, "Italic", Italic);
  FontColor = ReadColor(Node, "FontColor", FontColor);
  Fill = ReadColor(Node, "Fill", Fill);
  HAlign = ReadChoice(Node, "HAlign", HAlign, HAlignNames);
  VAlign = ReadChoice(Node, "VAlign", VAlign, VAlignNames);
  WordWrap = ReadBool(Node, "WordWrap", WordWrap);
}

void TqorReportText::Write(pugi::xml_node& Node) const {
  TqorReportObject::Write(Node);
  WriteText(Node, "FontName", FontName);
  WriteNumber(Node, "FontSize", FontSize);
  WriteBool(Node, "Bold", Bold);
  WriteBool(Node, "Italic", Italic);
  WriteColor(Node, "FontColor", FontColor);
  WriteColor(Node, "Fill", Fill);
  WriteText(Node, "HAlign", QString::fromLatin1(HAlignNames[static_cast<std::size_t>(HAlign)]));
  WriteText(Node, "VAlign", QString::fromLatin1(VAlignNames[static_cast<std::size_t>(VAlign)]));
  WriteBool(Node, "WordWrap", WordWrap);
  WriteText(Node, "Text", Text);
}

void TqorReportPicture::LoadFromStream(QIODevice& Stream) {
  Stream.seek(0);
  const QByteArray data = Stream.readAll();
  FMetafile.clear();
  FImage = QImage();
  if (IsEnhancedMetafile(data)) {
    if (MetafilePlays(data)) FMetafile = data;
  } else if (!data.isEmpty()) {
    FImage = QImage::fromData(data);
  }
}

QString TqorReportPicture::TypeName() const { return QStringLiteral("Picture"); }

std::unique_ptr<TqorReportObject> TqorReportPicture::Clone() const {
  return std::make_unique<TqorReportPicture>(*this);
}

void TqorReportPicture::Paint(QPainter& Painter, const QRectF& Target, double Scale) const {
  if (!FMetafile.isEmpty())
    PlayEnhMetafile(FMetafile, Painter, Target);
  else if (!FImage.isNull())
    Painter.drawImage(Target, FImage);
  PaintFrame(Painter, Target, Scale);
}

QString TqorReportLine::TypeName() const { return QStringLiteral("Line"); }

std::unique_ptr<TqorReportObject> TqorReportLine::Clone() const { return std::make_unique<TqorReportLine>(*this); }

void TqorReportLine::Paint(QPainter& Painter, const QRectF& Target, double Scale) const {
  Painter.save();
  Painter.setPen(QPen(Color, LineWidth * Scale, Qt::SolidLine, Qt::FlatCap));
  Painter.drawLine(Target.topLeft(), Target.bottomRight());
  Painter.restore();
}

void TqorReportLine::Read(const pugi::xml_node& Node) {
  TqorReportObject::Read(Node);
  LineWidth = ReadLength(Node, "LineWidth", LineWidth);
  Color = ReadColor(Node, "Color", Color);
}

void TqorReportLine::Write(pugi::xml_node& Node) const {
  TqorReportObject::Write(Node);
  WriteNumber(Node, "LineWidth", LineWidth);
  WriteColor(Node, "Color", Color);
}

QRectF TqorReportPage::PaperRect() const {
  return QRectF(0, 0, MillimetresToLayout(PaperSize.width()), MillimetresToLayout(PaperSize.height()));
}

QRectF TqorReportPage::PrintableRect() const {
  const QMarginsF margins(MillimetresToLayout(Margins.left()), MillimetresToLayout(Margins.top()),
                          MillimetresToLayout(Margins.right()), MillimetresToLayout(Margins.bottom()));
  return PaperRect().marginsRemoved(margins);
}

void TqorReportTemplate::Read(const QByteArray& Bytes, const QString& Source) {
  Page = TqorReportPage();
  Warnings.clear();
  try {
    pugi::xml_document document;
    ParseDocument(document, Bytes);
    const pugi::xml_node root = document.document_element();
    bool pageRead = false;
    for (const pugi::xml_node& child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      if (pageRead || QString::fromUtf8(child.name()) != QLatin1String(PageElementName)) {
        Warnings << UnknownElement(child, root);
        continue;
      }
      ReadPage(child, Page, Warnings);
      pageRead = true;
    }
    if (!pageRead) throw Exception("Sie enthält keine Seite (Element 'Page').");
  } catch (const Exception& error) {
    Page = TqorReportPage();
    Warnings.clear();
    CannotRead(Source, QString::fromStdString(error.Message()));
  }
}

void TqorReportTemplate::LoadFromFile(const QString& FileName) {
  // The template message calls a folder no regular file, too.
  if (QFileInfo(FileName).isDir()) CannotRead(FileName, QString::fromUtf8(ReasonNoRegularFile));
  if (const std::optional<QString> reason = UnreadableFileReason(FileName)) CannotRead(FileName, *reason);
  Read(ReadWholeFile(FileName, MaxReadFileSize, MsgCannotRead), FileName);
}

void TqorReportTemplate::SaveToFile(const QString& FileName) const { WriteWholeFile(FileName, Write(), MsgCannotSave); }

QByteArray TqorReportTemplate::Write() const {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node page = document.append_child(DocumentElementName).append_child(PageElementName);
  WriteNumber(page, "PaperWidth", Page.PaperSize.width());
  WriteNumber(page, "PaperHeight", Page.PaperSize.height());
  WriteNumber(page, "LeftMargin", Page.Margins.left());
  WriteNumber(page, "TopMargin", Page.Margins.top());
  WriteNumber(page, "RightMargin", Page.Margins.right());
  WriteNumber(page, "BottomMargin", Page.Margins.bottom());
  for (const auto& band : Page.Bands) {
    pugi::xml_node bandNode = page.append_child(BandElementName);
    WriteText(bandNode, "Type", BandTypeName(band->Type));
    WriteNumber(bandNode, "Height", band->Height);
    if (band->Type == TqorBandType::MasterData) WriteText(bandNode, "DataSet", band->DataSetName);
    // Written only where it is set, so that the templates made before it keep their form.
    if (band->Optional) WriteBool(bandNode, "Optional", true);
    for (const auto& object : band->Objects) {
      pugi::xml_node objectNode = bandNode.append_child(object->TypeName().toUtf8().constData());
      object->Write(objectNode);
    }
  }
  TqorXMLByteWriter writer;
  document.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
  return writer.Bytes();
}
