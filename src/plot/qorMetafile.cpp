#include "qorMetafile.h"

#include "qorFileIO.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QTransform>
#include <QtEndian>

#include "qorEmfFormat.h"
#include "qorException.h"
#include "qorMetafilePlayer.h"

using namespace qorEmf;

namespace {

// Scale of text records from pixels to hundredths of a millimetre at 96 dpi.
constexpr float TextScale = float(FrameUnitsPerInch) / ScreenPixelsPerInch;

qint32 FrameUnitsOf(int pixels) { return qRound(double(pixels) * FrameUnitsPerInch / ScreenPixelsPerInch); }

qint32 MicrometersOf(int pixels) { return qRound(double(pixels) * MicrometersPerInch / ScreenPixelsPerInch); }

bool FitsInt16(QPoint p) {
  return p.x() >= INT16_MIN && p.x() <= INT16_MAX && p.y() >= INT16_MIN && p.y() <= INT16_MAX;
}

void WriteRect(TRecordWriter& w, const QRect& r) {
  w.I32(r.left());
  w.I32(r.top());
  w.I32(r.right());
  w.I32(r.bottom());
}

// The bounds of points, as an inclusive rectangle.
QRect BoundsOf(std::span<const QPoint> points) {
  QRect bounds(points.front(), points.front());
  for (const QPoint& p : points) bounds = bounds.united(QRect(p, p));
  return bounds;
}

quint32 PenStyleOf(TqorPenStyle style) {
  switch (style) {
    case TqorPenStyle::psSolid:
      return PS_SOLID;
    case TqorPenStyle::psDash:
      return PS_DASH;
    case TqorPenStyle::psDot:
      return PS_DOT;
    case TqorPenStyle::psDashDot:
      return PS_DASHDOT;
    case TqorPenStyle::psDashDotDot:
      return PS_DASHDOTDOT;
    case TqorPenStyle::psClear:
      return PS_NULL;
  }
  return PS_SOLID;
}

// Writes a graphic's bytes to fileName through a temporary file; a graphic without
// bytes (nothing recorded, or an image of no pixels) is refused, not written empty.
void WriteFileAtomic(const QString& fileName, const QByteArray& bytes) {
  if (bytes.isEmpty())
    throw EInOutError(QStringLiteral("Die Grafik ist leer und wird nicht in die Datei \"%1\" geschrieben.")
                          .arg(QDir::toNativeSeparators(fileName))
                          .toStdString());
  WriteWholeFile(fileName, bytes);
}

}  // namespace

// Writes the records of one drawing. GDI objects are created lazily: a drawing call
// first compares the canvas pen, brush or font with the one last selected and records
// a new object only when it differs, so changing a pen back and forth between
// drawings costs nothing. Consecutive LineTo calls are kept back and stored as one
// EMR_POLYLINETO16 record (a single one as EMR_LINETO): a graph of ten thousand
// points then takes 4 instead of 16 bytes a point and replays as one polyline.
class TqorMetafileCanvas::TRecorder {
public:
  TRecorder(int width, int height) : FWidth(width), FHeight(height) { WriteHeader(); }

  // The position is recorded when a line starts from it (see RestatePosition).
  void MoveTo(QPoint p) {
    FPosition = p;
    FPositionPending = true;
  }

  void LineTo(const TqorPen& pen, QPoint p) {
    RealizePen(pen);
    RestatePosition();
    if (!FitsInt16(p)) {
      Record(EMR_LINETO, [&](TRecordWriter& w) { WritePoint(w, p); });
    } else {
      if (FRun.empty()) FRunStart = FPosition;
      FRun.push_back(p);
    }
    FPosition = p;
  }

  void Polyline(const TqorPen& pen, std::span<const QPoint> points) {
    if (points.size() < 2) return;
    RealizePen(pen);
    const bool small = std::all_of(points.begin(), points.end(), FitsInt16);
    Record(small ? EMR_POLYLINE16 : EMR_POLYLINE, [&](TRecordWriter& w) {
      WriteRect(w, BoundsOf(points));
      w.U32(static_cast<quint32>(points.size()));
      if (small)
        w.Points16(points);
      else
        for (const QPoint& p : points) WritePoint(w, p);
    });
  }

  void Shape(quint32 type, const TqorPen& pen, const TqorBrush& brush, const QRect& box) {
    RealizePen(pen);
    RealizeBrush(brush);
    Record(type, [&](TRecordWriter& w) { WriteBox(w, box); });
  }

  void FillRect(const TqorBrush& brush, const QRect& box) {
    if (box.right() <= box.left() || box.bottom() <= box.top()) return;
    RealizeBrush(brush);
    Record(EMR_BITBLT, [&](TRecordWriter& w) { WritePatternFill(w, box); });
  }

  void TextOut(const TqorFont& font, const TqorBrush& brush, QPoint p, const QString& text) {
    if (text.isEmpty()) return;
    RealizeFont(font);
    SetState(FTextColor, EMR_SETTEXTCOLOR, ColorRefOf(font.Color));
    const bool opaque = brush.Style == TqorBrushStyle::bsSolid;
    SetState(FBackgroundMode, EMR_SETBKMODE, opaque ? OPAQUE : TRANSPARENT);
    if (opaque) SetState(FBackgroundColor, EMR_SETBKCOLOR, ColorRefOf(brush.Color));
    Record(EMR_EXTTEXTOUTW, [&](TRecordWriter& w) { WriteText(w, font, p, text); });
  }

  QSize TextExtent(const TqorFont& font, const QString& text) {
    const QFontMetrics& metrics = MetricsOf(font);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
  }

  // Frees every object, ends the records and fills in the header.
  QByteArray Finish() {
    Release(FPen, BLACK_PEN);
    Release(FBrush, WHITE_BRUSH);
    Release(FFont, SYSTEM_FONT);
    Record(EMR_EOF, [](TRecordWriter& w) {
      w.U32(0);  // no palette entries
      w.U32(EofPaletteOffset);
      w.U32(EofSize);  // the size once more, as the file's last field
    });
    qToLittleEndian(static_cast<quint32>(FBytes.size()), FBytes.data() + HeaderBytesAt);
    qToLittleEndian(FRecords, FBytes.data() + HeaderRecordsAt);
    qToLittleEndian(static_cast<quint16>(FHandleInUse.size()), FBytes.data() + HeaderHandlesAt);
    return std::move(FBytes);
  }

private:
  // An object last selected into the device context and its index in the handle table.
  template <class T>
  struct TSelection {
    std::optional<T> Value;
    quint32 Handle = 0;
  };

  void WriteHeader() {
    Emit(EMR_HEADER, [&](TRecordWriter& w) {
      WriteRect(w, QRect(0, 0, FWidth, FHeight));
      WriteBox(w, QRect(0, 0, FrameUnitsOf(FWidth), FrameUnitsOf(FHeight)));
      w.U32(HeaderSignature);
      w.U32(HeaderVersion);
      w.U32(0);  // bytes, records, handles and a reserved word: filled in by Finish
      w.U32(0);
      w.U32(0);
      w.U32(0);  // no description
      w.U32(0);
      w.U32(0);                     // no palette
      w.I32(ReferenceWidthPixels);  // the reference device in pixels
      w.I32(ReferenceHeightPixels);
      w.I32(qRound(MicrometersOf(ReferenceWidthPixels) / 1000.0));  // in millimetres
      w.I32(qRound(MicrometersOf(ReferenceHeightPixels) / 1000.0));
      w.U32(0);  // no pixel format
      w.U32(0);
      w.U32(0);                                    // no OpenGL records
      w.I32(MicrometersOf(ReferenceWidthPixels));  // in micrometres
      w.I32(MicrometersOf(ReferenceHeightPixels));
    });
  }

  static void WritePoint(TRecordWriter& w, QPoint p) {
    w.I32(p.x());
    w.I32(p.y());
  }

  // A box as GDI takes it: left, top, right, bottom, the right and bottom edge excluded.
  static void WriteBox(TRecordWriter& w, const QRect& box) {
    w.I32(box.left());
    w.I32(box.top());
    w.I32(box.left() + box.width());
    w.I32(box.top() + box.height());
  }

  static void WritePatternFill(TRecordWriter& w, const QRect& box) {
    WriteRect(w, box);
    w.I32(box.left());
    w.I32(box.top());
    w.I32(box.width());
    w.I32(box.height());
    w.U32(PATCOPY);
    w.I32(0);  // no source: the brush is the pattern
    w.I32(0);
    for (const float m : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) w.F32(m);
    w.Zeros(BitBltSize - BitBltBkColorSrcAt);  // source colour, usage and the absent bitmap
  }

  void WriteText(TRecordWriter& w, const TqorFont& font, QPoint p, const QString& text) {
    const QSize extent = TextExtent(font, text);
    const qreal degrees = LogFontOf(font).Escapement / 10.0;
    const QTransform turn = QTransform().translate(p.x(), p.y()).rotate(-degrees);
    // An odd number of characters gets one zero unit of padding: the advances behind
    // the characters are 32-bit values, and the format wants them (offDx) 32-bit aligned.
    const quint32 stringBytes = static_cast<quint32>(text.size()) * 2;
    const quint32 dxAt = ExtTextOutStringAt + Aligned(stringBytes);
    WriteRect(w, turn.mapRect(QRect(QPoint(0, 0), extent)));
    w.U32(GM_COMPATIBLE);
    w.F32(TextScale);
    w.F32(TextScale);
    WritePoint(w, p);
    w.U32(static_cast<quint32>(text.size()));
    w.U32(ExtTextOutStringAt);
    w.U32(0);               // no options: the background mode decides about the cell
    WriteRect(w, QRect());  // the unused clipping rectangle
    w.U32(dxAt);
    w.Utf16(text, (dxAt - ExtTextOutStringAt) / 2);
    for (const int dx : Advances(font, text)) w.I32(dx);
  }

  // The advance of every UTF-16 unit, summing to the text width; the second unit of a
  // surrogate pair gets 0.
  std::vector<int> Advances(const TqorFont& font, const QString& text) {
    const QFontMetrics& metrics = MetricsOf(font);
    std::vector<int> result(text.size(), 0);
    int before = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (text.at(i).isLowSurrogate()) continue;
      const qsizetype units = text.at(i).isHighSurrogate() ? 2 : 1;
      const int after = metrics.horizontalAdvance(text.left(i + units));
      result[i] = after - before;
      before = after;
    }
    return result;
  }

  const QFontMetrics& MetricsOf(const TqorFont& font) {
    if (!FMetrics || FMetricsFont != font) {
      FMetrics.emplace(QFontOf(LogFontOf(font)));
      FMetricsFont = font;
    }
    return *FMetrics;
  }

  void RealizePen(const TqorPen& pen) {
    Realize(FPen, pen, EMR_CREATEPEN, [&](TRecordWriter& w) {
      w.U32(PenStyleOf(pen.Style));
      w.I32(pen.Width);
      w.I32(0);
      w.U32(ColorRefOf(pen.Color));
    });
  }

  void RealizeBrush(const TqorBrush& brush) {
    Realize(FBrush, brush, EMR_CREATEBRUSHINDIRECT, [&](TRecordWriter& w) {
      w.U32(brush.Style == TqorBrushStyle::bsSolid ? BS_SOLID : BS_NULL);
      w.U32(ColorRefOf(brush.Color));
      w.U32(0);  // no hatch
    });
  }

  void RealizeFont(const TqorFont& font) {
    Realize(FFont, font, EMR_EXTCREATEFONTINDIRECTW, [&](TRecordWriter& w) { WriteLogFont(w, LogFontOf(font)); });
  }

  static void WriteLogFont(TRecordWriter& w, const TLogFont& font) {
    w.I32(font.Height);
    w.I32(0);  // width: the face's own proportions
    w.I32(font.Escapement);
    w.I32(0);  // orientation of single glyphs: unused in the compatible graphics mode
    w.I32(font.Weight);
    w.U8(font.Italic);
    w.U8(font.Underline);
    w.U8(font.StrikeOut);
    w.U8(DEFAULT_CHARSET);
    w.U8(OUT_TT_ONLY_PRECIS);
    w.U8(0);  // default clipping precision, quality, pitch and family
    w.U8(0);
    w.U8(0);
    w.Utf16(font.FaceName, LF_FACESIZE);
    w.Zeros(LogFontPanoseSize - LogFontSize);  // no full name, style or Panose data
  }

  // Records value as a new object and selects it when it differs from the selected one;
  // the object it replaces is deleted.
  template <class T, class F>
  void Realize(TSelection<T>& selection, const T& value, quint32 createType, F&& writeObject) {
    if (selection.Value == value) return;
    const quint32 handle = AllocateHandle();
    Record(createType, [&](TRecordWriter& w) {
      w.U32(handle);
      writeObject(w);
    });
    SelectObject(handle);
    if (selection.Handle != 0) DeleteObject(selection.Handle);
    selection = {value, handle};
  }

  template <class T>
  void Release(TSelection<T>& selection, quint32 stockObject) {
    if (selection.Handle == 0) return;
    SelectObject(StockObjectFlag | stockObject);
    DeleteObject(selection.Handle);
    selection = {};
  }

  void SelectObject(quint32 handle) {
    Record(EMR_SELECTOBJECT, [&](TRecordWriter& w) { w.U32(handle); });
  }

  void DeleteObject(quint32 handle) {
    Record(EMR_DELETEOBJECT, [&](TRecordWriter& w) { w.U32(handle); });
    FHandleInUse[handle] = false;
  }

  // The lowest free index of the handle table; index 0 is reserved for the metafile.
  quint32 AllocateHandle() {
    const auto free = std::find(FHandleInUse.begin() + 1, FHandleInUse.end(), false);
    const auto index = static_cast<quint32>(free - FHandleInUse.begin());
    if (free == FHandleInUse.end())
      FHandleInUse.push_back(true);
    else
      *free = true;
    return index;
  }

  // Records a one-value state change unless the state already has that value.
  void SetState(std::optional<quint32>& state, quint32 type, quint32 value) {
    if (state == value) return;
    Record(type, [&](TRecordWriter& w) { w.U32(value); });
    state = value;
  }

  // Writes a record after the LineTo calls held back so far.
  template <class F>
  void Record(quint32 type, F&& fill) {
    FlushRun();
    Emit(type, fill);
  }

  template <class F>
  void Emit(quint32 type, F&& fill) {
    TRecordWriter w(FBytes, type);
    fill(w);
    w.Finish();
    ++FRecords;
    FPositionPending = FPositionPending || !IsPathRecord(type);
  }

  static bool IsPathRecord(quint32 type) {
    return type == EMR_MOVETOEX || type == EMR_LINETO || type == EMR_POLYLINETO16;
  }

  // Records the current position right before a line continues from it, after the
  // line's pen has been selected. GDI keeps the position across other records, but
  // readers such as Inkscape start a new path at every object or text record and drop
  // a line whose start point was recorded before it.
  void RestatePosition() {
    if (!FPositionPending) return;
    Record(EMR_MOVETOEX, [&](TRecordWriter& w) { WritePoint(w, FPosition); });
    FPositionPending = false;
  }

  void FlushRun() {
    if (FRun.empty()) return;
    if (FRun.size() == 1) {
      Emit(EMR_LINETO, [&](TRecordWriter& w) { WritePoint(w, FRun.front()); });
    } else {
      Emit(EMR_POLYLINETO16, [&](TRecordWriter& w) {
        WriteRect(w, BoundsOf(FRun).united(QRect(FRunStart, FRunStart)));
        w.U32(static_cast<quint32>(FRun.size()));
        w.Points16(FRun);
      });
    }
    FRun.clear();
  }

  int FWidth;
  int FHeight;
  QByteArray FBytes;
  quint32 FRecords = 0;
  std::vector<bool> FHandleInUse{true};
  TSelection<TqorPen> FPen;
  TSelection<TqorBrush> FBrush;
  TSelection<TqorFont> FFont;
  std::optional<quint32> FTextColor;
  std::optional<quint32> FBackgroundMode;
  std::optional<quint32> FBackgroundColor;
  QPoint FPosition;
  // FPosition has not been recorded since the last MoveTo or non-line record.
  bool FPositionPending = false;
  QPoint FRunStart;
  std::vector<QPoint> FRun;
  std::optional<QFontMetrics> FMetrics;
  TqorFont FMetricsFont;
};

TqorMetafileCanvas::TqorMetafileCanvas(TqorMetafile& metafile)
    : FMetafile(metafile), FRecorder(std::make_unique<TRecorder>(metafile.Width(), metafile.Height())) {
  FMetafile.Clear();
}

TqorMetafileCanvas::~TqorMetafileCanvas() { FMetafile.FBytes = FRecorder->Finish(); }

void TqorMetafileCanvas::MoveTo(int x, int y) { FRecorder->MoveTo(QPoint(x, y)); }

void TqorMetafileCanvas::LineTo(int x, int y) { FRecorder->LineTo(Pen(), QPoint(x, y)); }

void TqorMetafileCanvas::Polyline(std::span<const QPoint> points) { FRecorder->Polyline(Pen(), points); }

void TqorMetafileCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  FRecorder->Shape(EMR_RECTANGLE, Pen(), Brush(), QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void TqorMetafileCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  FRecorder->Shape(EMR_ELLIPSE, Pen(), Brush(), QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void TqorMetafileCanvas::FillRect(int x1, int y1, int x2, int y2) {
  FRecorder->FillRect(Brush(), QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void TqorMetafileCanvas::TextOut(int x, int y, const QString& text) {
  FRecorder->TextOut(Font(), Brush(), QPoint(x, y), text);
}

QSize TqorMetafileCanvas::TextExtent(const QString& text) { return FRecorder->TextExtent(Font(), text); }

void TqorMetafile::Play(QPainter& painter, const QRectF& target) const {
  if (!Empty()) PlayEnhMetafile(FBytes, painter, target);
}

QImage TqorMetafile::ToImage(QSize size) const {
  if (!size.isValid()) size = QSize(FWidth, FHeight);
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  QPainter painter(&image);
  Play(painter, QRectF(QPointF(0, 0), size));
  return image;
}

QByteArray TqorMetafile::ToPng() const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ToImage().save(&buffer, "PNG");
  return bytes;
}

QByteArray TqorMetafile::ToSvg() const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(FWidth, FHeight));
  generator.setViewBox(QRect(0, 0, FWidth, FHeight));
  generator.setResolution(ScreenPixelsPerInch);
  QPainter painter(&generator);
  Play(painter, QRectF(0, 0, FWidth, FHeight));
  painter.end();
  return bytes;
}

QByteArray TqorMetafile::ToPdf() const {
  constexpr qreal PointsPerPixel = 72.0 / ScreenPixelsPerInch;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(ScreenPixelsPerInch);
  writer.setPageSize(
      QPageSize(QSizeF(FWidth, FHeight) * PointsPerPixel, QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF());
  QPainter painter(&writer);
  Play(painter, QRectF(0, 0, writer.width(), writer.height()));
  painter.end();
  return bytes;
}

void TqorMetafile::SaveToFile(const QString& fileName) const { WriteFileAtomic(fileName, FBytes); }

void TqorMetafile::ExportToFile(const QString& fileName) const {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  const auto encoded = [&] {
    if (Empty()) return QByteArray();
    if (suffix == u"png") return ToPng();
    if (suffix == u"svg") return ToSvg();
    if (suffix == u"pdf") return ToPdf();
    return FBytes;
  };
  WriteFileAtomic(fileName, encoded());
}
