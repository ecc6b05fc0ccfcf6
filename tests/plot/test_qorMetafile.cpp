#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include "qorEmfFormat.h"
#include "qorException.h"
#include "qorMetafile.h"
#include "qorMetafilePlayer.h"
#include "qorTestFiles.h"
#include "qorTestQtApp.h"

QOR_TEST_APPLICATION(TGuiTestEnvironment);

using namespace qorEmf;

namespace {

constexpr int PictureWidth = 200;
constexpr int PictureHeight = 100;

// One record of a metafile, read field by field.
struct TRecord {
  quint32 Offset;
  QByteArray Data;
  quint32 Type() const { return U32(RecordTypeAt); }
  quint32 U32(quint32 at) const { return qFromLittleEndian<quint32>(Data.constData() + at); }
  qint32 I32(quint32 at) const { return qFromLittleEndian<qint32>(Data.constData() + at); }
  quint16 U16(quint32 at) const { return qFromLittleEndian<quint16>(Data.constData() + at); }
  qint16 I16(quint32 at) const { return qFromLittleEndian<qint16>(Data.constData() + at); }
  quint8 U8(quint32 at) const { return static_cast<quint8>(Data.at(at)); }
  QString Utf16(quint32 at, int units) const {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(Data.constData() + at), units);
  }
};

// The records of emf in order, checking the framing every record must have.
std::vector<TRecord> Records(const QByteArray& emf) {
  std::vector<TRecord> records;
  quint32 offset = 0;
  while (offset + RecordHeaderSize <= quint32(emf.size())) {
    const quint32 size = qFromLittleEndian<quint32>(emf.constData() + offset + RecordSizeAt);
    EXPECT_GE(size, RecordHeaderSize) << "at " << offset;
    EXPECT_EQ(size % 4, 0u) << "at " << offset;
    if (size < RecordHeaderSize || offset + size > quint32(emf.size())) break;
    records.push_back({offset, emf.mid(offset, size)});
    offset += size;
  }
  EXPECT_EQ(offset, quint32(emf.size()));
  return records;
}

std::vector<quint32> TypesOf(const std::vector<TRecord>& records) {
  std::vector<quint32> types;
  for (const TRecord& r : records) types.push_back(r.Type());
  return types;
}

QPoint PointOf(const TRecord& r, quint32 at) { return QPoint(r.I32(at), r.I32(at + PointLYAt)); }

// Point i of a polyline record of 16-bit points.
QPoint Point16Of(const TRecord& r, quint32 i) {
  const quint32 at = PolyPointsAt + i * PointSSize;
  return QPoint(r.I16(at), r.I16(at + PointSYAt));
}

QSize SizeOf(const TRecord& r, quint32 at) { return QSize(r.I32(at), r.I32(at + SizeLCyAt)); }

QRect BoxOf(const TRecord& r, quint32 at) { return QRect(PointOf(r, at), PointOf(r, at + RectLBottomRightAt)); }

// A metafile of the test size with whatever draw does.
template <class F>
TqorMetafile Recorded(F&& draw, int width = PictureWidth, int height = PictureHeight) {
  TqorMetafile metafile;
  metafile.setWidth(width);
  metafile.setHeight(height);
  TqorMetafileCanvas canvas(metafile);
  draw(canvas);
  return metafile;
}

bool IsDark(QRgb pixel) { return qGray(pixel) < 128; }

// The box of the dark pixels of image (empty when there are none).
QRect DarkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (IsDark(image.pixel(x, y))) box = box.united(QRect(x, y, 1, 1));
  return box;
}

using MetafileTest = ::testing::Test;

// A drawing with every operation, recorded into the records GDI would write for it.
TqorMetafile SampleDrawing() {
  return Recorded([](TqorCanvas& c) {
    c.FillRect(0, 0, PictureWidth, PictureHeight);
    c.MoveTo(10, 20);
    c.LineTo(50, 20);
    c.LineTo(50, 60);
    c.Pen().Color = Qt::red;
    c.LineTo(60, 60);
    c.Rectangle(5, 6, 25, 36);
    c.Brush().Style = TqorBrushStyle::bsClear;
    c.Ellipse(70, 10, 79, 19);
    c.Polyline(std::vector<QPoint>{{1, 2}, {3, 4}, {5, 2}});
    TqorFont font;
    font.Angle = 90;
    font.Color = Qt::blue;
    font.AssignToCanvas(c);
    c.TextOut(100, 80, QStringLiteral("Grüße"));
  });
}

TEST_F(MetafileTest, HeaderDescribesPictureAndFile) {
  const TqorMetafile metafile = SampleDrawing();
  const QByteArray& emf = metafile.Bytes();
  const std::vector<TRecord> records = Records(emf);
  ASSERT_FALSE(records.empty());
  const TRecord& header = records.front();
  EXPECT_EQ(header.Type(), EMR_HEADER);
  EXPECT_EQ(header.Data.size(), int(HeaderSize));
  EXPECT_EQ(BoxOf(header, HeaderBoundsAt), QRect(QPoint(0, 0), QPoint(PictureWidth - 1, PictureHeight - 1)));
  // 200 x 100 pixels at 96 dpi in hundredths of a millimetre.
  EXPECT_EQ(BoxOf(header, HeaderFrameAt), QRect(QPoint(0, 0), QPoint(5292, 2646)));
  EXPECT_EQ(emf.mid(HeaderSignatureAt, 4), QByteArray(" EMF"));
  EXPECT_EQ(header.U32(HeaderBytesAt), quint32(emf.size()));
  EXPECT_EQ(header.U32(HeaderRecordsAt), records.size());
  EXPECT_EQ(header.U16(HeaderHandlesAt), 4u);  // the reserved slot and three objects
  // The reference screen: 1920 x 1080 pixels at 96 dpi.
  EXPECT_EQ(header.I32(HeaderDeviceAt), 1920);
  EXPECT_EQ(header.I32(HeaderMillimetersAt), 508);
  EXPECT_EQ(header.I32(HeaderMicrometersAt + 4), 285750);
  const TRecord& eof = records.back();
  EXPECT_EQ(eof.Type(), EMR_EOF);
  EXPECT_EQ(eof.U32(EofSizeLastAt), EofSize);
}

// The layout's names against the byte positions MS-EMF publishes, written out as
// numbers here: a wrong name would otherwise pass in the recorder, the player and the
// tests alike.
TEST_F(MetafileTest, FieldNamesSitAtThePublishedOffsets) {
  struct TCase {
    const char* Field;
    quint32 Named;
    quint32 Published;
  };
  const TCase cases[] = {
      {"EMR_HEADER Frame", HeaderFrameAt, 24},
      {"EMR_HEADER RecordSignature", HeaderSignatureAt, 40},
      {"EMR_HEADER Bytes", HeaderBytesAt, 48},
      {"EMR_HEADER Records", HeaderRecordsAt, 52},
      {"EMR_HEADER Handles", HeaderHandlesAt, 56},
      {"EMR_HEADER Device", HeaderDeviceAt, 72},
      {"EMR_HEADER Millimeters", HeaderMillimetersAt, 80},
      {"EMR_HEADER without extensions", HeaderSizeBase, 88},
      {"EMR_HEADER MicrometersX", HeaderMicrometersAt, 100},
      {"EMR_EOF SizeLast", EofSizeLastAt, 16},
      {"EMR_CREATEPEN LogPen Width", PenWidthAt, 16},
      {"EMR_CREATEPEN LogPen ColorRef", PenColorAt, 24},
      {"EMR_CREATEBRUSHINDIRECT LogBrush Color", BrushColorAt, 16},
      {"EMR_EXTCREATEFONTINDIRECTW elw", FontLogFontAt, 12},
      {"LogFont Escapement", LogFontEscapementAt, 8},
      {"LogFont Weight", LogFontWeightAt, 16},
      {"LogFont Italic", LogFontItalicAt, 20},
      {"LogFont FaceName", LogFontFaceNameAt, 28},
      {"LogFontPanose", LogFontPanoseSize, 320},
      {"EMR_POLYLINE16 Count", PolyCountAt, 24},
      {"EMR_POLYLINE16 aPoints", PolyPointsAt, 28},
      {"EMR_BITBLT cxDest", BitBltDestSizeAt, 32},
      {"EMR_BITBLT BitBltRasterOperation", BitBltRasterOperationAt, 40},
      {"EMR_BITBLT cbBmiSrc", BitBltBmiSizeAt, 88},
      {"EMR_EXTTEXTOUTW wEmrText", ExtTextOutEmrTextAt, 36},
      {"EMR_EXTTEXTOUTW wEmrText Chars", ExtTextOutEmrTextAt + EmrTextCharsAt, 44},
      {"EMR_EXTTEXTOUTW wEmrText offString", ExtTextOutEmrTextAt + EmrTextStringOffsetAt, 48},
      {"EMR_EXTTEXTOUTW wEmrText offDx", ExtTextOutEmrTextAt + EmrTextDxOffsetAt, 72},
      {"EMR_EXTTEXTOUTW characters", ExtTextOutStringAt, 76},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Field);
    EXPECT_EQ(c.Named, c.Published);
  }
}

// Every record of the sample drawing has the size its published layout gives it: the
// recorder writes no field too many or too few, and the size names agree.
TEST_F(MetafileTest, RecordsHaveThePublishedSizes) {
  const std::vector<TRecord> r = Records(SampleDrawing().Bytes());
  ASSERT_EQ(r.size(), 31u);
  struct TCase {
    const char* Record;
    std::size_t Index;
    quint32 Named;
    int Published;
  };
  const TCase cases[] = {
      {"EMR_HEADER with both extensions", 0, HeaderSize, 108},
      {"EMR_CREATEBRUSHINDIRECT", 1, BrushRecordSize, 24},
      {"EMR_SELECTOBJECT", 2, ObjectRecordSize, 12},
      {"EMR_BITBLT without a bitmap", 3, BitBltSize, 100},
      {"EMR_CREATEPEN", 4, PenRecordSize, 28},
      {"EMR_MOVETOEX", 6, LineRecordSize, 16},
      {"EMR_POLYLINETO16 of two points", 7, PolyPointsAt + 2 * PointSSize, 28 + 2 * 4},
      {"EMR_DELETEOBJECT", 10, ObjectRecordSize, 12},
      {"EMR_LINETO", 12, LineRecordSize, 16},
      {"EMR_RECTANGLE", 13, BoxRecordSize, 24},
      {"EMR_ELLIPSE", 17, BoxRecordSize, 24},
      {"EMR_POLYLINE16 of three points", 18, PolyPointsAt + 3 * PointSSize, 28 + 3 * 4},
      {"EMR_EXTCREATEFONTINDIRECTW with a LogFontPanose", 19, FontRecordSize, 12 + 320},
      {"EMR_SETTEXTCOLOR", 21, StateRecordSize, 12},
      {"EMR_SETBKMODE", 22, StateRecordSize, 12},
      {"EMR_EXTTEXTOUTW of five characters", 23, ExtTextOutStringAt + Aligned(5 * 2) + 5 * 4, 76 + 12 + 5 * 4},
      {"EMR_EOF", 30, EofSize, 20},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Record);
    EXPECT_EQ(r[c.Index].Data.size(), c.Published);
    EXPECT_EQ(c.Named, quint32(c.Published));
  }
}

// The characters start at byte 76; an odd count gets one zero unit, so that the 32-bit
// advances behind them start on a 4-byte boundary.
TEST_F(MetafileTest, TextIsPaddedToWhole32BitUnits) {
  struct TCase {
    const char* Text;
    quint32 DxOffset;
    int Size;
  };
  const TCase cases[] = {{"a", 80, 84}, {"ab", 80, 88}, {"abc", 84, 96}, {"abcd", 84, 100}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    const std::vector<TRecord> r = Records(Recorded([&](TqorCanvas& canvas) { canvas.TextOut(0, 0, c.Text); }).Bytes());
    const auto text = std::find_if(r.begin(), r.end(), [](const TRecord& t) { return t.Type() == EMR_EXTTEXTOUTW; });
    ASSERT_NE(text, r.end());
    EXPECT_EQ(text->U32(ExtTextOutEmrTextAt + EmrTextStringOffsetAt), 76u);
    EXPECT_EQ(text->U32(ExtTextOutEmrTextAt + EmrTextDxOffsetAt), c.DxOffset);
    EXPECT_EQ(text->Data.size(), c.Size);
    const quint32 end = ExtTextOutStringAt + 2 * quint32(strlen(c.Text));
    EXPECT_EQ(text->Data.mid(end, c.DxOffset - end), QByteArray(c.DxOffset - end, '\0'));
  }
}

TEST_F(MetafileTest, RecordsFollowTheDrawingCalls) {
  const std::vector<quint32> expected = {
      EMR_HEADER,       EMR_CREATEBRUSHINDIRECT,    EMR_SELECTOBJECT,
      EMR_BITBLT,  // FillRect
      EMR_CREATEPEN,    EMR_SELECTOBJECT,           EMR_MOVETOEX,
      EMR_POLYLINETO16,  // two LineTo
      EMR_CREATEPEN,    EMR_SELECTOBJECT,
      EMR_DELETEOBJECT,  // red LineTo,
      EMR_MOVETOEX,
      EMR_LINETO,  // restarted
      EMR_RECTANGLE,    EMR_CREATEBRUSHINDIRECT,    EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_ELLIPSE,
      EMR_POLYLINE16,   EMR_EXTCREATEFONTINDIRECTW, EMR_SELECTOBJECT, EMR_SETTEXTCOLOR, EMR_SETBKMODE,
      EMR_EXTTEXTOUTW,  EMR_SELECTOBJECT,           EMR_DELETEOBJECT, EMR_SELECTOBJECT,
      EMR_DELETEOBJECT,  // closing frees
      EMR_SELECTOBJECT, EMR_DELETEOBJECT,           EMR_EOF};
  EXPECT_EQ(TypesOf(Records(SampleDrawing().Bytes())), expected);
}

TEST_F(MetafileTest, RecordsCarryCoordinatesAndObjects) {
  const std::vector<TRecord> r = Records(SampleDrawing().Bytes());
  ASSERT_EQ(r.size(), 31u);
  // FillRect: a pattern copy over the whole picture with the white solid brush.
  EXPECT_EQ(r[1].U32(ObjectIndexAt), 1u);
  EXPECT_EQ(r[1].U32(BrushStyleAt), BS_SOLID);
  EXPECT_EQ(r[1].U32(BrushColorAt), 0xFFFFFFu);
  EXPECT_EQ(QRect(PointOf(r[3], BitBltDestAt), SizeOf(r[3], BitBltDestSizeAt)),
            QRect(0, 0, PictureWidth, PictureHeight));
  EXPECT_EQ(r[3].U32(BitBltRasterOperationAt), PATCOPY);
  EXPECT_EQ(r[3].U32(BitBltBmiSizeAt), 0u);
  // The black pen, the start point, then both LineTo points in one record bounded
  // with the start.
  EXPECT_EQ(r[4].U32(PenStyleAt), PS_SOLID);
  EXPECT_EQ(r[4].I32(PenWidthAt), 1);
  EXPECT_EQ(r[4].U32(PenColorAt), 0u);
  EXPECT_EQ(PointOf(r[6], LinePointAt), QPoint(10, 20));
  EXPECT_EQ(BoxOf(r[7], PolyBoundsAt), QRect(QPoint(10, 20), QPoint(50, 60)));
  EXPECT_EQ(r[7].U32(PolyCountAt), 2u);
  EXPECT_EQ(Point16Of(r[7], 0), QPoint(50, 20));
  EXPECT_EQ(Point16Of(r[7], 1), QPoint(50, 60));
  // The red pen takes a new slot; the black one is freed after it is deselected.
  EXPECT_EQ(r[8].U32(ObjectIndexAt), 3u);
  EXPECT_EQ(r[8].U32(PenColorAt), 0x0000FFu);
  EXPECT_EQ(r[10].U32(ObjectIndexAt), 2u);
  // The line goes on from where the black one ended, restated after the pen change.
  EXPECT_EQ(PointOf(r[11], LinePointAt), QPoint(50, 60));
  EXPECT_EQ(PointOf(r[12], LinePointAt), QPoint(60, 60));
  EXPECT_EQ(BoxOf(r[13], BoxAt), QRect(QPoint(5, 6), QPoint(25, 36)));
  EXPECT_EQ(r[14].U32(BrushStyleAt), BS_NULL);
  EXPECT_EQ(BoxOf(r[17], BoxAt), QRect(QPoint(70, 10), QPoint(79, 19)));
  EXPECT_EQ(r[18].U32(PolyCountAt), 3u);
  EXPECT_EQ(Point16Of(r[18], 2), QPoint(5, 2));
}

TEST_F(MetafileTest, TextRecordsCarryFontColourAndString) {
  const std::vector<TRecord> r = Records(SampleDrawing().Bytes());
  ASSERT_EQ(r.size(), 31u);
  const TRecord& font = r[19];
  EXPECT_EQ(font.Data.size(), int(FontRecordSize));
  EXPECT_EQ(font.I32(FontLogFontAt + LogFontHeightAt), -11);      // 8 points at 96 dpi
  EXPECT_EQ(font.I32(FontLogFontAt + LogFontEscapementAt), 900);  // 90 degrees in tenths
  EXPECT_EQ(font.I32(FontLogFontAt + LogFontWeightAt), FW_NORMAL);
  EXPECT_EQ(font.U8(FontLogFontAt + LogFontOutPrecisionAt), OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(font.Utf16(FontLogFontAt + LogFontFaceNameAt, qorDefaultFontName.size()), qorDefaultFontName);
  EXPECT_EQ(r[21].U32(StateValueAt), 0xFF0000u);  // blue as COLORREF
  EXPECT_EQ(r[22].U32(StateValueAt), TRANSPARENT);
  const TRecord& text = r[23];
  constexpr quint32 emrText = ExtTextOutEmrTextAt;
  EXPECT_EQ(PointOf(text, emrText + EmrTextReferenceAt), QPoint(100, 80));
  ASSERT_EQ(text.U32(emrText + EmrTextCharsAt), 5u);
  EXPECT_EQ(text.Utf16(text.U32(emrText + EmrTextStringOffsetAt), 5), QStringLiteral("Grüße"));
  // The advances sum to the measured width, and the turned text rises from (100, 80).
  TqorMetafile scratch;
  TqorMetafileCanvas canvas(scratch);
  const int width = canvas.TextWidth(QStringLiteral("Grüße"));
  int sum = 0;
  for (quint32 i = 0; i < 5; ++i) sum += text.I32(text.U32(emrText + EmrTextDxOffsetAt) + sizeof(qint32) * i);
  EXPECT_EQ(sum, width);
  const QRect bounds = BoxOf(text, ExtTextOutBoundsAt);
  EXPECT_EQ(bounds.left(), 100);
  EXPECT_EQ(bounds.top(), 80 - width);
}

TEST_F(MetafileTest, AngleBecomesEscapementInTenthsOfADegree) {
  struct TCase {
    Extended Angle;
    qint32 Escapement;
  };
  const TCase cases[] = {{0, 0}, {90, 900}, {-30, -300}, {12.34L, 123}, {450, 900}, {22.25L, 222}, {NAN, 0}};
  for (const TCase& c : cases) {
    TqorFont font;
    font.Angle = c.Angle;
    EXPECT_EQ(LogFontOf(font).Escapement, c.Escapement) << double(c.Angle);
  }
}

TEST_F(MetafileTest, OpaqueTextSetsTheBackgroundOnce) {
  const TqorMetafile metafile = Recorded([](TqorCanvas& c) {
    c.Brush().Color = Qt::yellow;
    c.TextOut(0, 0, QStringLiteral("a"));
    c.TextOut(0, 20, QStringLiteral("b"));
    c.TextOut(0, 40, QString());
  });
  const std::vector<quint32> expected = {EMR_HEADER,       EMR_EXTCREATEFONTINDIRECTW,
                                         EMR_SELECTOBJECT, EMR_SETTEXTCOLOR,
                                         EMR_SETBKMODE,    EMR_SETBKCOLOR,
                                         EMR_EXTTEXTOUTW,  EMR_EXTTEXTOUTW,
                                         EMR_SELECTOBJECT, EMR_DELETEOBJECT,
                                         EMR_EOF};
  const std::vector<TRecord> records = Records(metafile.Bytes());
  EXPECT_EQ(TypesOf(records), expected);
  EXPECT_EQ(records[4].U32(StateValueAt), OPAQUE);
  EXPECT_EQ(records[5].U32(StateValueAt), 0x00FFFFu);
}

TEST_F(MetafileTest, CoordinatesBeyond16BitsKeep32BitRecords) {
  const TqorMetafile metafile = Recorded([](TqorCanvas& c) {
    c.MoveTo(0, 0);
    c.LineTo(40000, 5);
    c.LineTo(7, -40000);
    c.Polyline(std::vector<QPoint>{{0, 0}, {70000, 1}});
  });
  const std::vector<TRecord> r = Records(metafile.Bytes());
  const std::vector<quint32> expected = {EMR_HEADER, EMR_CREATEPEN, EMR_SELECTOBJECT, EMR_MOVETOEX,     EMR_LINETO,
                                         EMR_LINETO, EMR_POLYLINE,  EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_EOF};
  ASSERT_EQ(TypesOf(r), expected);
  EXPECT_EQ(PointOf(r[4], LinePointAt), QPoint(40000, 5));
  EXPECT_EQ(PointOf(r[5], LinePointAt), QPoint(7, -40000));
  EXPECT_EQ(PointOf(r[6], PolyPointsAt + PointLSize), QPoint(70000, 1));
}

TEST_F(MetafileTest, AlternatingPensReuseTwoSlots) {
  const TqorMetafile metafile = Recorded([](TqorCanvas& c) {
    for (int i = 0; i < 50; ++i) {
      c.Pen().Color = (i % 2 == 0) ? Qt::red : Qt::green;
      c.LineTo(i, i);
    }
  });
  EXPECT_EQ(Records(metafile.Bytes()).front().U16(HeaderHandlesAt), 3u);
}

TEST_F(MetafileTest, CanvasCompletesTheMetafileWhenDrawingRaises) {
  TqorMetafile metafile;
  metafile.setWidth(PictureWidth);
  metafile.setHeight(PictureHeight);
  try {
    TqorMetafileCanvas canvas(metafile);
    canvas.MoveTo(1, 1);
    canvas.LineTo(9, 9);
    throw Exception("Abbruch");
  } catch (const Exception&) {
  }
  const std::vector<TRecord> records = Records(metafile.Bytes());
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().Type(), EMR_EOF);
  EXPECT_EQ(records[4].Type(), EMR_LINETO);
}

TEST_F(MetafileTest, OpeningACanvasReplacesTheDrawing) {
  TqorMetafile metafile = SampleDrawing();
  { TqorMetafileCanvas canvas(metafile); }
  EXPECT_EQ(TypesOf(Records(metafile.Bytes())), (std::vector<quint32>{EMR_HEADER, EMR_EOF}));
  metafile.Clear();
  EXPECT_TRUE(metafile.Empty());
  EXPECT_TRUE(DarkBox(metafile.ToImage(QSize(10, 10))).isEmpty());
}

TEST_F(MetafileTest, TextExtentFollowsTheFont) {
  TqorMetafile metafile;
  TqorMetafileCanvas canvas(metafile);
  const QSize small = canvas.TextExtent(QStringLiteral("Ag"));
  EXPECT_GT(small.width(), 0);
  EXPECT_GT(small.height(), 0);
  EXPECT_GT(canvas.TextWidth(QStringLiteral("AgAg")), small.width());
  EXPECT_EQ(canvas.TextHeight(QStringLiteral("AgAg")), small.height());
  canvas.Font().Angle = 90;  // extents are those of the unturned text
  EXPECT_EQ(canvas.TextExtent(QStringLiteral("Ag")), small);
  canvas.Font().Size = 20;
  EXPECT_GT(canvas.TextHeight(QStringLiteral("Ag")), 2 * small.height());
  EXPECT_EQ(canvas.TextWidth(QString()), 0);
}

// A white picture with a black horizontal line at y = 50 from x = 10 to 190.
TqorMetafile LineDrawing() {
  return Recorded([](TqorCanvas& c) {
    c.FillRect(0, 0, PictureWidth, PictureHeight);
    c.MoveTo(10, 50);
    c.LineTo(100, 50);
    c.LineTo(190, 50);
  });
}

TEST_F(MetafileTest, PlaysLinesOnWhiteBackground) {
  const QImage image = LineDrawing().ToImage();
  ASSERT_EQ(image.size(), QSize(PictureWidth, PictureHeight));
  EXPECT_EQ(DarkBox(image), QRect(QPoint(10, 50), QPoint(189, 50)));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(MetafileTest, PlaysStretchedToTheTarget) {
  const TqorMetafile metafile = LineDrawing();
  QImage image(2 * PictureWidth + 20, 2 * PictureHeight + 20, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  metafile.Play(painter, QRectF(20, 20, 2 * PictureWidth, 2 * PictureHeight));
  painter.end();
  EXPECT_TRUE(IsDark(image.pixel(10, 10)));   // outside the target: untouched
  EXPECT_FALSE(IsDark(image.pixel(30, 30)));  // the white background
  EXPECT_TRUE(IsDark(image.pixel(20 + 200, 20 + 100)));
  EXPECT_FALSE(IsDark(image.pixel(20 + 200, 20 + 90)));
}

TEST_F(MetafileTest, ShrunkLinesStayOnePixelAndFullColour) {
  // A 1-pixel line, a 3-pixel line and the outline of a rectangle, shrunk to a third.
  const TqorMetafile metafile = Recorded([](TqorCanvas& c) {
    c.Pen().Color = Qt::red;
    c.MoveTo(0, 30);
    c.LineTo(PictureWidth, 30);
    c.Pen().Width = 3;
    c.MoveTo(0, 60);
    c.LineTo(PictureWidth, 60);
    c.Brush().Style = TqorBrushStyle::bsClear;
    c.Pen().Width = 1;
    c.Rectangle(90, 15, 180, 90);
  });
  const QImage image = metafile.ToImage(QSize(PictureWidth, PictureHeight) / 3);
  // Every pixel drawn is pure red: one row per line, one column per rectangle side.
  const auto drawn = [&](QPoint start, QPoint step) {
    QList<QRgb> pixels;
    for (QPoint p = start; image.rect().contains(p); p += step)
      if (image.pixel(p) != qRgb(255, 255, 255)) pixels << image.pixel(p);
    return pixels;
  };
  EXPECT_EQ(drawn(QPoint(10, 0), QPoint(0, 1)), QList<QRgb>(2, qRgb(255, 0, 0)));
  EXPECT_EQ(drawn(QPoint(0, 15), QPoint(1, 0)), QList<QRgb>(2, qRgb(255, 0, 0)));
}

TEST_F(MetafileTest, PlaysShapesWithPenAndBrush) {
  const QImage image = Recorded([](TqorCanvas& c) {
                         c.FillRect(0, 0, PictureWidth, PictureHeight);
                         c.Brush().Color = Qt::red;
                         c.Rectangle(10, 10, 30, 30);
                         c.Brush().Style = TqorBrushStyle::bsClear;
                         c.Ellipse(50, 10, 70, 30);
                         c.Pen().Style = TqorPenStyle::psClear;
                         c.MoveTo(100, 5);
                         c.LineTo(150, 5);
                       }).ToImage();
  // The rectangle: black outline from 10 to 29, red inside.
  EXPECT_EQ(image.pixel(10, 20), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(29, 20), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(30, 20), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(20, 20), qRgb(255, 0, 0));
  // The hollow ellipse: a black rim, white inside.
  EXPECT_EQ(image.pixel(60, 20), qRgb(255, 255, 255));
  EXPECT_TRUE(IsDark(image.pixel(50, 20)));
  // A clear pen draws nothing.
  EXPECT_EQ(image.pixel(120, 5), qRgb(255, 255, 255));
}

TEST_F(MetafileTest, PlaysTextTurnedAboutItsTopLeftCorner) {
  const QString text = QStringLiteral("MMMMMM");
  struct TCase {
    Extended Angle;
    bool Upright;  // true when the text runs upward from its reference point
  };
  for (const TCase c : {TCase{0, false}, TCase{90, true}}) {
    QSize extent;
    const QImage image = Recorded(
                             [&](TqorCanvas& canvas) {
                               canvas.FillRect(0, 0, PictureWidth, PictureWidth);
                               canvas.Font().Angle = c.Angle;
                               extent = canvas.TextExtent(text);
                               canvas.TextOut(100, 100, text);
                             },
                             PictureWidth, PictureWidth)
                             .ToImage();
    const QRect expected = c.Upright ? QRect(100, 100 - extent.width(), extent.height(), extent.width())
                                     : QRect(100, 100, extent.width(), extent.height());
    const QRect ink = DarkBox(image);
    ASSERT_FALSE(ink.isEmpty()) << double(c.Angle);
    EXPECT_TRUE(expected.adjusted(-1, -1, 1, 1).contains(ink)) << double(c.Angle);
    EXPECT_EQ(ink.height() > ink.width(), c.Upright) << double(c.Angle);
  }
}

TEST_F(MetafileTest, SolidBrushFillsTheTextCell) {
  for (const TqorBrushStyle style : {TqorBrushStyle::bsSolid, TqorBrushStyle::bsClear}) {
    SCOPED_TRACE(style == TqorBrushStyle::bsSolid ? "solid brush" : "clear brush");
    const QImage image = Recorded([&](TqorCanvas& c) {
                           c.Brush().Color = Qt::black;
                           c.FillRect(0, 0, PictureWidth, PictureHeight);
                           c.Brush() = TqorBrush{Qt::white, style};
                           c.TextOut(10, 10, QStringLiteral("...."));
                         }).ToImage();
    const bool filled = !IsDark(image.pixel(11, 11));  // above the dots, inside the cell
    EXPECT_EQ(filled, style == TqorBrushStyle::bsSolid);
  }
}

TEST_F(MetafileTest, DamagedMetafilesRaise) {
  const QByteArray good = LineDrawing().Bytes();
  const quint32 lastRecord = good.size() - EofSize;
  auto withU32 = [&](int at, quint32 value) {
    QByteArray bytes = good;
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
  };
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    qsizetype Offset;
  };
  const TCase cases[] = {
      {"too short for a header", good.left(40), 0},
      {"no signature", withU32(HeaderSignatureAt, 0), 0},
      {"longer than the data", withU32(HeaderBytesAt, good.size() + 4), 0},
      {"record size not aligned", withU32(HeaderSize + RecordSizeAt, 13), HeaderSize},
      {"record beyond the end", withU32(HeaderSize + RecordSizeAt, 0x10000), HeaderSize},
      {"object index beyond the table", withU32(HeaderSize + ObjectIndexAt, 99), HeaderSize},
      {"end record missing", withU32(HeaderBytesAt, lastRecord).left(lastRecord), lastRecord},
  };
  for (const TCase& c : cases) {
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    try {
      PlayEnhMetafile(c.Bytes, painter, QRectF(0, 0, 10, 10));
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const Exception& e) {
      EXPECT_EQ(QString::fromStdString(e.Message()),
                QStringLiteral("Die Metadatei ist beschädigt (Datensatz bei Byte %1).").arg(c.Offset))
          << c.Name;
    }
  }
}

TEST_F(MetafileTest, SavesAndExportsEachFormat) {
  const TqorMetafile metafile = LineDrawing();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto read = [&](const QString& name) { return ReadBytes(dir.filePath(name)); };
  metafile.SaveToFile(dir.filePath("plot.wmf"));
  EXPECT_EQ(read("plot.wmf"), metafile.Bytes());
  metafile.ExportToFile(dir.filePath("plot.emf"));
  EXPECT_EQ(read("plot.emf"), metafile.Bytes());
  metafile.ExportToFile(dir.filePath("plot.PNG"));
  const QImage png = QImage::fromData(read("plot.PNG"), "PNG");
  ASSERT_EQ(png.size(), QSize(PictureWidth, PictureHeight));
  EXPECT_TRUE(IsDark(png.pixel(100, 50)));
  EXPECT_FALSE(IsDark(png.pixel(100, 40)));
  metafile.ExportToFile(dir.filePath("plot.svg"));
  const QByteArray svg = read("plot.svg");
  EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
  EXPECT_TRUE(svg.contains("viewBox=\"0 0 200 100\"")) << svg.left(400).toStdString();
  metafile.ExportToFile(dir.filePath("plot.pdf"));
  EXPECT_TRUE(read("plot.pdf").startsWith("%PDF"));
}

TEST_F(MetafileTest, WriteFailureNamesTheFile) {
  QTemporaryDir dir;
  const QString fileName = dir.filePath("missing/plot.emf");
  try {
    LineDrawing().SaveToFile(fileName);
    ADD_FAILURE() << "no error";
  } catch (const EInOutError& e) {
    const QString prefix = QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: ").arg(fileName);
    EXPECT_TRUE(QString::fromStdString(e.Message()).startsWith(prefix)) << e.Message();
  }
  EXPECT_FALSE(QFile::exists(fileName));
}

TEST_F(MetafileTest, EmptyGraphicsAreRefused) {
  QTemporaryDir dir;
  TqorMetafile neverDrawn;
  const TqorMetafile noPixels = Recorded([](TqorCanvas&) {}, 0, 0);
  struct TCase {
    const TqorMetafile& Metafile;
    const char* Name;
    bool Export;
  };
  for (const TCase& c :
       {TCase{neverDrawn, "plot.wmf", false}, TCase{neverDrawn, "plot.svg", true}, TCase{noPixels, "plot.png", true}}) {
    SCOPED_TRACE(c.Name);
    const QString fileName = dir.filePath(c.Name);
    try {
      c.Export ? c.Metafile.ExportToFile(fileName) : c.Metafile.SaveToFile(fileName);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(QString::fromStdString(e.Message()),
                QStringLiteral("Die Grafik ist leer und wird nicht in die Datei \"%1\" geschrieben.").arg(fileName));
    }
    EXPECT_FALSE(QFile::exists(fileName));
  }
}

}  // namespace
