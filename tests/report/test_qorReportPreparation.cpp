#include "qorReportPreparation.h"

#include "qorException.h"
#include "qorReportTestSupport.h"
#include "qorTestQtApp.h"

#include <QBuffer>
#include <QDate>
#include <QLocale>
#include <QTime>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

// Sets the default locale for a scope.
class TDefaultLocale {
public:
  explicit TDefaultLocale(const char* Name) { QLocale::setDefault(QLocale(QString::fromLatin1(Name))); }
  ~TDefaultLocale() { QLocale::setDefault(FSaved); }

private:
  QLocale FSaved;
};

TEST(ReportVariables, SetReplacesByNameAndFindSkipsCategories) {
  TqorReportVariables variables;
  variables.Set(" Report", QVariant());
  variables.Set("AppVersion", "'v1'");
  variables.Set("appversion", "'v2'");
  EXPECT_EQ(variables.Items().size(), 2u);
  EXPECT_EQ(variables.Items()[1].Name, "AppVersion");
  EXPECT_EQ(variables.Find("APPVERSION")->Value, "'v2'");
  EXPECT_EQ(variables.Find(" Report"), nullptr);
  EXPECT_EQ(variables.Find("Report"), nullptr);
}

TEST(ReportValueText, PrintsValuesInTheUsersFormat) {
  const struct {
    const char* locale;
    QVariant value;
    QString text;
  } cases[] = {
      {"de_DE", QString("'it''s'"), "it's"},
      {"de_DE", QString("''"), ""},
      {"de_DE", QString("'a'b'"), "'a'b'"},
      {"de_DE", QString("x + 1"), "x + 1"},
      {"de_DE", true, "true"},
      {"de_DE", 0.1, "0,1"},
      {"de_DE", -1.5e-10, "-1,5E-10"},
      {"de_DE", 12345.5, "12345,5"},
      {"de_DE", 10000, "10000"},
      {"de_DE", QDate(2011, 4, 25), "25.04.2011"},
      {"de_DE", QTime(14, 3, 27), "14:03:27"},
      {"de_DE", QDateTime(QDate(2011, 4, 25), QTime(14, 3, 27)), "25.04.2011 14:03:27"},
      {"de_DE", QVariant(), ""},
      {"en_US", 0.1, "0.1"},
      {"en_US", QDate(2011, 4, 25), "4/25/2011"},
      {"en_US", QTime(14, 3, 27), "2:03:27 PM"},
  };
  for (const auto& c : cases) {
    TDefaultLocale locale(c.locale);
    EXPECT_EQ(ReportValueText(c.value), c.text) << c.locale << " " << c.value.toString().toStdString();
  }
}

// A template of Bands on paper 100 mm high (377.95 layout units) without margins.
TqorReportTemplate Template(const QByteArray& Bands) {
  TqorReportTemplate report;
  report.Read(
      "<Report><Page PaperWidth=\"100\" PaperHeight=\"100\" LeftMargin=\"0\" TopMargin=\"0\" "
      "RightMargin=\"0\" BottomMargin=\"0\">" +
          Bands + "</Page></Report>",
      "test.fr3");
  return report;
}

QByteArray Band(const char* Type, int Height, const QByteArray& Text, const char* DataSet = "") {
  return QByteArray("<Band Type=\"") + Type + "\" Height=\"" + QByteArray::number(Height) + "\" DataSet=\"" + DataSet +
         "\"><Text Name=\"t\" Left=\"5\" Top=\"1\" Width=\"100\" Height=\"10\" Text=\"" + Text + "\"/></Band>";
}

// The texts of each page, in placement order.
std::vector<QStringList> Texts(const std::vector<TqorPreparedPage>& Pages) {
  std::vector<QStringList> texts;
  for (const TqorPreparedPage& page : Pages) {
    QStringList list;
    for (const auto& object : page.Objects)
      if (const auto* text = dynamic_cast<const TqorReportText*>(object.get())) list << text->Text;
    texts.push_back(list);
  }
  return texts;
}

class ReportPreparation : public ::testing::Test {
protected:
  TqorMemoryDataset table;
  TqorReportVariables variables;
  std::vector<TqorReportDataSet> dataSets;

  void SetUp() override {
    FillRootTable(table, {});
    for (int id = 0; id < 7; ++id) {
      table.Append();
      table.FieldByName("ID").setValue(id);
      table.FieldByName("xRoot").setValue(id + 0.5);
      table.Post();
    }
    dataSets.emplace_back("Nullstellen", table);
    variables.Set(" Report", QVariant());
    variables.Set("Name", "'Test'");
  }

  std::vector<TqorPreparedPage> Prepare(TqorReportTemplate& Report, const TqorBeforePrintEvent& OnBeforePrint = {}) {
    return TqorReportPreparation(Report, variables, dataSets, OnBeforePrint).Run();
  }
};

TEST_F(ReportPreparation, RepeatsDataPerRowAndBreaksPagesAboveTheFooter) {
  TqorReportTemplate report = Template(Band("PageHeader", 20, "Kopf [Page#]/[TotalPages#]") +
                                       Band("ReportTitle", 100, "Titel [Name]") + Band("Header", 10, "Spalte") +
                                       Band("MasterData", 50, "r[Nullstellen.&quot;ID&quot;]", "Nullstellen") +
                                       Band("PageFooter", 20, "Fuß"));
  const std::vector<TqorPreparedPage> pages = Prepare(report);
  EXPECT_EQ(Texts(pages), (std::vector<QStringList>{
                              {"Kopf 1/2", "Titel Test", "Spalte", "r0", "r1", "r2", "r3", "Fuß"},
                              {"Kopf 2/2", "Spalte", "r4", "r5", "r6", "Fuß"},
                          }));
  // Objects sit at their band's place plus their own offset.
  const double paperHeight = MillimetresToLayout(100);
  EXPECT_EQ(pages[0].Objects[0]->Bounds.topLeft(), QPointF(5, 1));
  EXPECT_EQ(pages[0].Objects[3]->Bounds.top(), 20 + 100 + 10 + 1);
  EXPECT_EQ(pages[0].Objects[7]->Bounds.top(), paperHeight - 20 + 1);
  EXPECT_EQ(pages[1].Objects[2]->Bounds.top(), 20 + 10 + 1);
}

// A row whose remark wraps onto more lines than its cell holds grows, with every cell
// that reaches the band's bottom; the rows below move down; other rows keep the
// band's height.
TEST_F(ReportPreparation, ARowGrowsUntilItsLongTextIsWhole) {
  table.Close();
  table.Open();
  for (const char* remark :
       {"", "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = 6.2184312e+15 bei x = -1.5707963", ""}) {
    table.Append();
    table.FieldByName("ID").setValue(table.RecordCount());
    table.FieldByName("ResultMessage").setValue(QString::fromUtf8(remark));
    table.Post();
  }
  TqorReportTemplate report = Template(
      "<Band Type=\"MasterData\" Height=\"26\" DataSet=\"Nullstellen\">"
      "<Text Name=\"nr\" Left=\"0\" Top=\"0\" Width=\"30\" Height=\"26\" Text=\"[Nullstellen.&quot;ID&quot;]\"/>"
      "<Text Name=\"mark\" Left=\"30\" Top=\"2\" Width=\"20\" Height=\"10\" Text=\"x\"/>"
      "<Text Name=\"remark\" Left=\"50\" Top=\"0\" Width=\"138\" Height=\"26\" FontSize=\"8\" "
      "Text=\"[Nullstellen.&quot;ResultMessage&quot;]\"/></Band>");
  const std::vector<TqorPreparedPage> pages = Prepare(report);
  ASSERT_GE(pages[0].Objects.size(), 9u);
  const auto bounds = [&](int Row, int Object) {
    return pages[0].Objects[static_cast<std::size_t>(3 * Row + Object)]->Bounds;
  };
  EXPECT_EQ(bounds(0, 0), QRectF(0, 0, 30, 26)) << "a short row keeps the band's height";
  EXPECT_EQ(bounds(0, 2).height(), 26);
  const auto* remark = dynamic_cast<const TqorReportText*>(pages[0].Objects[5].get());
  ASSERT_NE(remark, nullptr);
  const double grown = bounds(1, 2).height();
  EXPECT_GT(grown, 26 + 10) << "at least one line more";
  EXPECT_DOUBLE_EQ(grown, remark->NeededHeight()) << "the remark is whole";
  EXPECT_EQ(bounds(1, 0).height(), grown) << "the row's other cells grow with it";
  EXPECT_EQ(bounds(1, 1).height(), 10) << "an object above the band's bottom keeps its size";
  EXPECT_EQ(bounds(2, 0).top(), 26 + grown) << "the next row starts below";
  EXPECT_EQ(bounds(2, 0).height(), 26);
}

TEST_F(ReportPreparation, FillsInWhatIsKnownAndKeepsTheRestAsWritten) {
  table.setRecNo(2);
  const struct {
    const char* text;
    const char* printed;
  } cases[] = {
      {"[Name] und [name]", "Test und Test"},
      {"[Nix]", "[Nix]"},
      {"[Nullstellen.&quot;Nix&quot;]", "[Nullstellen.\"Nix\"]"},
      {"[Andere.&quot;ID&quot;]", "[Andere.\"ID\"]"},
      {"[ nullstellen.&quot;xroot&quot; ]", "2,5000000"},
      {"[page#] von [TOTALPAGES#]", "1 von 1"},
      {"offen [Name", "offen [Name"},
      {"[] [Name]]", "[] Test]"},
  };
  TDefaultLocale locale("de_DE");
  for (const auto& c : cases) {
    TqorReportTemplate report = Template(Band("ReportTitle", 20, c.text));
    EXPECT_EQ(Texts(Prepare(report)), (std::vector<QStringList>{{QString::fromUtf8(c.printed)}})) << c.text;
  }
}

TEST_F(ReportPreparation, PrintsADataBandWithoutItsTableOnceAsWritten) {
  TqorReportTemplate report = Template(Band("MasterData", 20, "[Fehlt.&quot;ID&quot;]", "Fehlt"));
  EXPECT_EQ(Texts(Prepare(report)), (std::vector<QStringList>{{"[Fehlt.\"ID\"]"}}));
}

TEST_F(ReportPreparation, AnEmptyTableGivesItsHeaderAndNoRows) {
  table.Close();
  table.Open();
  TqorReportTemplate report = Template(Band("Header", 10, "Spalte") +
                                       Band("MasterData", 20, "[Nullstellen.&quot;ID&quot;]", "Nullstellen"));
  EXPECT_EQ(Texts(Prepare(report)), (std::vector<QStringList>{{"Spalte"}}));
}

// An optional data band belongs to a table the report binds only sometimes: bound, it
// prints as any data band, even without rows; unbound, it is left out with its header,
// and the bands around it keep their places.
TEST_F(ReportPreparation, AnOptionalDataBandWithoutItsTableIsLeftOutWithItsHeader) {
  TqorMemoryDataset extrema;
  FillRootTable(extrema, {});
  const QByteArray bands = Band("ReportTitle", 10, "Titel") + Band("Header", 10, "Spalte") +
                           Band("MasterData", 20, "r[Nullstellen.&quot;ID&quot;]", "Nullstellen") +
                           Band("Header", 10, "Extrema") +
                           QByteArray(
                               "<Band Type=\"MasterData\" Height=\"20\" DataSet=\"Extrema\" Optional=\"true\">"
                               "<Text Name=\"e\" Text=\"e[Extrema.&quot;ID&quot;]\"/></Band>") +
                           Band("ReportTitle", 10, "Ende");
  const QStringList roots = {"Titel", "Spalte", "r0", "r1", "r2", "r3", "r4", "r5", "r6"};
  const struct {
    const char* Name;
    int ExtremaRows;  // -1: the table is not bound
    QStringList Printed;
  } cases[] = {
      {"not bound", -1, roots + QStringList{"Ende"}},
      {"bound without rows", 0, roots + QStringList{"Extrema", "Ende"}},
      {"bound with rows", 2, roots + QStringList{"Extrema", "e0", "e1", "Ende"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    extrema.Close();
    extrema.Open();
    for (int id = 0; id < c.ExtremaRows; ++id) {
      extrema.Append();
      extrema.FieldByName("ID").setValue(id);
      extrema.Post();
    }
    dataSets.erase(dataSets.begin() + 1, dataSets.end());
    if (c.ExtremaRows >= 0) dataSets.emplace_back("Extrema", extrema);
    TqorReportTemplate report = Template(bands);
    report.Page.PaperSize.setHeight(1000);
    const std::vector<TqorPreparedPage> pages = Prepare(report);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages)[0], c.Printed);
  }
}

// A binding's own text prints its values; another table's fields keep their display text.
TEST_F(ReportPreparation, PrintsATablesValuesByItsBindingsText) {
  TqorMemoryDataset other;
  FillRootTable(other, {});
  other.Append();
  other.FieldByName("xRoot").setValue(0.25);
  other.Post();
  dataSets[0].Text = [](const TqorField& Field, int Row) {
    return Field.FieldName() + "@" + QString::number(Row) + "=" + Field.DisplayTextAt(Row);
  };
  dataSets.emplace_back("Andere", other);
  TDefaultLocale locale("de_DE");
  TqorReportTemplate report = Template(
      Band("MasterData", 20, "[Nullstellen.&quot;xRoot&quot;] [Andere.&quot;xRoot&quot;]", "Nullstellen"));
  report.Page.PaperSize.setHeight(1000);
  const QStringList printed = Texts(Prepare(report))[0];
  ASSERT_EQ(printed.size(), 7);
  EXPECT_EQ(printed[0], "xRoot@0=0,5000000 0,2500000");
  EXPECT_EQ(printed[6], "xRoot@6=6,5000000 0,2500000");
}

TEST_F(ReportPreparation, ABandTallerThanAPageGetsAPageOfItsOwn) {
  TqorReportTemplate report = Template(Band("ReportTitle", 10, "a") + Band("ReportTitle", 1000, "b") +
                                       Band("ReportTitle", 10, "c"));
  EXPECT_EQ(Texts(Prepare(report)), (std::vector<QStringList>{{"a"}, {"b"}, {"c"}}));
}

TEST_F(ReportPreparation, RefusesPageBandsThatFillThePage) {
  TqorReportTemplate report = Template(Band("PageHeader", 200, "") + Band("PageFooter", 200, ""));
  try {
    Prepare(report);
    FAIL() << "prepared a page without room";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(),
              "Seitenkopf und Seitenfuß lassen zwischen den Seitenrändern keinen Platz für den Inhalt.");
  }
}

TEST_F(ReportPreparation, AsksForEachPictureBeforePrintingItsCopy) {
  TqorReportTemplate report = Template(
      "<Band Type=\"MasterData\" DataSet=\"Nullstellen\" Height=\"40\">"
      "<Picture Name=\"pic\" Width=\"20\" Height=\"10\"/><Text Name=\"t\" "
      "Text=\"[Nullstellen.&quot;ID&quot;]\"/></Band>");
  table.Close();
  table.Open();
  table.Append();
  table.FieldByName("ID").setValue(1);
  table.Append();
  table.FieldByName("ID").setValue(2);
  table.Post();
  std::vector<TqorReportObject*> asked;
  // The first row gets a picture, the second none.
  const std::vector<TqorPreparedPage> pages = Prepare(report, [&asked](TqorReportObject& Sender) {
    asked.push_back(&Sender);
    if (auto* picture = dynamic_cast<TqorReportPicture*>(&Sender)) {
      QByteArray png;
      QBuffer stream(&png);
      stream.open(QIODevice::ReadWrite);
      if (asked.size() == 1) QImage(2, 2, QImage::Format_RGB32).save(&stream, "PNG");
      picture->LoadFromStream(stream);
    }
  });
  const auto& objects = report.Page.Bands[0]->Objects;
  EXPECT_EQ(asked,
            (std::vector<TqorReportObject*>{objects[0].get(), objects[1].get(), objects[0].get(), objects[1].get()}));
  ASSERT_EQ(pages[0].Objects.size(), 4u);
  EXPECT_TRUE(dynamic_cast<const TqorReportPicture&>(*pages[0].Objects[0]).HasPicture());
  EXPECT_FALSE(dynamic_cast<const TqorReportPicture&>(*pages[0].Objects[2]).HasPicture());
}

}  // namespace
