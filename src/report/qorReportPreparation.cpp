#include "qorReportPreparation.h"

#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorValue.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>

namespace {

constexpr int RealSignificantDigits = 15;
const QChar ExpressionOpen = QLatin1Char('[');
const QChar ExpressionClose = QLatin1Char(']');
const QChar Quote = QLatin1Char('\'');
const QString PageNumberName = QStringLiteral("Page#");
const QString TotalPagesName = QStringLiteral("TotalPages#");
// DataSet."Field"
const QRegularExpression FieldExpression(QStringLiteral(R"re(^(.+)\."([^"]+)"$)re"));

QLocale DisplayLocale() {
  QLocale locale;
  // Node counts and years read better without digit grouping.
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

// The locale's short date with four-digit years: a printed date is read years later.
QString DateText(const QDate& Date, const QLocale& Locale) {
  QString format = Locale.dateFormat(QLocale::ShortFormat);
  if (!format.contains(QStringLiteral("yyyy")))
    format.replace(QRegularExpression(QStringLiteral("(?<!y)yy(?!y)")), QStringLiteral("yyyy"));
  return Locale.toString(Date, format);
}

// The locale's long time without the time zone, which a time of day does not carry.
QString TimeText(const QTime& Time, const QLocale& Locale) {
  QString format = Locale.timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
  return Locale.toString(Time, format.trimmed());
}

// The text of the string literal Expression ('it''s' gives it's), or none when it is
// no literal.
std::optional<QString> LiteralText(const QString& Expression) {
  const QString text = Expression.trimmed();
  if (text.size() < 2 || !text.startsWith(Quote) || !text.endsWith(Quote)) return std::nullopt;
  const QStringView inner = QStringView(text).mid(1, text.size() - 2);
  QString value;
  for (qsizetype i = 0; i < inner.size(); ++i) {
    if (inner[i] == Quote) {
      if (i + 1 >= inner.size() || inner[i + 1] != Quote) return std::nullopt;
      ++i;
    }
    value += inner[i];
  }
  return value;
}

}  // namespace

void TqorReportVariables::Set(const QString& Name, const QVariant& Value) {
  for (TVariable& variable : FItems)
    if (variable.Name.compare(Name, Qt::CaseInsensitive) == 0) {
      variable.Value = Value;
      return;
    }
  FItems.push_back({Name, Value});
}

const TqorReportVariables::TVariable* TqorReportVariables::Find(const QString& Name) const {
  for (const TVariable& variable : FItems)
    if (!IsCategory(variable.Name) && variable.Name.compare(Name, Qt::CaseInsensitive) == 0) return &variable;
  return nullptr;
}

bool TqorReportVariables::IsCategory(const QString& Name) { return Name.startsWith(QLatin1Char(' ')); }

QString ReportValueText(const QVariant& Value) {
  const QLocale locale = DisplayLocale();
  switch (Value.typeId()) {
    case QMetaType::Bool:
      return BoolToText(Value.toBool());
    case QMetaType::Double:
    case QMetaType::Float:
      return locale.toString(Value.toDouble(), 'G', RealSignificantDigits);
    case QMetaType::QDate:
      return DateText(Value.toDate(), locale);
    case QMetaType::QTime:
      return TimeText(Value.toTime(), locale);
    case QMetaType::QDateTime:
      return DateText(Value.toDate(), locale) + QLatin1Char(' ') + TimeText(Value.toTime(), locale);
    case QMetaType::QString: {
      const QString expression = Value.toString();
      return LiteralText(expression).value_or(expression);
    }
    default:
      return Value.isNull() ? QString() : Value.toString();
  }
}

// Lays bands down the pages: page headers at the top and page footers at the bottom
// of every page, the other bands in between in template order.
class TqorReportPreparation::TPaginator {
public:
  explicit TPaginator(const TqorReportPage& Page) : FPage(Page) {
    const QRectF printable = Page.PrintableRect();
    FFlowTop = printable.top() + TotalHeight(TqorBandType::PageHeader);
    FFlowBottom = printable.bottom() - TotalHeight(TqorBandType::PageFooter);
    if (FFlowBottom <= FFlowTop)
      throw Exception("Seitenkopf und Seitenfuß lassen zwischen den Seitenrändern keinen Platz für den Inhalt.");
    NewPage();
  }

  // Places Band (Row for a master data band) below the last one, on a new page when it
  // does not fit; a band taller than a page still gets a page of its own. RepeatHeader
  // goes first on a new page.
  void Place(const TqorReportBand& Band, int Row, const TqorReportBand* RepeatHeader, double Height) {
    if (FY + Height > FFlowBottom && FFlowOnPage) {
      NewPage();
      if (RepeatHeader) Add(*RepeatHeader, -1, RepeatHeader->Height);
    }
    Add(Band, Row, Height);
  }

  // The pages with their page headers and footers.
  std::vector<TPageLayout> Pages() const {
    std::vector<TPageLayout> pages;
    for (const TPageLayout& flow : FPages) {
      TPageLayout page = Fixed(TqorBandType::PageHeader, FPage.PrintableRect().top());
      page.insert(page.end(), flow.begin(), flow.end());
      const TPageLayout footers = Fixed(TqorBandType::PageFooter, FFlowBottom);
      page.insert(page.end(), footers.begin(), footers.end());
      pages.push_back(std::move(page));
    }
    return pages;
  }

private:
  double TotalHeight(TqorBandType Type) const {
    double height = 0;
    for (const auto& band : FPage.Bands)
      if (band->Type == Type) height += band->Height;
    return height;
  }

  // The bands of Type stacked from Top down.
  TPageLayout Fixed(TqorBandType Type, double Top) const {
    TPageLayout layout;
    for (const auto& band : FPage.Bands)
      if (band->Type == Type) {
        layout.push_back({band.get(), -1, Top, band->Height});
        Top += band->Height;
      }
    return layout;
  }

  void NewPage() {
    FPages.emplace_back();
    FY = FFlowTop;
    FFlowOnPage = false;
  }

  void Add(const TqorReportBand& Band, int Row, double Height) {
    FPages.back().push_back({&Band, Row, FY, Height});
    FY += Height;
    FFlowOnPage = true;
  }

  const TqorReportPage& FPage;
  std::vector<TPageLayout> FPages;
  double FFlowTop = 0;
  double FFlowBottom = 0;
  double FY = 0;
  bool FFlowOnPage = false;
};

TqorReportPreparation::TqorReportPreparation(TqorReportTemplate& Template, const TqorReportVariables& Variables,
                                             const std::vector<TqorReportDataSet>& DataSets,
                                             const TqorBeforePrintEvent& OnBeforePrint)
    : FTemplate(Template), FVariables(Variables), FDataSets(DataSets), FOnBeforePrint(OnBeforePrint) {}

std::vector<TqorPreparedPage> TqorReportPreparation::Run() {
  const std::vector<TPageLayout> layouts = Paginate();
  std::vector<TqorPreparedPage> pages;
  const int total = static_cast<int>(layouts.size());
  for (int i = 0; i < total; ++i) pages.push_back(Fill(layouts[static_cast<std::size_t>(i)], i + 1, total));
  return pages;
}

bool TqorReportPreparation::LeftOut(const TqorReportBand& Band) const {
  return Band.Type == TqorBandType::MasterData && Band.Optional && !FindDataSet(Band.DataSetName);
}

bool TqorReportPreparation::HeaderLeftOut(std::size_t Index) const {
  const auto& bands = FTemplate.Page.Bands;
  for (std::size_t i = Index + 1; i < bands.size(); ++i)
    if (bands[i]->Type == TqorBandType::MasterData) return LeftOut(*bands[i]);
  return false;
}

std::vector<TqorReportPreparation::TPageLayout> TqorReportPreparation::Paginate() const {
  TPaginator paginator(FTemplate.Page);
  const TqorReportBand* dataHeader = nullptr;
  const auto& bands = FTemplate.Page.Bands;
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const auto& band = bands[i];
    switch (band->Type) {
      case TqorBandType::PageHeader:
      case TqorBandType::PageFooter:
        break;
      case TqorBandType::ReportTitle:
        paginator.Place(*band, -1, nullptr, band->Height);
        break;
      case TqorBandType::Header:
        if (HeaderLeftOut(i)) break;
        dataHeader = band.get();
        paginator.Place(*band, -1, nullptr, band->Height);
        break;
      case TqorBandType::MasterData: {
        if (LeftOut(*band)) break;
        const TqorReportDataSet* dataSet = FindDataSet(band->DataSetName);
        // Without its table the band is printed once, its expressions as written.
        const int rows = dataSet ? dataSet->DataSet->RecordCount() : 1;
        for (int row = 0; row < rows; ++row) {
          const int tableRow = dataSet ? row : -1;
          paginator.Place(*band, tableRow, dataHeader, RowHeight(*band, tableRow));
        }
        dataHeader = nullptr;
        break;
      }
    }
  }
  return paginator.Pages();
}

double TqorReportPreparation::RowHeight(const TqorReportBand& Band, int Row) const {
  double height = Band.Height;
  const TPlacement placement{&Band, Row, 0, Band.Height};
  for (const auto& object : Band.Objects)
    if (const auto* text = dynamic_cast<const TqorReportText*>(object.get())) {
      TqorReportText filled(*text);
      filled.Text = Evaluate(text->Text, placement, 1, 1);
      const double grown = filled.NeededHeight() - text->Bounds.height();
      if (grown > 0) height = std::max(height, Band.Height + grown);
    }
  return height;
}

TqorPreparedPage TqorReportPreparation::Fill(const TPageLayout& Layout, int PageNo, int TotalPages) const {
  // An object this close to the band's bottom ends there, as a table cell does.
  constexpr double BottomTolerance = 0.5;
  TqorPreparedPage page;
  const double left = FTemplate.Page.PrintableRect().left();
  for (const TPlacement& placement : Layout)
    for (const auto& object : placement.Band->Objects) {
      if (FOnBeforePrint) FOnBeforePrint(*object);
      std::unique_ptr<TqorReportObject> copy = object->Clone();
      if (copy->Bounds.bottom() >= placement.Band->Height - BottomTolerance)
        copy->Bounds.setBottom(copy->Bounds.bottom() + placement.Height - placement.Band->Height);
      copy->Bounds.translate(left, placement.Top);
      if (auto* text = dynamic_cast<TqorReportText*>(copy.get()))
        text->Text = Evaluate(text->Text, placement, PageNo, TotalPages);
      page.Objects.push_back(std::move(copy));
    }
  return page;
}

QString TqorReportPreparation::Evaluate(const QString& Text, const TPlacement& Placement, int PageNo,
                                        int TotalPages) const {
  QString result;
  qsizetype from = 0;
  while (from < Text.size()) {
    const qsizetype open = Text.indexOf(ExpressionOpen, from);
    const qsizetype close = open < 0 ? -1 : Text.indexOf(ExpressionClose, open + 1);
    if (close < 0) break;
    result += Text.mid(from, open - from);
    const QString expression = Text.mid(open + 1, close - open - 1);
    result += ExpressionValue(expression, Placement, PageNo, TotalPages).value_or(Text.mid(open, close - open + 1));
    from = close + 1;
  }
  return result + Text.mid(from);
}

std::optional<QString> TqorReportPreparation::ExpressionValue(const QString& Expression, const TPlacement& Placement,
                                                              int PageNo, int TotalPages) const {
  const QString name = Expression.trimmed();
  if (name.compare(PageNumberName, Qt::CaseInsensitive) == 0) return QString::number(PageNo);
  if (name.compare(TotalPagesName, Qt::CaseInsensitive) == 0) return QString::number(TotalPages);
  if (const QRegularExpressionMatch field = FieldExpression.match(name); field.hasMatch())
    return FieldValue(field.captured(1).trimmed(), field.captured(2), Placement);
  if (const TqorReportVariables::TVariable* variable = FVariables.Find(name)) return ReportValueText(variable->Value);
  return std::nullopt;
}

std::optional<QString> TqorReportPreparation::FieldValue(const QString& DataSetName, const QString& FieldName,
                                                         const TPlacement& Placement) const {
  const TqorReportDataSet* dataSet = FindDataSet(DataSetName);
  const TqorField* field = dataSet ? dataSet->DataSet->FindField(FieldName) : nullptr;
  if (!field) return std::nullopt;
  // The band's own table gives its row; any other table its current row.
  const bool ownRow = Placement.Band->Type == TqorBandType::MasterData &&
                      Placement.Band->DataSetName.compare(DataSetName, Qt::CaseInsensitive) == 0;
  const int row = ownRow ? Placement.Row : dataSet->DataSet->RecNo();
  if (row < 0) return QString();
  return dataSet->Text ? dataSet->Text(*field, row) : field->DisplayTextAt(row);
}

const TqorReportDataSet* TqorReportPreparation::FindDataSet(const QString& Name) const {
  for (const TqorReportDataSet& dataSet : FDataSets)
    if (dataSet.UserName.compare(Name, Qt::CaseInsensitive) == 0) return &dataSet;
  return nullptr;
}
