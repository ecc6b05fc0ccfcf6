#include "qorEmfFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <QtEndian>

#include "qorException.h"

namespace qorEmf {

namespace {
// Tenths of a degree per degree: the unit of a font's escapement.
constexpr long double EscapementPerDegree = 10;
constexpr long double FullTurnDegrees = 360;
// The em height of a logical font whose height is 0 ("any size").
constexpr int DefaultPixelHeight = 16;
}  // namespace

TLogFont LogFontOf(const TqorFont& font) {
  TLogFont result;
  result.Height = -font.PixelHeight();
  // Whole turns are dropped so that any finite angle fits; rounding to even, like the
  // escapement Windows computes from an angle.
  const long double angle = std::isfinite(font.Angle) ? std::fmod(font.Angle, FullTurnDegrees) : 0;
  result.Escapement = static_cast<qint32>(std::nearbyint(angle * EscapementPerDegree));
  result.Weight = font.Style.testFlag(TqorFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
  result.Italic = font.Style.testFlag(TqorFontStyle::fsItalic);
  result.Underline = font.Style.testFlag(TqorFontStyle::fsUnderline);
  result.StrikeOut = font.Style.testFlag(TqorFontStyle::fsStrikeOut);
  result.FaceName = font.Name.left(LF_FACESIZE - 1);
  return result;
}

QFont QFontOf(const TLogFont& font) {
  QFont result(font.FaceName);
  result.setPixelSize(font.Height == 0 ? DefaultPixelHeight : std::abs(font.Height));
  if (font.Weight > 0) result.setWeight(static_cast<QFont::Weight>(std::clamp(font.Weight, 1, 1000)));
  result.setItalic(font.Italic);
  result.setUnderline(font.Underline);
  result.setStrikeOut(font.StrikeOut);
  return result;
}

quint32 ColorRefOf(const QColor& color) {
  const QRgb rgb = color.rgb();
  return quint32(qRed(rgb)) | quint32(qGreen(rgb)) << 8 | quint32(qBlue(rgb)) << 16;
}

QColor ColorOf(quint32 colorRef) { return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF); }

TRecordWriter::TRecordWriter(QByteArray& bytes, quint32 type) : FBytes(bytes), FStart(bytes.size()) {
  U32(type);
  U32(0);  // the size, filled in by Finish
}

void TRecordWriter::U32(quint32 value) {
  const quint32 le = qToLittleEndian(value);
  FBytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void TRecordWriter::I32(qint32 value) { U32(static_cast<quint32>(value)); }

void TRecordWriter::F32(float value) { U32(std::bit_cast<quint32>(value)); }

void TRecordWriter::I16(qint16 value) {
  const quint16 le = qToLittleEndian(static_cast<quint16>(value));
  FBytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void TRecordWriter::U8(quint8 value) { FBytes.append(static_cast<char>(value)); }

void TRecordWriter::Points16(std::span<const QPoint> points) {
  // One resize for the whole array: graphs hand over thousands of points at once.
  qsizetype at = FBytes.size();
  FBytes.resize(at + PointSSize * qsizetype(points.size()));
  for (const QPoint& p : points) {
    qToLittleEndian(static_cast<qint16>(p.x()), FBytes.data() + at);
    qToLittleEndian(static_cast<qint16>(p.y()), FBytes.data() + at + PointSYAt);
    at += PointSSize;
  }
}

void TRecordWriter::Utf16(const QString& text, qsizetype units) {
  for (const QChar c : text) I16(static_cast<qint16>(c.unicode()));
  Zeros((units - text.size()) * 2);
}

void TRecordWriter::Zeros(qsizetype count) { FBytes.append(count, '\0'); }

quint32 TRecordWriter::Finish() {
  const auto written = static_cast<quint32>(FBytes.size() - FStart);
  const quint32 size = Aligned(written);
  Zeros(size - written);
  qToLittleEndian(size, FBytes.data() + FStart + RecordSizeAt);
  return size;
}

TRecordReader::TRecordReader(const char* data, quint32 size, qsizetype offset)
    : FData(data), FSize(size), FOffset(offset) {}

void TRecordReader::Need(quint32 at, quint32 count) const {
  if (at > FSize || count > FSize - at) Fail();
}

quint32 TRecordReader::U32(quint32 at) const {
  Need(at, 4);
  return qFromLittleEndian<quint32>(FData + at);
}

qint32 TRecordReader::I32(quint32 at) const { return static_cast<qint32>(U32(at)); }

quint16 TRecordReader::U16(quint32 at) const {
  Need(at, 2);
  return qFromLittleEndian<quint16>(FData + at);
}

qint16 TRecordReader::I16(quint32 at) const {
  Need(at, 2);
  return qFromLittleEndian<qint16>(FData + at);
}

quint8 TRecordReader::U8(quint32 at) const {
  Need(at, 1);
  return static_cast<quint8>(FData[at]);
}

QString TRecordReader::Utf16(quint32 at, quint32 units) const {
  if (units > FSize / 2) Fail();
  Need(at, units * 2);
  QString result;
  result.reserve(units);
  for (quint32 i = 0; i < units; ++i) {
    const char16_t unit = qFromLittleEndian<quint16>(FData + at + 2 * i);
    if (unit == 0) break;
    result.append(QChar(unit));
  }
  return result;
}

void TRecordReader::Fail() const { throw Exception(DamagedMessage(FOffset).toStdString()); }

QString DamagedMessage(qsizetype offset) {
  return QStringLiteral("Die Metadatei ist beschädigt (Datensatz bei Byte %1).").arg(offset);
}

}  // namespace qorEmf
