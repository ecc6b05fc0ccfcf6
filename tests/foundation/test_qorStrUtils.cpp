#include "qorStrUtils.h"

#include <gtest/gtest.h>

namespace {
struct TWordCase {
  const char16_t* Text;
  const char16_t* Delimiters;
  qsizetype Count;
  qsizetype N, Start;
  const char16_t* Word;
};

const TWordCase WordCases[] = {
    {u"  a;;b ", u" ;", 2, 2, 6, u"b"},
    {u"  a;;b ", u" ;", 2, 3, 0, u""},
    {u"  a;;b ", u" ;", 2, 1, 3, u"a"},
    {u"", u" ", 0, 1, 0, u""},
    {u";;;", u";", 0, 1, 0, u""},
    {u"one", u" ", 1, 1, 1, u"one"},
    {u"2011-04-25", u"-", 3, 3, 9, u"25"},
    {u"x y", u" ", 2, 0, 0, u""},
    // Characters above 255 are never delimiters, also when the set was given them.
    {u"a\u20ACb\u00E4c", u"\u20AC\u00E4", 2, 2, 5, u"c"},
};
}  // namespace

TEST(StrUtils, WordScanCountsStartsAndCopies) {
  for (const TWordCase& c : WordCases) {
    const QString text = QString::fromUtf16(c.Text);
    SCOPED_TRACE(text.toStdString());
    const TqorCharSet delimiters(c.Delimiters);
    EXPECT_EQ(CountWords(text, delimiters), c.Count);
    EXPECT_EQ(FindWordStart(c.N, text, delimiters), c.Start);
    EXPECT_EQ(GetWord(c.N, text, delimiters), QString::fromUtf16(c.Word));
  }
}

TEST(StrUtils, CharSetHoldsOnlyCodesUpTo255) {
  const TqorCharSet set(u"a\u00FF\u0100");
  EXPECT_TRUE(set.contains(u'a'));
  EXPECT_TRUE(set.contains(QChar(0xFF)));
  EXPECT_FALSE(set.contains(QChar(0x100)));
  EXPECT_FALSE(set.contains(u'b'));
}

TEST(StrUtils, IncludeTrailingChar) {
  EXPECT_EQ(IncludeTrailingChar("", u'\\'), "");
  EXPECT_EQ(IncludeTrailingChar("C:\\Daten\\", u'\\'), "C:\\Daten\\");
  EXPECT_EQ(IncludeTrailingChar("C:\\Daten", u'\\'), "C:\\Daten\\");
}

TEST(StrUtils, ReplaceAllText) {
  struct TCase {
    QString Text, Search, Replacement, Result;
  };
  const TCase cases[] = {
      {"aaa", "aa", "a", "a"},  // replacements combine
      {"xaaaay", "aa", "a", "xay"},
      {"a\nb\n", "\n", "\r\n", "a\r\nb\r\n"},  // a replacement holding the search text
      {"a\r\nb", "\r\n", "<br>", "a<br>b"},
      {"ab", "ab", "bbaa", "bbaa"},  // would grow for ever if repeated
      {"abc", "", "x", "abc"},
      {"", "a", "b", ""},
      {"abc", "x", "y", "abc"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ReplaceAllText(c.Text, c.Search, c.Replacement), c.Result) << c.Text.toStdString();
}

TEST(StrUtils, CharacterEdits) {
  EXPECT_EQ(QuoteText("Er sagte \"ja\"", u'"'), "\"Er sagte \"\"ja\"\"\"");
  EXPECT_EQ(QuoteText("", u'\''), "''");
  EXPECT_EQ(RemoveChar("a;b;;c", u';'), "abc");
  EXPECT_EQ(RemoveChars("C:\\x.y/z", u"\\:./"), "Cxyz");
  EXPECT_EQ(RemoveChars(QString::fromUtf16(u"\u20ACa\u20AC"), u"\u20AC"), "a");
  EXPECT_EQ(KeepChars("{12-ab-XY}", u"0123456789ABCDEFabcdef"), "12ab");
}

// A message quotes a long input by its start and its length, and never half a character.
TEST(StrUtils, TextExcerptKeepsMessagesShort) {
  const QString pair = QString::fromUtf16(u"\U0001D465");  // one character, two UTF-16 units
  struct TCase {
    QString Text;
    qsizetype MaxLength;
    QString Result;
  } cases[] = {
      {"kurz", 4, "kurz"},
      {"", 0, ""},
      {"abcdef", 3, "abc [... 6 Zeichen]"},
      {"ab" + pair, 3, "ab [... 4 Zeichen]"},
      {QString(1'000'000, u'y'), MaxQuotedLength, QString(200, u'y') + " [... 1000000 Zeichen]"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text.left(20).toStdString());
    EXPECT_EQ(TextExcerpt(c.Text, c.MaxLength), c.Result);
  }
}
