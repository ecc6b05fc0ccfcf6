#include "KaloRootCalculation.h"
#include "KaloRootTableText.h"
#include "qorMemoryDataset.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// One row of the roots table: null where a value is invalid.
struct TRow {
  QVariant Exists, xRoot, yRoot, xMin, xMax;
  const char* Remark;
};

// The cells of each row as the window shows them, and as the files keep them.
TEST(RootViewText, SaysWhatARowIsAndShowsMicroValuesInExponentForm) {
  const QLocale german(QLocale::German, QLocale::Germany);
  const QLocale savedLocale;
  QLocale::setDefault(german);
  TqorMemoryDataset roots;
  DefineRootTable(roots);
  roots.Open();
  const QVariant none;
  const TRow rows[] = {
      {true, -2.4861111111, -1.5e-17, -2.5, -2.4748743718592965, ""},
      {true, 2e-6, 3e-22, 1.99e-6, 2.01e-6, ""},
      {true, 0.0, 0.0, -0.0001, 0.0004, ""},
      {false, none, none, 1.5, 1.6,
       "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = 1.6331779e+16 bei x = 1.5707963"},
      {false, none, none, -0.05, 0.05, "Sprungstelle: Vorzeichenwechsel ohne Nullstelle, f = -1.5 bei x = 0"},
      {false, none, none, 3.0, 3.1, "Fehler in fct: [string \"return 0.5*x\"]:1: 1.5e3"},
  };
  for (const TRow& r : rows) {
    roots.Append();
    roots.FieldByName(RootField::RootExists).setValue(r.Exists);
    roots.FieldByName(RootField::xRoot).setValue(r.xRoot);
    roots.FieldByName(RootField::yRoot).setValue(r.yRoot);
    roots.FieldByName(RootField::xIntervalMin).setValue(r.xMin);
    roots.FieldByName(RootField::xIntervalMax).setValue(r.xMax);
    roots.FieldByName(RootField::ResultMessage).setValue(QString::fromUtf8(r.Remark));
    roots.Post();
  }
  const char* const columns[] = {RootField::RootExists,   RootField::xRoot,        RootField::yRoot,
                                 RootField::xIntervalMin, RootField::xIntervalMax, RootField::ResultMessage};
  const QStringList shown[] = {
      {"X", "-2,4861111", "-1,5000000E-17", "-2,500", "-2,475", ""},
      {"X", "2,0000000E-06", "3,0000000E-22", "1,990E-06", "2,010E-06", ""},
      {"X", "0,0000000", "0,0000000E+00", "-1,000E-04", "4,000E-04", ""},
      {"Pol", "", "", "1,500", "1,600",
       "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = 1,6331779E+16 bei x = 1,5707963"},
      {"Sprung", "", "", "-5,000E-02", "5,000E-02",
       "Sprungstelle: Vorzeichenwechsel ohne Nullstelle, f = -1,5 bei x = 0"},
      {"", "", "", "3,000", "3,100", "Fehler in fct: [string \"return 0.5*x\"]:1: 1.5e3"},
  };
  const QStringList kept[] = {
      {"X", "-2,4861111", "-1,5000000e-017", "-2,500", "-2,475", ""},
      {"X", "0,0000020", "3,0000000e-022", "0,000", "0,000", ""},
  };
  for (int row = 0; row < roots.RecordCount(); ++row) {
    for (int c = 0; c < 6; ++c) {
      SCOPED_TRACE(testing::Message() << "row " << row << ", " << columns[c]);
      const TqorField& field = roots.FieldByName(columns[c]);
      EXPECT_EQ(RootViewText(field, row, german), shown[row][c]);
      if (row < 2) {
        EXPECT_EQ(field.DisplayTextAt(row), kept[row][c]) << "the files keep the display text";
      }
    }
  }
  const TqorField& remark = roots.FieldByName(RootField::ResultMessage);
  EXPECT_EQ(RootViewText(remark, 3, QLocale::c()),
            "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = 1.6331779E+16 bei x = 1.5707963");
  QLocale::setDefault(savedLocale);
}

// The extrema grid and the report show the extrema table's reals and its remarks in the
// same form as the roots; the extrema file keeps the display texts.
TEST(RootViewText, ShowsTheExtremaTableInTheRootsForm) {
  const QLocale german(QLocale::German, QLocale::Germany);
  TqorMemoryDataset extrema;
  DefineExtremaTable(extrema);
  extrema.Open();
  extrema.Append();
  extrema.FieldByName(ExtremumField::x).setValue(0.5);
  extrema.FieldByName(ExtremumField::y).setValue(-1.5e-17);
  extrema.FieldByName(ExtremumField::dy).setValue(2e-300);
  extrema.FieldByName(ExtremumField::Remark).setValue(QString("f springt von 0.5 auf 1.5e-05"));
  extrema.Post();
  const struct {
    const char* Field;
    const char* Shown;
    const char* Kept;
  } cells[] = {
      {ExtremumField::x, "0,5000000", "0,5000000"},
      {ExtremumField::y, "-1,5000000E-17", "-1,5000000e-017"},
      {ExtremumField::dy, "2,0000000E-300", "2,0000000e-300"},
      {ExtremumField::ddy, "", ""},
      {ExtremumField::Remark, "f springt von 0,5 auf 1,5E-05", "f springt von 0.5 auf 1.5e-05"},
  };
  const QLocale savedLocale;
  QLocale::setDefault(german);
  for (const auto& c : cells) {
    SCOPED_TRACE(c.Field);
    const TqorField& field = extrema.FieldByName(c.Field);
    EXPECT_EQ(RootViewText(field, 0, german), QString::fromUtf8(c.Shown));
    EXPECT_EQ(field.DisplayTextAt(0), QString::fromUtf8(c.Kept));
  }
  QLocale::setDefault(savedLocale);
}

// Rows are numbered by their ID in both tables, whatever their place.
TEST(RowNumberText, IsTheRowsID) {
  TqorMemoryDataset roots, extrema;
  DefineRootTable(roots);
  DefineExtremaTable(extrema);
  for (TqorMemoryDataset* table : {&roots, &extrema}) {
    table->Open();
    for (const int id : {0, 1, 7}) {
      table->Append();
      table->FieldByName("ID").setAsInteger(id);
      table->Post();
    }
    EXPECT_EQ(RowNumberText(*table, 0), "0");
    EXPECT_EQ(RowNumberText(*table, 2), "7");
    EXPECT_EQ(RowNumberText(*table, 3), "") << "outside the rows";
    EXPECT_EQ(RowNumberText(*table, -1), "");
  }
}

}  // namespace
