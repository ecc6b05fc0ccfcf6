#pragma once
// How the window shows the roots table (a table defined by DefineRootTable) and the
// extrema table (DefineExtremaTable), where it can say more than the files; the report
// prints them the same way, while the roots and extrema files keep the fields' display
// texts, whose form other programs read.
//   - "N?" of a row without a root names what the scan met there: "Pol" for a pole,
//     "Sprung" for a finite step, from the row's remark;
//   - the numbers of those remarks, and of the extrema table's remarks, carry Locale's
//     decimal separator and an "E" exponent;
//   - exponents are written "E-06", as the number fields write them, also in the
//     columns whose display form is "e-006" ("y-Nullstelle", "f(x)", ...);
//   - a value that is not zero but that the column's decimals would show with fewer
//     than three significant digits (a range of 1E-6 to 3E-6 would give "0,000" and
//     "0,0000020") shows in exponent form with one digit more than the decimals.
// Every other cell shows the field's display text.

#include <QLocale>
#include <QString>

class TqorField;
class TqorMemoryDataset;

// The text the window shows for Field's value in Row.
QString RootViewText(const TqorField& Field, int Row, const QLocale& Locale = QLocale());

// The number by which the grid, the status bar and the report name row Row of Table (a
// roots or extrema table): its ID, counted from 0 as the files and kaloroots count;
// empty outside the rows.
QString RowNumberText(const TqorMemoryDataset& Table, int Row);
