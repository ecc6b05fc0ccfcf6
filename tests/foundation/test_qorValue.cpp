#include "qorTestSupport.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorValue.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace {
const Extended Inf = std::numeric_limits<Extended>::infinity();
const Extended NaN = std::numeric_limits<Extended>::quiet_NaN();

QDateTime At(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0, int Ms = 0) {
  return QDateTime(QDate(Year, Month, Day), QTime(Hour, Minute, Second, Ms), Qt::UTC);
}

QString NoFloat(const QString& Text) { return "'" + Text + "' ist kein gültiger Gleitkommawert."; }
QString NoInteger(const QString& Text) { return "'" + Text + "' ist kein gültiger Integerwert."; }
QString NoDateTime(const QString& Text) { return "'" + Text + "' ist kein gültiger Wert für Datum und Uhrzeit."; }
QString NoBoolean(const QString& Text) { return "Text '" + Text + "' kann nicht als Boolean interpretiert werden."; }
}  // namespace

// gtest output for failed value comparisons.
void PrintTo(const TqorValue& V, std::ostream* os) {
  *os << "kind " << DatatypeOf(V)
      << (V.isNull()    ? " null"
          : V.isEmpty() ? " empty"
                        : "")
      << " '" << FormatValue(V).toStdString() << "'";
}

TEST(Value, BooleanForms) {
  EXPECT_EQ(BoolToText(true), "true");
  EXPECT_EQ(BoolToText(false), "false");
  for (const char* text : {"true", "TRUE", "True", "1"}) EXPECT_TRUE(TextToBool(text)) << text;
  for (const char* text : {"false", "FaLsE", "0"}) EXPECT_FALSE(TextToBool(text)) << text;
  for (const char* text : {"yes", "", " true", "2", "wahr"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW_MSG(TextToBool(text), EConvertError, NoBoolean(text).toStdString());
  }
}

TEST(Value, FloatToExpText) {
  struct TCase {
    Extended X;
    const char* Text;
  };
  const TCase cases[] = {
      {0.1L, "1.00000000000000E-001"},
      {0.1, "1.00000000000000E-001"},
      {200, "2.00000000000000E+002"},
      {-2.5L, "-2.50000000000000E+000"},
      {1.5L, "1.50000000000000E+000"},
      {0, "0.00000000000000E+000"},
      {-0.0L, "0.00000000000000E+000"},
      {std::ldexp(1.0L, -62), "2.16840434497101E-019"},
      {9.99999999999999999e2L, "1.00000000000000E+003"},  // rounding carries into the exponent
      {1.23456789012345678e-5L, "1.23456789012346E-005"},
      {1e100L, "1.00000000000000E+100"},
      {-1e4000L, "-1.00000000000000E+4000"},
      {std::numeric_limits<Extended>::denorm_min(), "3.64519953188247E-4951"},
      {NaN, "NAN"},
      {Inf, "INF"},
      {-Inf, "-INF"},
  };
  for (const TCase& c : cases) EXPECT_EQ(FloatToExpText(c.X), c.Text);
}

TEST(Value, ExpTextToFloatReadsTheFixedForm) {
  struct TCase {
    const char* Text;
    Extended X;
  };
  const TCase cases[] = {
      {"1.5", 1.5L},
      {"  -2.50000000000000E+000  ", -2.5L},
      {"+.5", 0.5L},
      {"5.", 5},
      {"1e3", 1000},
      {"1E-001", 0.1L},
      {"0.1", 0.1L},
      {"\t7\n", 7},
      {"0e99999999999999999999", 0},
      {"1e-5000", 0},
      {"3.36210314311209E-4932", 0},  // just below the normal range
      {"1.18973149535723176502E+4932", std::numeric_limits<Extended>::max()},
  };
  for (const TCase& c : cases) EXPECT_EQ(ExpTextToFloat(c.Text), c.X) << c.Text;
  EXPECT_TRUE(std::signbit(ExpTextToFloat("-1e-5000")));
  EXPECT_EQ(static_cast<double>(ExpTextToFloat("1.00000000000000E-001")), 0.1);
}

TEST(Value, ExpTextToFloatRefusesEverythingElse) {
  for (const char* text : {"", "   ", "1,5", ".", "e5", "1e", "1e+", "--1", "1.5.2", "1 5", "NAN", "INF", "-INF",
                           "0x10", "1.5x", "1e5000", "-1e99999999999999999999999", "\u0661", "1\u00A0000"}) {
    SCOPED_TRACE(text);
    ClearFloatFaults();
    EXPECT_THROW_MSG(ExpTextToFloat(QString::fromUtf8(text)), EConvertError,
                     NoFloat(QString::fromUtf8(text)).toStdString());
    EXPECT_NO_THROW(CheckFloatFaults()) << "a refused text must leave no fault flag";
  }
}

TEST(Value, ExpTextToDoubleRoundsOnceToTheNearestDouble) {
  struct TCase {
    const char* Text;
    double X;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const TCase cases[] = {
      {"0.1", 0.1},
      {"  -2.50000000000000E+000  ", -2.5},
      {"+.5", 0.5},
      {"1E-6", 1e-6},
      {"2.16840434497101E-019", 2.16840434497101e-19},
      // Just above the midpoint between 1 and the next double: through Extended it
      // would first become the midpoint and then round to even, that is to 1.
      {"1.000000000000000111023149495463", 1.0000000000000002},
      {"4.9406564584124654E-324", std::numeric_limits<double>::denorm_min()},
      {"1e-400", 0},
      {"1.7976931348623157E+308", std::numeric_limits<double>::max()},
      {"1.8E+308", inf},
      {"-1e5000", -inf},
  };
  for (const TCase& c : cases) EXPECT_EQ(ExpTextToDouble(c.Text), c.X) << c.Text;
  EXPECT_TRUE(std::signbit(ExpTextToDouble("-1e-400")));
  EXPECT_TRUE(std::signbit(ExpTextToDouble("-0")));
  for (const char* text : {"", "1,5", ".", "e5", "1e", "NAN", "INF", "1 5"}) {
    SCOPED_TRACE(text);
    ClearFloatFaults();
    EXPECT_THROW_MSG(ExpTextToDouble(text), EConvertError, NoFloat(text).toStdString());
    EXPECT_NO_THROW(CheckFloatFaults());
  }
}

TEST(Value, FifteenDigitTextsSurviveReadAndWrite) {
  for (const char* text : {"1.00000000000000E-001", "-9.87654321098765E+123", "2.16840434497101E-019",
                           "1.18973149535723E+4932", "3.36210314311210E-4932"})
    EXPECT_EQ(FloatToExpText(ExpTextToFloat(text)), text);
}

TEST(Value, DateTimeForms) {
  EXPECT_EQ(DateTimeToISOText(At(2011, 4, 25, 10, 20, 30)), "2011-04-25T10:20:30");
  EXPECT_EQ(DateTimeToISOText(At(2011, 4, 25, 10, 20, 30, 5)), "2011-04-25T10:20:30.005");
  EXPECT_EQ(DateToISOText(At(812, 1, 2, 3)), "0812-01-02");
  EXPECT_EQ(TimeToISOText(At(2011, 4, 25, 1, 2, 3, 450)), "01:02:03.450");
  const std::string outOfRange = "Datum und Uhrzeit müssen gültig sein und in den Jahren 1 bis 9999 liegen.";
  EXPECT_THROW_MSG(DateTimeToISOText(At(10000, 1, 1)), EConvertError, outOfRange);
  EXPECT_THROW_MSG(DateTimeToISOText(QDateTime()), EConvertError, outOfRange);
}

TEST(Value, ISOTextToDateTime) {
  struct TCase {
    const char* Text;
    QDateTime DT;
  };
  const TCase cases[] = {
      {"2011-04-25", At(2011, 4, 25)},
      {"2011-04-25T10:20", At(2011, 4, 25, 10, 20)},
      {"2011-04-25 10:20:30.5", At(2011, 4, 25, 10, 20, 30, 5)},
      {"2011-04-25t10:20:30.500", At(2011, 4, 25, 10, 20, 30, 500)},
      {"  2011-4-5T1:2:3  rest", At(2011, 4, 5, 1, 2, 3)},
      {"2011-04-25Tx:20", At(2011, 4, 25, 0, 20)},
      {"", At(1899, 12, 30)},
      {"2011-03-27T02:30:00", At(2011, 3, 27, 2, 30)},  // no time zone may shift it
  };
  for (const TCase& c : cases) {
    const QDateTime dt = ISOTextToDateTime(c.Text);
    EXPECT_EQ(dt.date(), c.DT.date()) << c.Text;
    EXPECT_EQ(dt.time(), c.DT.time()) << c.Text;
  }
  for (const char* text :
       {"2011-13-01", "2011-02-29", "2011-00-10", "0-01-01", "10000-01-01", "99999-01-01", "2011-xx-05",
        "2011-04-25T24:00", "2011-04-25T10:60", "2011-04-25T10:20:60", "2011-04-25T10:20:30.1000", "2011-04-25T10:-5",
        "2011-04-25T99999999999999999999", "10:20:30"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW_MSG(ISOTextToDateTime(text), EConvertError, NoDateTime(text).toStdString());
  }
}

TEST(Value, KindsAndTextForms) {
  struct TCase {
    TqorValue V;
    TqorDatatype Kind;
    const char* Text;
  };
  const TCase cases[] = {
      {"a b", dtString, "a b"},
      {QString(), dtString, ""},
      {200, dtInteger, "200"},
      {-9223372036854775807LL - 1, dtInteger, "-9223372036854775808"},
      {4294967295U, dtInteger, "4294967295"},
      {true, dtBoolean, "true"},
      {-2.5, dtFloat, "-2.50000000000000E+000"},
      {0.1L, dtFloat, "1.00000000000000E-001"},
      {-Inf, dtFloat, "-INF"},
      {At(2011, 4, 25, 10, 20, 30), dtDateTime, "2011-04-25T10:20:30"},
      {TqorValue(), dtNone, ""},
      {TqorValue::Null(), dtNone, ""},
      {QDateTime(), dtNone, ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(DatatypeOf(c.V), c.Kind) << c.Text;
    EXPECT_EQ(FormatValue(c.V), c.Text);
  }
  EXPECT_TRUE(TqorValue(QDateTime()).isNull());
}

TEST(Value, ParseValue) {
  struct TCase {
    const char* Text;
    TqorDatatype Kind;
    TqorValue V;
  };
  const TCase cases[] = {
      {"  ", dtInteger, TqorValue::Null()},
      {"", dtString, TqorValue::Null()},
      {" \t ", dtFloat, TqorValue::Null()},
      {" a ", dtString, " a "},
      {"x", dtNone, "x"},
      {" -12 ", dtInteger, -12},
      {"9223372036854775807", dtInteger, 9223372036854775807LL},
      {"TRUE", dtBoolean, true},
      {"0", dtBoolean, false},
      {"2.5E+000", dtFloat, 2.5L},
      {"2011-04-25T10:20:30", dtDateTime, At(2011, 4, 25, 10, 20, 30)},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseValue(c.Text, c.Kind), c.V) << c.Text;

  for (const char* text : {"abc", "2.5", "9223372036854775808", "1e3", "\u0661"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW_MSG(ParseValue(QString::fromUtf8(text), dtInteger), EConvertError,
                     NoInteger(QString::fromUtf8(text)).toStdString());
  }
  EXPECT_THROW_MSG(ParseValue("yes", dtBoolean), EConvertError, NoBoolean("yes").toStdString());
  EXPECT_THROW_MSG(ParseValue("1,5", dtFloat), EConvertError, NoFloat("1,5").toStdString());
  EXPECT_THROW_MSG(ParseValue("2011-13-01", dtDateTime), EConvertError, NoDateTime("2011-13-01").toStdString());
}

TEST(Value, ValueAsConversions) {
  const std::pair<const char*, TqorValue> unassigned[] = {{"TqorValue()", TqorValue()},
                                                          {"TqorValue::Null()", TqorValue::Null()}};
  for (const auto& [name, v] : unassigned) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ValueAssigned(v));
    EXPECT_TRUE(ValueAsBool(v, true));
    EXPECT_EQ(ValueAsInteger(v, 7), 7);
    EXPECT_EQ(ValueAsFloat(v, 1.5L), 1.5L);
    EXPECT_EQ(ValueAsText(v, "def"), "def");
  }
  EXPECT_TRUE(ValueAssigned(""));

  for (const char* text : {"TRUE", "true", "2", "-1.5E+000", "1"}) EXPECT_TRUE(ValueAsBool(text, false)) << text;
  for (const char* text : {"False", "0", "0.0", " 0 "}) EXPECT_FALSE(ValueAsBool(text, true)) << text;
  EXPECT_TRUE(ValueAsBool(3, false));
  EXPECT_FALSE(ValueAsBool(0.0, true));
  EXPECT_TRUE(ValueAsBool(std::numeric_limits<Extended>::denorm_min(), false));
  EXPECT_THROW_MSG(ValueAsBool("ja", true), EConvertError, NoBoolean("ja").toStdString());
  EXPECT_THROW_MSG(ValueAsBool(NaN, true), EConvertError, NoBoolean("NAN").toStdString());

  EXPECT_EQ(ValueAsInteger(true, 0), 1);
  EXPECT_EQ(ValueAsInteger(" 12", 0), 12);
  EXPECT_EQ(ValueAsInteger(2.5, 0), 2);  // ties go to the even neighbour
  EXPECT_EQ(ValueAsInteger(3.5L, 0), 4);
  EXPECT_EQ(ValueAsInteger(-2147483648LL, 0), -2147483648LL);
  EXPECT_THROW_MSG(ValueAsInteger("2.5", 0), EConvertError, NoInteger("2.5").toStdString());
  EXPECT_THROW_MSG(ValueAsInteger(2147483648LL, 0), EConvertError, NoInteger("2147483648").toStdString());
  EXPECT_THROW_MSG(ValueAsInteger(1e10, 0), EConvertError, NoInteger("1.00000000000000E+010").toStdString());
  EXPECT_THROW_MSG(ValueAsInteger(NaN, 0), EConvertError, NoInteger("NAN").toStdString());
  EXPECT_THROW_MSG(ValueAsInteger(At(2011, 4, 25), 0), EConvertError, NoInteger("2011-04-25T00:00:00").toStdString());

  EXPECT_EQ(ValueAsFloat("1E-001", 0), 0.1L);
  EXPECT_EQ(ValueAsFloat(3, 0), 3);
  EXPECT_EQ(ValueAsFloat(false, 9), 0);
  EXPECT_THROW_MSG(ValueAsFloat("1,5", 0), EConvertError, NoFloat("1,5").toStdString());
  EXPECT_THROW_MSG(ValueAsFloat(At(2011, 4, 25), 0), EConvertError, NoFloat("2011-04-25T00:00:00").toStdString());

  EXPECT_EQ(ValueAsText(200, ""), "200");
  EXPECT_EQ(ValueAsText(-2.5, ""), "-2.50000000000000E+000");
  EXPECT_EQ(ValueAsText(false, ""), "false");
}

TEST(Value, NewIdentifierTextIsFreshUpperCaseHex) {
  const QString a = NewIdentifierText(), b = NewIdentifierText();
  EXPECT_EQ(a.size(), 32);
  EXPECT_NE(a, b);
  for (QChar c : a) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << a.toStdString();
}

namespace {
// The forms that must not change with any regional setting.
struct TForms {
  QString Real, Negative, Big, Date;
  Extended Read;
  bool operator==(const TForms&) const = default;
};

TForms FormsNow() {
  return {FloatToExpText(1.5L), FormatValue(-2.5), FormatValue(1234567.0), FormatValue(At(2011, 4, 25, 10, 20, 30, 5)),
          ExpTextToFloat("1234.5")};
}

// Reads a refused text and checks that the process locale and Qt's default locale are
// exactly as before.
void ExpectFailedReadKeepsLocales() {
  const std::string cLocale = std::setlocale(LC_ALL, nullptr);
  const QLocale qtLocale;
  EXPECT_THROW(ExpTextToFloat("1,5"), EConvertError);
  EXPECT_THROW(ParseValue("1.234,5", dtFloat), EConvertError);
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), cLocale);
  EXPECT_EQ(QLocale(), qtLocale);
}

// Switches the C locale for one test and restores it afterwards.
class TCLocale {
public:
  explicit TCLocale(const char* Name) : FSaved(std::setlocale(LC_ALL, nullptr)) {
    FActive = std::setlocale(LC_ALL, Name) != nullptr;
  }
  ~TCLocale() { std::setlocale(LC_ALL, FSaved.c_str()); }
  bool active() const { return FActive; }

private:
  std::string FSaved;
  bool FActive = false;
};
}  // namespace

TEST(ValueLocale, QtDefaultLocaleChangesNothing) {
  const TForms reference = FormsNow();
  EXPECT_EQ(reference.Real, "1.50000000000000E+000");
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(QLocale().toString(1.5), "1,5") << "the German locale must be in effect";
  EXPECT_EQ(FormsNow(), reference);
  ExpectFailedReadKeepsLocales();
  EXPECT_EQ(QLocale().toString(1.5), "1,5");
  QLocale::setDefault(QLocale::c());
}

TEST(ValueLocale, GermanCLocaleChangesNothing) {
  const TForms reference = FormsNow();
  TCLocale german("de_DE.UTF-8");
  if (!german.active()) GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(FormsNow(), reference);
  ExpectFailedReadKeepsLocales();
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}
