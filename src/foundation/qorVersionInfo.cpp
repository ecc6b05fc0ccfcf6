#include "qorVersionInfo.h"

#include "qorException.h"
#include "qorStrUtils.h"
#include "qorVersionData.h"

#include <QFile>
#include <QHash>

#include <array>
#include <cstdlib>

// The version block of this program file: a marker line, then the generated strings,
// ended by the terminating zero. External linkage keeps it in every program that links
// ReadVersion, so ReadVersion finds it in the file as stored on disk.
#define QOR_VERSION_MARKER "\x01qorVersionInfo\x02\n"
extern const char QorVersionBlock[];
const char QorVersionBlock[] = QOR_VERSION_MARKER QOR_VERSION_STRINGS;

namespace {
constexpr qsizetype MarkerLength = sizeof(QOR_VERSION_MARKER) - 1;

// Digits of the translation number and of each half of LangCharset.
constexpr int TranslationDigits = 8;
constexpr int LangCharsetHalfDigits = 4;
constexpr int HexBase = 16;
// The translation number holds the code page in its high, the language in its low half.
constexpr int CodePageShift = 16;
constexpr uint LanguageMask = 0xFFFF;

// The four parts of a version number, in order.
using TVersionParts = std::array<int*, 4>;

[[noreturn]] void InvalidFormat(const QString& Format) {
  throw EConvertError(("Format '" + Format + "' ungültig oder nicht kompatibel mit Argument").toStdString());
}

int ToInteger(const QString& Word) {
  bool ok = false;
  const int value = Word.toInt(&ok, 10);
  if (!ok) throw EConvertError(("'" + Word + "' ist kein gültiger Integerwert").toStdString());
  return value;
}

// The decimal digits at Pos as a number (0 when there are none); Pos moves past them.
int ReadDigits(const QString& Format, qsizetype& Pos) {
  int value = 0;
  for (; Pos < Format.size() && Format[Pos].isDigit(); ++Pos) value = value * 10 + Format[Pos].digitValue();
  return value;
}

// Value with at least Precision digits, padded with blanks to Width.
QString FormatInteger(int Value, int Width, int Precision, bool LeftAligned) {
  QString text = QString::number(std::abs(qint64(Value))).rightJustified(Precision, u'0');
  if (Value < 0) text.prepend(u'-');
  return LeftAligned ? text.leftJustified(Width) : text.rightJustified(Width);
}

// Format with each "%[-][width][.precision]d" replaced by the next of Values.
QString FormatIntegers(const QString& Format, const std::array<int, 4>& Values) {
  QString result;
  std::size_t next = 0;
  for (qsizetype i = 0; i < Format.size(); ++i) {
    if (Format[i] != u'%') {
      result += Format[i];
      continue;
    }
    if (++i < Format.size() && Format[i] == u'%') {
      result += u'%';
      continue;
    }
    const bool leftAligned = i < Format.size() && Format[i] == u'-';
    if (leftAligned) ++i;
    const int width = ReadDigits(Format, i);
    int precision = 0;
    if (i < Format.size() && Format[i] == u'.') precision = ReadDigits(Format, ++i);
    if (i >= Format.size() || Format[i] != u'd' || next >= Values.size()) InvalidFormat(Format);
    result += FormatInteger(Values[next++], width, precision, leftAligned);
  }
  return result;
}

// The strings of a version block, by lower-case name.
using TVersionStrings = QHash<QString, QString>;

TVersionStrings ParseBlock(const QByteArray& Data, qsizetype Start) {
  qsizetype end = Data.indexOf('\0', Start);
  if (end < 0) end = Data.size();
  TVersionStrings strings;
  const QString text = QString::fromUtf8(Data.mid(Start, end - Start));
  for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq > 0) strings.insert(line.left(eq).toLower(), line.mid(eq + 1));
  }
  return strings;
}

// The version date of "year-month-day"; a null date unless all three parts are above 0.
QDate ParseVersionDate(const QString& Text) {
  const TqorCharSet hyphen(u"-");
  const auto part = [&](qsizetype N) { return GetWord(N, Text, hyphen).toInt(); };
  const int year = part(1), month = part(2), day = part(3);
  if (year <= 0 || month <= 0 || day <= 0) return {};
  const QDate date(year, month, day);
  if (!date.isValid()) throw EConvertError("Ungültiges Argument für Datumscodierung");
  return date;
}
}  // namespace

// ------------------------------------------------------------- TqorFileVersion

void TqorFileVersion::Clear() { Major = Minor = Release = Build = 0; }

QString TqorFileVersion::AsString() const {
  return QStringLiteral("%1.%2.%3.%4").arg(Major).arg(Minor).arg(Release).arg(Build);
}

void TqorFileVersion::setAsString(const QString& Text) {
  Clear();
  const TqorCharSet dot(u".");
  const qsizetype count = CountWords(Text, dot);
  const TVersionParts parts{&Major, &Minor, &Release, &Build};
  for (qsizetype k = 0; k < qsizetype(parts.size()) && k < count; ++k) *parts[k] = ToInteger(GetWord(k + 1, Text, dot));
}

QString TqorFileVersion::AsDisplayString() const {
  return FormatIntegers(DisplayFormat, {Major, Minor, Release, Build});
}

// ------------------------------------------------------ TqorApplicationVersion

QByteArray TqorApplicationVersion::BlockMarker() { return QByteArray(QorVersionBlock, MarkerLength); }

void TqorApplicationVersion::Clear() {
  FFileVersion.Clear();
  FProductVersion.Clear();
  for (QString* text : {&FCompanyName, &FFileDescription, &FInternalName, &FLegalCopyright, &FLegalTradeMarks,
                        &FOriginalFilename, &FProductName, &FComments})
    text->clear();
  FVersionDate = QDate();
}

bool TqorApplicationVersion::ReadVersion(const QString& FileName) {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  const qsizetype marker = data.indexOf(BlockMarker());
  if (marker < 0) return false;
  const TVersionStrings strings = ParseBlock(data, marker + MarkerLength);

  bool ok = false;
  const QString translation = strings.value(QStringLiteral("translation"));
  const uint number = translation.toUInt(&ok, HexBase);
  ok = ok && translation.size() == TranslationDigits;
  FLangCharsetLo = ok ? quint16(number & LanguageMask) : 0;
  FLangCharsetHi = ok ? quint16(number >> CodePageShift) : 0;
  FLangCharset = ok ? QStringLiteral("%1%2")
                          .arg(FLangCharsetLo, LangCharsetHalfDigits, HexBase, QChar(u'0'))
                          .arg(FLangCharsetHi, LangCharsetHalfDigits, HexBase, QChar(u'0'))
                          .toUpper()
                    : QString();

  const auto read = [&](const char* Name) {
    return strings.value((FLangCharset + u'\\' + QLatin1String(Name)).toLower());
  };
  FCompanyName = read("CompanyName");
  FFileDescription = read("FileDescription");
  FInternalName = read("InternalName");
  FLegalCopyright = read("LegalCopyright");
  FLegalTradeMarks = read("LegalTradeMarks");
  FOriginalFilename = read("OriginalFilename");
  FProductName = read("ProductName");
  FComments = read("Comments");
  FVersionDate = ParseVersionDate(read("VersionDate"));
  FFileVersion.setAsString(read("FileVersion"));
  FProductVersion.setAsString(read("ProductVersion"));
  return true;
}
