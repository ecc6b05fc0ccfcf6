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

struct TFontObject {
  QFont Font;
  qreal Degrees = 0;
};
using TObject = std::variant<std::monostate, QPen, QBrush, TFontObject>;

QPoint PointAt(const TRecordReader& r, quint32 at) { return QPoint(r.I32(at), r.I32(at + PointLYAt)); }

QSize SizeAt(const TRecordReader& r, quint32 at) { return QSize(r.I32(at), r.I32(at + SizeLCyAt)); }

// The picture's rectangle in its own pixels, from the header's frame and the
// reference device's pixels per millimetre.
QRectF PictureRect(const TRecordReader& header) {
  const QSizeF pixels = SizeAt(header, HeaderDeviceAt);
  const QSize millimeters = SizeAt(header, HeaderMillimetersAt);
  QSizeF frameUnits(millimeters.width() * FrameUnitsPerMillimeter, millimeters.height() * FrameUnitsPerMillimeter);
  if (header.Size() >= HeaderSize) {
    const QSize micrometers = SizeAt(header, HeaderMicrometersAt);
    if (micrometers.width() > 0 && micrometers.height() > 0)
      frameUnits = QSizeF(micrometers.width() * FrameUnitsPerMicrometer,
                          micrometers.height() * FrameUnitsPerMicrometer);
  }
  if (frameUnits.isEmpty()) return QRectF();
  const double kx = pixels.width() / frameUnits.width();
  const double ky = pixels.height() / frameUnits.height();
  // Whole pixels, so that a picture played at its own size maps pixel to pixel.
  const QPoint frameTopLeft = PointAt(header, HeaderFrameAt);
  const QPoint frameBottomRight = PointAt(header, HeaderFrameAt + RectLBottomRightAt);
  const QPointF topLeft(qRound(frameTopLeft.x() * kx), qRound(frameTopLeft.y() * ky));
  const QPointF bottomRight(qRound(frameBottomRight.x() * kx), qRound(frameBottomRight.y() * ky));
  return QRectF(topLeft, bottomRight);
}

QPen PenOf(const TRecordReader& r) {
  static const Qt::PenStyle styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                        Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
  const quint32 style = r.U32(PenStyleAt) & PenStyleMask;
  const qint32 width = r.I32(PenWidthAt);
  QPen pen(ColorOf(r.U32(PenColorAt)));
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
  return r.U32(BrushStyleAt) == BS_SOLID ? QBrush(ColorOf(r.U32(BrushColorAt))) : QBrush(Qt::NoBrush);
}

TFontObject FontOf(const TRecordReader& r) {
  TLogFont font;
  font.Height = r.I32(FontLogFontAt + LogFontHeightAt);
  font.Escapement = r.I32(FontLogFontAt + LogFontEscapementAt);
  font.Weight = r.I32(FontLogFontAt + LogFontWeightAt);
  font.Italic = r.U8(FontLogFontAt + LogFontItalicAt) != 0;
  font.Underline = r.U8(FontLogFontAt + LogFontUnderlineAt) != 0;
  font.StrikeOut = r.U8(FontLogFontAt + LogFontStrikeOutAt) != 0;
  font.FaceName = r.Utf16(FontLogFontAt + LogFontFaceNameAt, LF_FACESIZE);
  return {QFontOf(font), font.Escapement / EscapementPerDegree};
}

// The objects that stock-object indices name.
TObject StockObjectOf(quint32 index) {
  switch (index & ~StockObjectFlag) {
    case WHITE_BRUSH:
      return QBrush(Qt::white);
    case BLACK_BRUSH:
      return QBrush(Qt::black);
    case NULL_BRUSH:
      return QBrush(Qt::NoBrush);
    case WHITE_PEN:
      return QPen(Qt::white, 0);
    case BLACK_PEN:
      return QPen(Qt::black, 0);
    case NULL_PEN:
      return QPen(Qt::NoPen);
    case SYSTEM_FONT:
      return TFontObject{QFontOf(TLogFont{}), 0};
    default:
      return std::monostate();
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
    if (picture.isEmpty()) return;
    FObjects.resize(header.U16(HeaderHandlesAt));
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
    const TRecordReader start(FData.constData(), static_cast<quint32>(std::min<qsizetype>(FData.size(), HeaderSize)),
                              0);
    const quint32 size = start.U32(RecordSizeAt);
    if (start.Type() != EMR_HEADER || size < HeaderSizeBase || size > FData.size() || size % RecordAlignment != 0)
      start.Fail();
    const TRecordReader header(FData.constData(), size, 0);
    const quint32 bytes = header.U32(HeaderBytesAt);
    if (header.U32(HeaderSignatureAt) != HeaderSignature || bytes < size || bytes > FData.size()) header.Fail();
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
      const quint32 size = probe.U32(RecordSizeAt);
      if (size < RecordHeaderSize || size % RecordAlignment != 0 || size > end - offset) probe.Fail();
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
      case EMR_LINETO:
        return ExtendRun(PointAt(r, LinePointAt));
      case EMR_POLYLINETO16:
        for (const QPoint& p : Points16(r)) ExtendRun(p);
        return;
      default:
        break;
    }
    DrawRun();
    switch (r.Type()) {
      case EMR_MOVETOEX:
        FPosition = PointAt(r, LinePointAt);
        break;
      case EMR_POLYLINE16:
        FPainter.drawPolyline(Points16(r));
        break;
      case EMR_POLYLINE:
        FPainter.drawPolyline(Points32(r));
        break;
      case EMR_RECTANGLE:
        FPainter.drawRect(BoxOf(r));
        break;
      case EMR_ELLIPSE:
        FPainter.drawEllipse(BoxOf(r));
        break;
      case EMR_BITBLT:
        PatternFill(r);
        break;
      case EMR_EXTTEXTOUTW:
        Text(r);
        break;
      case EMR_SETBKMODE:
        FPainter.setBackgroundMode(r.U32(StateValueAt) == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
        break;
      case EMR_SETBKCOLOR:
        FPainter.setBackground(ColorOf(r.U32(StateValueAt)));
        break;
      case EMR_SETTEXTCOLOR:
        FTextColor = ColorOf(r.U32(StateValueAt));
        break;
      case EMR_CREATEPEN:
        Slot(r) = PenOf(r);
        break;
      case EMR_CREATEBRUSHINDIRECT:
        Slot(r) = BrushOf(r);
        break;
      case EMR_EXTCREATEFONTINDIRECTW:
        Slot(r) = FontOf(r);
        break;
      case EMR_DELETEOBJECT:
        Slot(r) = std::monostate();
        break;
      case EMR_SELECTOBJECT:
        Select(r);
        break;
      default:
        break;  // records the plot does not write
    }
  }

  // The object table's slot that an object record names.
  TObject& Slot(const TRecordReader& r) {
    const quint32 index = r.U32(ObjectIndexAt);
    if (index == 0 || index >= FObjects.size()) r.Fail();
    return FObjects[index];
  }

  void Select(const TRecordReader& r) {
    const quint32 index = r.U32(ObjectIndexAt);
    const TObject object = (index & StockObjectFlag) ? StockObjectOf(index) : Slot(r);
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

  // The box of a rectangle or ellipse record; GDI leaves out its right and bottom edge.
  static QRectF BoxOf(const TRecordReader& r) {
    const QPoint topLeft = PointAt(r, BoxAt);
    const QPoint bottomRight = PointAt(r, BoxAt + RectLBottomRightAt);
    return QRectF(topLeft, bottomRight - QPoint(1, 1));
  }

  static quint32 PointCount(const TRecordReader& r, quint32 pointSize) {
    const quint32 count = r.U32(PolyCountAt);
    if (count > (r.Size() - PolyPointsAt) / pointSize) r.Fail();
    return count;
  }

  static QPolygon Points16(const TRecordReader& r) {
    QPolygon points(PointCount(r, PointSSize));
    for (qsizetype i = 0; i < points.size(); ++i) {
      const quint32 at = PolyPointsAt + PointSSize * i;
      points[i] = QPoint(r.I16(at), r.I16(at + PointSYAt));
    }
    return points;
  }

  static QPolygon Points32(const TRecordReader& r) {
    QPolygon points(PointCount(r, PointLSize));
    for (qsizetype i = 0; i < points.size(); ++i) points[i] = PointAt(r, PolyPointsAt + PointLSize * i);
    return points;
  }

  void ExtendRun(QPoint p) {
    if (FRun.isEmpty()) FRun.append(FPosition);
    FRun.append(p);
    FPosition = p;
  }

  void DrawRun() {
    if (FRun.isEmpty()) return;
    FPainter.drawPolyline(FRun);
    FRun.clear();
  }

  // A brush fill without a source bitmap; bitmaps are not part of the plot's pictures.
  void PatternFill(const TRecordReader& r) {
    if (r.U32(BitBltRasterOperationAt) != PATCOPY || r.U32(BitBltBmiSizeAt) != 0) return;
    FPainter.fillRect(QRectF(PointAt(r, BitBltDestAt), QSizeF(SizeAt(r, BitBltDestSizeAt))), FPainter.brush());
  }

  // Text turned about its top-left reference point; in opaque background mode QPainter
  // fills the text cell with the background colour, as GDI does.
  void Text(const TRecordReader& r) {
    const QPoint reference = PointAt(r, ExtTextOutEmrTextAt + EmrTextReferenceAt);
    const quint32 units = r.U32(ExtTextOutEmrTextAt + EmrTextCharsAt);
    const QString text = r.Utf16(r.U32(ExtTextOutEmrTextAt + EmrTextStringOffsetAt), units);
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

}  // namespace

void PlayEnhMetafile(const QByteArray& emf, QPainter& painter, const QRectF& target) {
  TPlayer(emf, painter).Play(target);
}
