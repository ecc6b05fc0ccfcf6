#pragma once
// Small, stateless text helpers: delimiter-separated words and a handful of text edits.
// Positions and word numbers count from 1.

#include <QString>
#include <QStringView>

#include <bitset>
#include <concepts>

// A set of characters with codes 0 to 255; a character above 255 is never a member.
class TqorCharSet {
public:
  TqorCharSet() = default;
  // The set of the characters of Members (those above 255 are left out).
  template <class S>
  requires std::constructible_from<QStringView, const S&> TqorCharSet(const S& Members) {
    include(QStringView(Members));
  }

  // True when C is a member.
  bool contains(QChar C) const { return C.unicode() < Size && FMembers[C.unicode()]; }

private:
  static constexpr unsigned Size = 256;
  void include(QStringView Members);
  std::bitset<Size> FMembers;
};

// The number of words of Text; a word is a maximal run of characters not in Delimiters.
qsizetype CountWords(QStringView Text, const TqorCharSet& Delimiters);

// The position of the first character of word N, or 0 when Text has fewer than N words.
qsizetype FindWordStart(qsizetype N, QStringView Text, const TqorCharSet& Delimiters);

// Word N of Text, or the empty text when there is none.
QString GetWord(qsizetype N, QStringView Text, const TqorCharSet& Delimiters);

// Text with C appended unless Text is empty or already ends with C.
QString IncludeTrailingChar(const QString& Text, QChar C);

// Text in which Search is replaced by Replacement until it no longer occurs, so that
// neighbouring replacements combine ("aaa" with "aa" -> "a" gives "a"). A Replacement
// that is not shorter than Search could keep producing Search (LF -> CR LF), so then
// every occurrence is replaced once, from left to right. An empty Search changes nothing.
QString ReplaceAllText(const QString& Text, const QString& Search, const QString& Replacement);

// Quote, then Text with every Quote doubled, then Quote.
QString QuoteText(const QString& Text, QChar Quote);

// Text without any occurrence of C.
QString RemoveChar(const QString& Text, QChar C);

// Text without any occurrence of any character of Chars.
QString RemoveChars(const QString& Text, QStringView Chars);

// Text without the characters that are not in Keep.
QString KeepChars(const QString& Text, const TqorCharSet& Keep);

// The most characters of another text that a message quotes.
inline constexpr qsizetype MaxQuotedLength = 200;

// Text for a message: unchanged up to MaxLength characters, else its first MaxLength
// characters and " [... N Zeichen]" with the whole length, so that a huge input does
// not become a huge message.
QString TextExcerpt(const QString& Text, qsizetype MaxLength = MaxQuotedLength);
