#include "qorMetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <variant>
#include <vector>

#include <QPainter>
#include <QPolygon>
#include <QTransform>

#include "qorEmfFormat.h"

using namespace qorEmf;

namespace {

// Hundredths of a millimetre per micrometre and per millimetre.
constexpr double FrameUnitsPerMicrometer = 0.1;
constexpr double FrameUnitsPerMillimeter = 100;
// Escapement units (tenths of a degree) per degree.
constexpr qreal EscapementPerDegree = 10;
// Offsets inside records, after type and size.
constexpr quint32 FirstFieldAt = 8;
constexpr quint32 PointsAt = 28;        // after bounds and count in polyline records
constexpr quint32 LogFontAt = 12;       // after the object index
constexpr quint32 FaceNameAt = LogFontAt + 28;
constexpr quint32 TextReferenceAt = 36; // after bounds, graphics mode and scales
constexpr quint32 BitBltBmiSizeAt = 88;

struct TFontObject {
  QFont Font;
  qreal Degrees = 0;
};
using TObject = std::variant<std::monostate, QPen, QBrush, TFontObject>;

// The picture's rectangle in its own pixels, from the header's frame and the
// reference device's pixels per millimetre.
QRectF PictureRect(const TRecordReader& header) {
  const QSizeF pixels(header.I32(HeaderDeviceAt), header.I32(HeaderDeviceAt + 4));
  QSizeF frameUnits(header.I32(HeaderMillimetersAt) * FrameUnitsPerMillimeter,
                    header.I32(HeaderMillimetersAt + 4) * FrameUnitsPerMillimeter);
  if (header.Size() >= HeaderSize && header.I32(HeaderMicrometersAt) > 0 && header.I32(HeaderMicrometersAt + 4) > 0)
    frameUnits = QSizeF(header.I32(HeaderMicrometersAt) * FrameUnitsPerMicrometer,
                        header.I32(HeaderMicrometersAt + 4) * FrameUnitsPerMicrometer);
  if (frameUnits.isEmpty())
    return QRectF();
  const double kx = pixels.width() / frameUnits.width();
  const double ky = pixels.height() / frameUnits.height();
  // Whole pixels, so that a picture played at its own size maps pixel to pixel.
  const QPointF topLeft(qRound(header.I32(HeaderFrameAt) * kx), qRound(header.I32(HeaderFrameAt + 4) * ky));
  const QPointF bottomRight(qRound(header.I32(HeaderFrameAt + 8) * kx), qRound(header.I32(HeaderFrameAt + 12) * ky));
  return QRectF(topLeft, bottomRight);
}

QPen PenOf(const TRecordReader& r) {
  static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine,  Qt::DotLine,  Qt::DashDotLine,
                                        Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine};
  const quint32 style = r.U32(12) & PenStyleMask;
  const qint32 width = r.I32(16);
  QPen pen(ColorOf(r.U32(24)));
  pen.setStyle(style < std::size(styles) ? styles[style] : Qt::SolidLine);
  // Width 0 is one device pixel whatever the stretch; GDI draws wider pens with round
  // ends and joins, thin ones without the end point.
  pen.setWidth(std::max(width, 0));
  pen.setCosmetic(width <= 0);
  pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
  return pen;
}

QBrush BrushOf(const TRecordReader& r) {
  return r.U32(12) == BS_SOLID ? QBrush(ColorOf(r.U32(16))) : QBrush(Qt::NoBrush);
}

TFontObject FontOf(const TRecordReader& r) {
  TLogFont font;
  font.Height = r.I32(LogFontAt);
  font.Escapement = r.I32(LogFontAt + 8);
  font.Weight = r.I32(LogFontAt + 16);
  font.Italic = r.U8(LogFontAt + 20) != 0;
  font.Underline = r.U8(LogFontAt + 21) != 0;
  font.StrikeOut = r.U8(LogFontAt + 22) != 0;
  font.FaceName = r.Utf16(FaceNameAt, LF_FACESIZE);
  return {QFontOf(font), font.Escapement / EscapementPerDegree};
}

// The objects that stock-object indices name.
TObject StockObjectOf(quint32 index) {
  switch (index & ~StockObjectFlag) {
  case WHITE_BRUSH: return QBrush(Qt::white);
  case BLACK_BRUSH: return QBrush(Qt::black);
  case NULL_BRUSH: return QBrush(Qt::NoBrush);
  case WHITE_PEN: return QPen(Qt::white, 0);
  case BLACK_PEN: return QPen(Qt::black, 0);
  case NULL_PEN: return QPen(Qt::NoPen);
  case SYSTEM_FONT: return TFontObject{QFontOf(TLogFont{}), 0};
  default: return std::monostate();
  }
}

// Plays the records of one metafile in order, keeping the device-context state of GDI:
// the object table, the selected pen, brush and font, the text colour and background,
// and the current position. Line records extend a pending polyline that any other
// record draws first.
class TPlayer {
public:
  TPlayer(const QByteArray& emf, QPainter& painter) : FData(emf), FPainter(painter) {}

  void Play(const QRectF& target) {
    const TRecordReader header = ReadHeader();
    const QRectF picture = PictureRect(header);
    if (picture.isEmpty())
      return;
    FObjects.resize(header.U32(HeaderHandlesAt) & 0xFFFF);
    FPainter.save();
    FPainter.translate(target.topLeft());
    FPainter.scale(target.width() / picture.width(), target.height() / picture.height());
    FPainter.translate(-picture.topLeft());
    ResetDeviceContext();
    try {
      PlayRecords(header.Size(), header.U32(HeaderBytesAt));
    } catch (...) {
      FPainter.restore();
      throw;
    }
    FPainter.restore();
  }

private:
  TRecordReader ReadHeader() const {
    const TRecordReader start(FData.constData(), static_cast<quint32>(std::min<qsizetype>(FData.size(), HeaderSize)), 0);
    const quint32 size = start.U32(4);
    if (start.Type() != EMR_HEADER || size < HeaderSizeBase || size > FData.size() || size % RecordAlignment != 0)
      start.Fail();
    const TRecordReader header(FData.constData(), size, 0);
    const quint32 bytes = header.U32(HeaderBytesAt);
    if (header.U32(HeaderSignatureAt) != HeaderSignature || bytes < size || bytes > FData.size())
      header.Fail();
    return header;
  }

  void ResetDeviceContext() {
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
    FPainter.setPen(QPen(Qt::black, 0));
    FPainter.setBrush(Qt::white);
    FPainter.setBackgroundMode(Qt::OpaqueMode);
    FPainter.setBackground(Qt::white);
    FFont = std::get<TFontObject>(StockObjectOf(SYSTEM_FONT));
  }

  void PlayRecords(quint32 offset, quint32 end) {
    while (offset < end) {
      const TRecordReader probe(FData.constData() + offset, std::min(end - offset, RecordHeaderSize), offset);
      const quint32 size = probe.U32(4);
      if (size < RecordHeaderSize || size % RecordAlignment != 0 || size > end - offset)
        probe.Fail();
      const TRecordReader record(FData.constData() + offset, size, offset);
      if (record.Type() == EMR_EOF) {
        DrawRun();
        return;
      }
      PlayRecord(record);
      offset += size;
    }
    DrawRun();
    TRecordReader(nullptr, 0, offset).Fail();  // the end record is missing
  }

  void PlayRecord(const TRecordReader& r) {
    switch (r.Type()) {
    case EMR_LINETO: return ExtendRun(PointAt(r, FirstFieldAt));
    case EMR_POLYLINETO16:
      for (const QPoint& p : Points16(r))
        ExtendRun(p);
      return;
    default: break;
    }
    DrawRun();
    switch (r.Type()) {
    case EMR_MOVETOEX: FPosition = PointAt(r, FirstFieldAt); break;
    case EMR_POLYLINE16: FPainter.drawPolyline(Points16(r)); break;
    case EMR_POLYLINE: FPainter.drawPolyline(Points32(r)); break;
    case EMR_RECTANGLE: FPainter.drawRect(BoxAt(r)); break;
    case EMR_ELLIPSE: FPainter.drawEllipse(BoxAt(r)); break;
    case EMR_BITBLT: PatternFill(r); break;
    case EMR_EXTTEXTOUTW: Text(r); break;
    case EMR_SETBKMODE: FPainter.setBackgroundMode(r.U32(8) == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode); break;
    case EMR_SETBKCOLOR: FPainter.setBackground(ColorOf(r.U32(8))); break;
    case EMR_SETTEXTCOLOR: FTextColor = ColorOf(r.U32(8)); break;
    case EMR_CREATEPEN: Slot(r, r.U32(8)) = PenOf(r); break;
    case EMR_CREATEBRUSHINDIRECT: Slot(r, r.U32(8)) = BrushOf(r); break;
    case EMR_EXTCREATEFONTINDIRECTW: Slot(r, r.U32(8)) = FontOf(r); break;
    case EMR_DELETEOBJECT: Slot(r, r.U32(8)) = std::monostate(); break;
    case EMR_SELECTOBJECT: Select(r); break;
    default: break;  // records the plot does not write
    }
  }

  TObject& Slot(const TRecordReader& r, quint32 index) {
    if (index == 0 || index >= FObjects.size())
      r.Fail();
    return FObjects[index];
  }

  void Select(const TRecordReader& r) {
    const quint32 index = r.U32(8);
    const TObject object = (index & StockObjectFlag) ? StockObjectOf(index) : Slot(r, index);
    if (const auto* pen = std::get_if<QPen>(&object))
      FPainter.setPen(AtLeastOneDevicePixel(*pen));
    else if (const auto* brush = std::get_if<QBrush>(&object))
      FPainter.setBrush(*brush);
    else if (const auto* font = std::get_if<TFontObject>(&object))
      FFont = *font;
  }

  // GDI draws a pen that the stretch makes thinner than one device pixel one pixel
  // wide; Qt would fade it to a pale line instead.
  QPen AtLeastOneDevicePixel(QPen pen) const {
    const QTransform& t = FPainter.deviceTransform();
    const qreal scale = std::min(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (!pen.isCosmetic() && pen.widthF() * scale < 1) {
      pen.setCosmetic(true);
      pen.setWidth(0);
    }
    return pen;
  }

  static QPoint PointAt(const TRecordReader& r, quint32 at) { return QPoint(r.I32(at), r.I32(at + 4)); }

  // The box of a rectangle or ellipse record; GDI leaves out its right and bottom edge.
  static QRectF BoxAt(const TRecordReader& r) {
    const QPoint topLeft = PointAt(r, FirstFieldAt);
    const QPoint bottomRight = PointAt(r, FirstFieldAt + 8);
    return QRectF(topLeft, bottomRight - QPoint(1, 1));
  }

  static quint32 PointCount(const TRecordReader& r, quint32 pointSize) {
    const quint32 count = r.U32(PointsAt - 4);
    if (count > (r.Size() - PointsAt) / pointSize)
      r.Fail();
    return count;
  }

  static QPolygon Points16(const TRecordReader& r) {
    QPolygon points(PointCount(r, 4));
    for (qsizetype i = 0; i < points.size(); ++i)
      points[i] = QPoint(r.I16(PointsAt + 4 * i), r.I16(PointsAt + 4 * i + 2));
    return points;
  }

  static QPolygon Points32(const TRecordReader& r) {
    QPolygon points(PointCount(r, 8));
    for (qsizetype i = 0; i < points.size(); ++i)
      points[i] = PointAt(r, PointsAt + 8 * i);
    return points;
  }

  void ExtendRun(QPoint p) {
    if (FRun.isEmpty())
      FRun.append(FPosition);
    FRun.append(p);
    FPosition = p;
  }

  void DrawRun() {
    if (FRun.isEmpty())
      return;
    FPainter.drawPolyline(FRun);
    FRun.clear();
  }

  // A brush fill without a source bitmap; bitmaps are not part of the plot's pictures.
  void PatternFill(const TRecordReader& r) {
    if (r.U32(40) != PATCOPY || r.U32(BitBltBmiSizeAt) != 0)
      return;
    FPainter.fillRect(QRectF(PointAt(r, 24), QSizeF(r.I32(32), r.I32(36))), FPainter.brush());
  }

  // Text turned about its top-left reference point; in opaque background mode QPainter
  // fills the text cell with the background colour, as GDI does.
  void Text(const TRecordReader& r) {
    const QPoint reference = PointAt(r, TextReferenceAt);
    const quint32 units = r.U32(TextReferenceAt + 8);
    const QString text = r.Utf16(r.U32(TextReferenceAt + 12), units);
    FPainter.save();
    FPainter.translate(reference);
    FPainter.rotate(-FFont.Degrees);
    FPainter.setFont(FFont.Font);
    FPainter.setPen(FTextColor);
    FPainter.drawText(QPointF(0, FPainter.fontMetrics().ascent()), text);
    FPainter.restore();
  }

  const QByteArray& FData;
  QPainter& FPainter;
  std::vector<TObject> FObjects;
  TFontObject FFont;
  QColor FTextColor = Qt::black;
  QPoint FPosition;
  QPolygon FRun;
};

} // namespace

void PlayEnhMetafile(const QByteArray& emf, QPainter& painter, const QRectF& target) {
  TPlayer(emf, painter).Play(target);
}
