#include "qorStrUtils.h"

#include <algorithm>
#include <limits>

void TqorCharSet::include(QStringView Members) {
  for (QChar c : Members)
    if (c.unicode() < Size) FMembers.set(c.unicode());
}

namespace {
// Where word N starts, as a 0-based index, or -1; also how many words were seen.
struct TWordScan {
  qsizetype Count = 0;
  qsizetype Start = -1;
};

// The one word scan behind all word functions: skip delimiters, count a word, skip
// its characters, until word N has started or the text ends.
TWordScan ScanWords(qsizetype N, QStringView Text, const TqorCharSet& Delimiters) {
  TWordScan scan;
  qsizetype pos = 0;
  while (pos < Text.size() && scan.Count < N) {
    while (pos < Text.size() && Delimiters.contains(Text[pos])) ++pos;
    if (pos < Text.size() && ++scan.Count == N) {
      scan.Start = pos;
      break;
    }
    while (pos < Text.size() && !Delimiters.contains(Text[pos])) ++pos;
  }
  return scan;
}
}  // namespace

qsizetype CountWords(QStringView Text, const TqorCharSet& Delimiters) {
  return ScanWords(std::numeric_limits<qsizetype>::max(), Text, Delimiters).Count;
}

qsizetype FindWordStart(qsizetype N, QStringView Text, const TqorCharSet& Delimiters) {
  return ScanWords(N, Text, Delimiters).Start + 1;
}

QString GetWord(qsizetype N, QStringView Text, const TqorCharSet& Delimiters) {
  const qsizetype start = ScanWords(N, Text, Delimiters).Start;
  if (start < 0) return {};
  qsizetype end = start;
  while (end < Text.size() && !Delimiters.contains(Text[end])) ++end;
  return Text.mid(start, end - start).toString();
}

QString IncludeTrailingChar(const QString& Text, QChar C) {
  if (Text.isEmpty() || Text.endsWith(C)) return Text;
  return Text + C;
}

QString ReplaceAllText(const QString& Text, const QString& Search, const QString& Replacement) {
  QString result = Text;
  if (Search.isEmpty()) return result;
  if (Replacement.size() >= Search.size()) return result.replace(Search, Replacement);
  // Each round shortens the text, so the repetition ends. Before the replaced
  // occurrence there was none, so a new one can only start within Search's length of it.
  for (qsizetype at = result.indexOf(Search); at >= 0;
       at = result.indexOf(Search, std::max<qsizetype>(0, at - Search.size() + 1)))
    result.replace(at, Search.size(), Replacement);
  return result;
}

QString QuoteText(const QString& Text, QChar Quote) {
  QString doubled = Text;
  doubled.replace(Quote, QString(2, Quote));
  return Quote + doubled + Quote;
}

QString RemoveChar(const QString& Text, QChar C) {
  QString result = Text;
  return result.remove(C);
}

QString RemoveChars(const QString& Text, QStringView Chars) {
  QString result;
  result.reserve(Text.size());
  for (QChar c : Text)
    if (!Chars.contains(c)) result += c;
  return result;
}

QString KeepChars(const QString& Text, const TqorCharSet& Keep) {
  QString result;
  result.reserve(Text.size());
  for (QChar c : Text)
    if (Keep.contains(c)) result += c;
  return result;
}

QString TextExcerpt(const QString& Text, qsizetype MaxLength) {
  if (Text.size() <= MaxLength) return Text;
  // A surrogate pair is not cut in half.
  const qsizetype cut = Text[MaxLength - 1].isHighSurrogate() ? MaxLength - 1 : MaxLength;
  return Text.left(cut) + QStringLiteral(" [... %1 Zeichen]").arg(Text.size());
}
