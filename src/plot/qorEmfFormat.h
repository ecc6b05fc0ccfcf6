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

// Record layouts: where each field of the records the recorder writes and the player
// reads lies, in bytes from the start of its record (or of the object named in the
// prefix), as MS-EMF lays them out. The recorder writes the fields in this order, the
// player reads them by these names, and the tests pin the names to the published numbers.

// Every record starts with its type and its size in bytes. The size is a multiple of 4
// so that the next record, and every 32-bit field in it, starts on a 4-byte boundary.
constexpr quint32 RecordTypeAt = 0;
constexpr quint32 RecordSizeAt = 4;
constexpr quint32 RecordHeaderSize = 8;
constexpr quint32 RecordAlignment = 4;

// bytes rounded up to a whole number of 4-byte units.
constexpr quint32 Aligned(quint32 bytes) { return (bytes + RecordAlignment - 1) / RecordAlignment * RecordAlignment; }

// The small structures inside records: PointL (x, y) and SizeL (cx, cy) of 32-bit
// integers, PointS (x, y) of 16-bit integers, RectL (left, top, right, bottom) as two
// PointL.
constexpr quint32 PointLYAt = 4;
constexpr quint32 PointLSize = 8;
constexpr quint32 SizeLCyAt = 4;
constexpr quint32 PointSYAt = 2;
constexpr quint32 PointSSize = 4;
constexpr quint32 RectLBottomRightAt = 8;
constexpr quint32 RectLSize = 16;

// EMR_HEADER, the first record: the picture and the whole file.
constexpr quint32 HeaderBoundsAt = 8;  // RectL: the drawing's inclusive bounds in pixels
constexpr quint32 HeaderFrameAt = 24;  // RectL: the picture in hundredths of a millimetre
constexpr quint32 HeaderSignatureAt = 40;
constexpr quint32 HeaderVersionAt = 44;
// Bytes, record count and handle count describe the whole file, so the recorder knows
// them only when it closes; at fixed places in the first record it can fill them in then.
constexpr quint32 HeaderBytesAt = 48;
constexpr quint32 HeaderRecordsAt = 52;
constexpr quint32 HeaderHandlesAt = 56;            // 16 bits, then 16 reserved bits
constexpr quint32 HeaderDescriptionLengthAt = 60;  // characters; 0: no description
constexpr quint32 HeaderDescriptionAt = 64;        // where the description would start
constexpr quint32 HeaderPaletteEntriesAt = 68;
constexpr quint32 HeaderDeviceAt = 72;       // SizeL: the reference device in pixels
constexpr quint32 HeaderMillimetersAt = 80;  // SizeL: the same device in millimetres
// The header without extensions: the smallest one a reader accepts.
constexpr quint32 HeaderSizeBase = 88;
// The first extension: size and offset of a pixel format, and whether OpenGL records follow.
constexpr quint32 HeaderPixelFormatSizeAt = 88;
constexpr quint32 HeaderPixelFormatAt = 92;
constexpr quint32 HeaderOpenGLAt = 96;
// The second extension: the device in micrometres, finer than whole millimetres.
constexpr quint32 HeaderMicrometersAt = 100;  // SizeL
constexpr quint32 HeaderSize = 108;
// " EMF" read as a little-endian 32-bit number.
constexpr quint32 HeaderSignature = 0x464D4520;
constexpr quint32 HeaderVersion = 0x00010000;

// EMR_EOF, the last record.
constexpr quint32 EofPaletteEntriesAt = 8;
constexpr quint32 EofPaletteOffsetAt = 12;
// The record's size once more, as the last field of the file: a reader that starts at
// the end of the file finds the end record, and the palette it may hold, from there.
constexpr quint32 EofSizeLastAt = 16;
constexpr quint32 EofSize = 20;
// Where palette entries would start; written also when there are none, as GDI does.
constexpr quint32 EofPaletteOffset = 16;

// Every record that creates, selects or deletes an object names its slot in the object
// table first. EMR_SELECTOBJECT and EMR_DELETEOBJECT hold nothing else.
constexpr quint32 ObjectIndexAt = 8;
constexpr quint32 ObjectRecordSize = 12;

// EMR_SETTEXTCOLOR and EMR_SETBKCOLOR (a COLORREF), EMR_SETBKMODE (a BackgroundMode).
constexpr quint32 StateValueAt = 8;
constexpr quint32 StateRecordSize = 12;

// EMR_MOVETOEX and EMR_LINETO: the PointL the position moves or the line draws to.
constexpr quint32 LinePointAt = 8;
constexpr quint32 LineRecordSize = 16;

// EMR_RECTANGLE and EMR_ELLIPSE: a RectL whose right and bottom edge GDI leaves out.
constexpr quint32 BoxAt = 8;
constexpr quint32 BoxRecordSize = 24;

// EMR_POLYLINE16 and EMR_POLYLINETO16 (PointS), EMR_POLYLINE (PointL).
constexpr quint32 PolyBoundsAt = 8;  // RectL: inclusive bounds of the points
constexpr quint32 PolyCountAt = 24;
constexpr quint32 PolyPointsAt = 28;

// EMR_CREATEPEN: the object index, then a LogPen.
constexpr quint32 PenStyleAt = 12;
constexpr quint32 PenWidthAt = 16;  // PointL; only its x is the width
constexpr quint32 PenColorAt = 24;
constexpr quint32 PenRecordSize = 28;

// EMR_CREATEBRUSHINDIRECT: the object index, then a LogBrush.
constexpr quint32 BrushStyleAt = 12;
constexpr quint32 BrushColorAt = 16;
constexpr quint32 BrushHatchAt = 20;
constexpr quint32 BrushRecordSize = 24;

// LogFont, the logical font, from its own start.
constexpr quint32 LogFontHeightAt = 0;
constexpr quint32 LogFontWidthAt = 4;
constexpr quint32 LogFontEscapementAt = 8;
constexpr quint32 LogFontOrientationAt = 12;
constexpr quint32 LogFontWeightAt = 16;
constexpr quint32 LogFontItalicAt = 20;  // this and the seven fields after it: one byte each
constexpr quint32 LogFontUnderlineAt = 21;
constexpr quint32 LogFontStrikeOutAt = 22;
constexpr quint32 LogFontCharSetAt = 23;
constexpr quint32 LogFontOutPrecisionAt = 24;
constexpr quint32 LogFontClipPrecisionAt = 25;
constexpr quint32 LogFontQualityAt = 26;
constexpr quint32 LogFontPitchAndFamilyAt = 27;
constexpr quint32 LogFontFaceNameAt = 28;  // LF_FACESIZE UTF-16 code units
// Characters of the face name, terminating zero included.
constexpr int LF_FACESIZE = 32;
constexpr quint32 LogFontSize = 92;
// A LogFont followed by full name, style name and Panose fields (LogFontPanose), the
// form GDI writes: readers tell the kinds of logical font apart by their size and
// expect at least this one.
constexpr quint32 LogFontPanoseSize = 320;

// EMR_EXTCREATEFONTINDIRECTW: the object index, then the LogFontPanose.
constexpr quint32 FontLogFontAt = 12;
constexpr quint32 FontRecordSize = FontLogFontAt + LogFontPanoseSize;

// EMR_BITBLT: a block transfer; the plot uses it without source as a brush fill.
constexpr quint32 BitBltBoundsAt = 8;     // RectL
constexpr quint32 BitBltDestAt = 24;      // PointL: top left of the destination
constexpr quint32 BitBltDestSizeAt = 32;  // SizeL
constexpr quint32 BitBltRasterOperationAt = 40;
constexpr quint32 BitBltSrcAt = 44;       // PointL
constexpr quint32 BitBltXformSrcAt = 52;  // six 32-bit floats
constexpr quint32 BitBltBkColorSrcAt = 76;
constexpr quint32 BitBltUsageSrcAt = 80;
constexpr quint32 BitBltBmiOffsetAt = 84;
constexpr quint32 BitBltBmiSizeAt = 88;  // 0: no source bitmap
constexpr quint32 BitBltBitsOffsetAt = 92;
constexpr quint32 BitBltBitsSizeAt = 96;
constexpr quint32 BitBltSize = 100;

// EMR_EXTTEXTOUTW: bounds, graphics mode and scales, then one EmrText.
constexpr quint32 ExtTextOutBoundsAt = 8;  // RectL
constexpr quint32 ExtTextOutGraphicsModeAt = 24;
constexpr quint32 ExtTextOutXScaleAt = 28;  // float: page units to hundredths of a millimetre
constexpr quint32 ExtTextOutYScaleAt = 32;
constexpr quint32 ExtTextOutEmrTextAt = 36;
// EmrText, from its own start. The string and the advances are found through offsets
// from the start of the record, not from the EmrText.
// PointL: the text's top-left corner, as no EMR_SETTEXTALIGN changes the default alignment.
constexpr quint32 EmrTextReferenceAt = 0;
constexpr quint32 EmrTextCharsAt = 8;  // UTF-16 code units of the string
constexpr quint32 EmrTextStringOffsetAt = 12;
constexpr quint32 EmrTextOptionsAt = 16;
constexpr quint32 EmrTextRectangleAt = 20;  // RectL, present while Options lacks ETO_NO_RECT
constexpr quint32 EmrTextDxOffsetAt = 36;
constexpr quint32 EmrTextSize = 40;
// The characters start right behind the EmrText. They are padded to whole 4-byte units
// because the advances that follow are 32-bit values, which the format wants 32-bit
// aligned (offDx).
constexpr quint32 ExtTextOutStringAt = ExtTextOutEmrTextAt + EmrTextSize;

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
  WHITE_BRUSH = 0,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  SYSTEM_FONT = 13,
};

// Pen styles (the low bits of a pen's style).
enum PenStyle : quint32 {
  PS_SOLID = 0,
  PS_DASH = 1,
  PS_DOT = 2,
  PS_DASHDOT = 3,
  PS_DASHDOTDOT = 4,
  PS_NULL = 5,
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
  quint32 Type() const { return U32(RecordTypeAt); }
  quint32 Size() const { return FSize; }
  quint32 U32(quint32 at) const;
  qint32 I32(quint32 at) const;
  quint16 U16(quint32 at) const;
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

}  // namespace qorEmf
