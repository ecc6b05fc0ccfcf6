#pragma once
// The parts of the enhanced-metafile format (MS-EMF) that the recorder writes and the
// player reads: record types, GDI constants, the logical font, and little-endian
// record building and reading.

#include <span>

#include <QByteArray>
#include <QFont>
#include <QPoint>
#include <QString>

#include "qorGraphicUtils.h"

namespace qorEmf {

// Record types.
enum RecordType : quint32 {
  EMR_HEADER = 1,
  EMR_POLYLINE = 4,
  EMR_EOF = 14,
  EMR_SETBKMODE = 18,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_LINETO = 54,
  EMR_BITBLT = 76,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYLINE16 = 87,
  EMR_POLYLINETO16 = 89,
};

// Every record starts with its type and its size in bytes, a multiple of 4.
constexpr quint32 RecordHeaderSize = 8;
constexpr quint32 RecordAlignment = 4;
// The header record with both extensions (pixel format, micrometre size).
constexpr quint32 HeaderSize = 108;
// The smallest header a reader accepts: the one without extensions.
constexpr quint32 HeaderSizeBase = 88;
// " EMF" read as a little-endian 32-bit number.
constexpr quint32 HeaderSignature = 0x464D4520;
constexpr quint32 HeaderVersion = 0x00010000;
// Offsets of header fields that a reader or a test looks at.
constexpr int HeaderBoundsAt = 8;
constexpr int HeaderFrameAt = 24;
constexpr int HeaderSignatureAt = 40;
constexpr int HeaderBytesAt = 48;
constexpr int HeaderRecordsAt = 52;
constexpr int HeaderHandlesAt = 56;
constexpr int HeaderDeviceAt = 72;
constexpr int HeaderMillimetersAt = 80;
constexpr int HeaderMicrometersAt = 100;
// The end record: palette count, palette offset, and its own size repeated.
constexpr quint32 EofSize = 20;
constexpr quint32 EofPaletteOffset = 16;

// The reference device every picture is recorded for: a 96-dpi screen.
constexpr int ScreenPixelsPerInch = 96;
constexpr int ReferenceWidthPixels = 1920;
constexpr int ReferenceHeightPixels = 1080;
constexpr int MicrometersPerInch = 25400;
// Hundredths of a millimetre per inch: the unit of the header's frame.
constexpr int FrameUnitsPerInch = 2540;

// Object indices with this bit set name stock objects.
constexpr quint32 StockObjectFlag = 0x80000000;
enum StockObject : quint32 {
  WHITE_BRUSH = 0, BLACK_BRUSH = 4, NULL_BRUSH = 5,
  WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, SYSTEM_FONT = 13,
};

// Pen styles (the low bits of a pen's style).
enum PenStyle : quint32 {
  PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
  PS_INSIDEFRAME = 6,
};
constexpr quint32 PenStyleMask = 0x0F;
enum BrushStyle : quint32 { BS_SOLID = 0, BS_NULL = 1 };
enum BackgroundMode : quint32 { TRANSPARENT = 1, OPAQUE = 2 };
// The raster operation that fills with the brush.
constexpr quint32 PATCOPY = 0x00F00021;
// Text records in the graphics mode of a plain device context.
constexpr quint32 GM_COMPATIBLE = 1;
// The logical font's weights, precision and character set.
constexpr qint32 FW_NORMAL = 400;
constexpr qint32 FW_BOLD = 700;
constexpr quint8 OUT_TT_ONLY_PRECIS = 7;
constexpr quint8 DEFAULT_CHARSET = 1;
// Characters of the face name, terminating zero included.
constexpr int LF_FACESIZE = 32;
// A logical font as Windows records it: LogFont (92 bytes) followed by the full name,
// style name and Panose fields (LogFontPanose, 320 bytes in all).
constexpr quint32 LogFontSize = 92;
constexpr quint32 LogFontPanoseSize = 320;

// The fields of a logical font that the plot sets.
struct TLogFont {
  qint32 Height = 0;      // negative: the em height in pixels
  qint32 Escapement = 0;  // text direction in tenths of a degree, counter-clockwise
  qint32 Weight = FW_NORMAL;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  QString FaceName;
};

// The logical font of font: its angle rounded to tenths of a degree.
TLogFont LogFontOf(const TqorFont& font);
// The Qt font that measures and draws a logical font (its escapement aside).
QFont QFontOf(const TLogFont& font);
// A COLORREF (0x00BBGGRR) and back.
quint32 ColorRefOf(const QColor& color);
QColor ColorOf(quint32 colorRef);

// Appends one record to a byte block; Finish pads it and fills in its size.
class TRecordWriter {
public:
  TRecordWriter(QByteArray& bytes, quint32 type);
  void U32(quint32 value);
  void I32(qint32 value);
  void F32(float value);
  void I16(qint16 value);
  void U8(quint8 value);
  // Points as pairs of 16-bit coordinates; each must fit.
  void Points16(std::span<const QPoint> points);
  // The UTF-16 code units of text, then zeros up to units code units.
  void Utf16(const QString& text, qsizetype units);
  void Zeros(qsizetype count);
  // Pads to the record alignment, writes the size and returns it.
  quint32 Finish();

private:
  QByteArray& FBytes;
  qsizetype FStart;
};

// Reads the fields of one record; reading beyond its end raises Exception.
class TRecordReader {
public:
  // The record of size bytes at data; offset is its position in the metafile.
  TRecordReader(const char* data, quint32 size, qsizetype offset);
  quint32 Type() const { return U32(0); }
  quint32 Size() const { return FSize; }
  quint32 U32(quint32 at) const;
  qint32 I32(quint32 at) const;
  qint16 I16(quint32 at) const;
  quint8 U8(quint32 at) const;
  // units UTF-16 code units from at, up to the first zero.
  QString Utf16(quint32 at, quint32 units) const;
  // Raises the message of a damaged metafile for this record.
  [[noreturn]] void Fail() const;

private:
  void Need(quint32 at, quint32 count) const;
  const char* FData;
  quint32 FSize;
  qsizetype FOffset;
};

// The message of a metafile that cannot be read at byte offset.
QString DamagedMessage(qsizetype offset);

} // namespace qorEmf
