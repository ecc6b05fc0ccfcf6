#pragma once
// Preparation turns a template into pages: bands are laid out down each page, the
// master data band once per row of its table, a new page begins where the next band
// no longer fits above the page footer, and every text's [expressions] are replaced by
// their values. Expressions: [Variable], [DataSet."Field"], [Page#] and
// [TotalPages#]; a field is printed by its binding's text, or as its display text.
// An expression that names nothing known is printed as written, so that the
// template's author sees which one it is; only an optional data band without its
// table is left out, with its header.

#include "qorReportEngine.h"
#include "qorReportTemplate.h"

#include <QString>
#include <QVariant>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

// The report's variables in the order they were set. A name that begins with a blank
// heads a category and holds no value of its own.
class TqorReportVariables {
public:
  struct TVariable {
    QString Name;
    QVariant Value;
  };

  // Sets Name's value (letter case ignored), appending the variable when it is new.
  void Set(const QString& Name, const QVariant& Value);
  void Clear() { FItems.clear(); }
  const std::vector<TVariable>& Items() const { return FItems; }
  // The variable Name, letter case ignored; categories are never found.
  const TVariable* Find(const QString& Name) const;
  // True for a name that heads a category.
  static bool IsCategory(const QString& Name);

private:
  std::vector<TVariable> FItems;
};

// The printed text of a variable's value in the user's regional format: reals with up
// to 15 significant digits, dates with four-digit years, times with seconds, booleans
// "true" or "false"; a text is evaluated as a string literal ('it''s' gives it's), a
// text that is none is shown as it is; null gives the empty text.
QString ReportValueText(const QVariant& Value);

// One page as printed: copies of the template's objects at their places on the paper
// (layout units), their texts filled in and their pictures loaded.
struct TqorPreparedPage {
  std::vector<std::unique_ptr<TqorReportObject>> Objects;
};

class TqorReportPreparation {
public:
  // Works on Template (its objects receive the before-print calls), Variables and
  // the bound DataSets; none is owned.
  TqorReportPreparation(TqorReportTemplate& Template, const TqorReportVariables& Variables,
                        const std::vector<TqorReportDataSet>& DataSets, const TqorBeforePrintEvent& OnBeforePrint);

  // The prepared pages, at least one. Raises Exception when page header and footer
  // leave no room between the margins; errors of OnBeforePrint pass through.
  std::vector<TqorPreparedPage> Run();

private:
  struct TPlacement {
    const TqorReportBand* Band;
    int Row;        // the table row of a master data band; -1 for other bands
    double Top;     // layout units from the paper's top edge
    double Height;  // the band's height, or more where a row's text needs it
  };
  using TPageLayout = std::vector<TPlacement>;
  class TPaginator;

  // Where every band goes, page by page.
  std::vector<TPageLayout> Paginate() const;
  // Whether Band is an optional data band whose table is not bound.
  bool LeftOut(const TqorReportBand& Band) const;
  // Whether the Header band at Index goes with a data band that is left out.
  bool HeaderLeftOut(std::size_t Index) const;
  // The height of Band in Row: the band's, or as much more as a text of it needs to be
  // read whole (a long remark wraps onto further lines).
  double RowHeight(const TqorReportBand& Band, int Row) const;
  // The page's objects in placement order, texts filled in; objects that reach the
  // band's bottom grow with a row that needs more height.
  TqorPreparedPage Fill(const TPageLayout& Layout, int PageNo, int TotalPages) const;
  // Text with each [expression] replaced by its value.
  QString Evaluate(const QString& Text, const TPlacement& Placement, int PageNo, int TotalPages) const;
  // The value of one expression, or none when it names nothing known.
  std::optional<QString> ExpressionValue(const QString& Expression, const TPlacement& Placement, int PageNo,
                                         int TotalPages) const;
  std::optional<QString> FieldValue(const QString& DataSetName, const QString& FieldName,
                                    const TPlacement& Placement) const;
  // The binding named Name (letter case ignored), or none.
  const TqorReportDataSet* FindDataSet(const QString& Name) const;

  TqorReportTemplate& FTemplate;
  const TqorReportVariables& FVariables;
  const std::vector<TqorReportDataSet>& FDataSets;
  const TqorBeforePrintEvent& FOnBeforePrint;
};
