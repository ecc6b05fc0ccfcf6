#include "qorReportTemplate.h"

#include "qorException.h"
#include "qorMetafile.h"
#include "qorReportTestSupport.h"
#include "qorTestQtApp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <utility>
#include <vector>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

const QString Source = QStringLiteral("mem.fr3");

// The message that Read raises for Bytes, or "" when it reads.
std::string ReadError(const QByteArray& Bytes) {
  TqorReportTemplate report;
  try {
    report.Read(Bytes, Source);
  } catch (const Exception& error) {
    EXPECT_TRUE(report.Page.Bands.empty());
    return error.Message();
  }
  return {};
}

QByteArray InBand(const QByteArray& Objects) {
  return "<Report><Page><Band Type=\"ReportTitle\" Height=\"40\">" + Objects + "</Band></Page></Report>";
}

const QByteArray Complete = R"(<?xml version="1.0" encoding="UTF-8"?>
<Report>
  <Page PaperWidth="297" PaperHeight="210" LeftMargin="20" TopMargin="12" RightMargin="11" BottomMargin="13">
    <Band Type="PageHeader" Height="30">
      <Text Name="txtTitle" Left="4" Top="2" Width="300" Height="24" Frame="Left,Bottom" FrameWidth="1.5"
            FrameColor="#102030" FontName="Courier New" FontSize="14" Bold="true" Italic="true" FontColor="#ff0000"
            Fill="#eeeeee" HAlign="Center" VAlign="Bottom" WordWrap="false" Text="Zeile 1&#10;Zeile 2 &amp; &lt;x&gt; &quot;q&quot;"/>
    </Band>
    <Band Type="MasterData" DataSet="Nullstellen" Height="16" Optional="true">
      <Picture Name="picPlot2D" Left="0" Top="0" Width="200.5" Height="100" Frame="All"/>
      <Line Name="linRow" Left="0" Top="15" Width="600" Height="0" LineWidth="0.5" Color="#00ff00"/>
    </Band>
  </Page>
</Report>
)";

TEST(ReportTemplate, ReadsEveryPartOfATemplate) {
  TqorReportTemplate report;
  report.Read(Complete, Source);
  EXPECT_TRUE(report.Warnings.isEmpty());
  EXPECT_EQ(report.Page.PaperSize, QSizeF(297, 210));
  EXPECT_EQ(report.Page.Margins, QMarginsF(20, 12, 11, 13));
  ASSERT_EQ(report.Page.Bands.size(), 2u);
  const TqorReportBand& header = *report.Page.Bands[0];
  EXPECT_EQ(header.Type, TqorBandType::PageHeader);
  EXPECT_EQ(header.Height, 30);
  const auto& text = dynamic_cast<const TqorReportText&>(*header.Objects.at(0));
  EXPECT_EQ(text.Name, "txtTitle");
  EXPECT_EQ(text.Bounds, QRectF(4, 2, 300, 24));
  EXPECT_EQ(text.Frame, fsLeft | fsBottom);
  EXPECT_EQ(text.FrameWidth, 1.5);
  EXPECT_EQ(text.FrameColor, QColor(0x10, 0x20, 0x30));
  EXPECT_EQ(text.FontName, "Courier New");
  EXPECT_EQ(text.FontSize, 14);
  EXPECT_TRUE(text.Bold && text.Italic && !text.WordWrap);
  EXPECT_EQ(text.FontColor, QColor(Qt::red));
  EXPECT_EQ(text.Fill, QColor(0xee, 0xee, 0xee));
  EXPECT_EQ(text.HAlign, TqorHAlign::Center);
  EXPECT_EQ(text.VAlign, TqorVAlign::Bottom);
  EXPECT_EQ(text.Text, "Zeile 1\nZeile 2 & <x> \"q\"");
  const TqorReportBand& data = *report.Page.Bands[1];
  EXPECT_EQ(data.Type, TqorBandType::MasterData);
  EXPECT_EQ(data.DataSetName, "Nullstellen");
  EXPECT_TRUE(data.Optional);
  EXPECT_FALSE(header.Optional);
  const auto& picture = dynamic_cast<const TqorReportPicture&>(*data.Objects.at(0));
  EXPECT_EQ(picture.Bounds, QRectF(0, 0, 200.5, 100));
  EXPECT_EQ(picture.Frame, fsAll);
  const auto& line = dynamic_cast<const TqorReportLine&>(*data.Objects.at(1));
  EXPECT_EQ(line.LineWidth, 0.5);
  EXPECT_EQ(line.Color, QColor(Qt::green));
}

// An element of a template file as the XML holds it: its name, its attributes in their
// order and its child elements.
struct TXmlElement {
  QString Name;
  std::vector<std::pair<QString, QString>> Attributes;
  std::vector<TXmlElement> Children;
};

// The elements of Bytes below the document, read with another parser than the
// template's, so that a fault shared by reading and writing cannot hide.
TXmlElement ParseXml(const QByteArray& Bytes) {
  QXmlStreamReader reader(Bytes);
  TXmlElement document;
  std::vector<TXmlElement*> open{&document};
  while (!reader.atEnd()) {
    reader.readNext();
    if (reader.isStartElement()) {
      TXmlElement element{reader.name().toString(), {}, {}};
      for (const QXmlStreamAttribute& attribute : reader.attributes())
        element.Attributes.emplace_back(attribute.name().toString(), attribute.value().toString());
      open.back()->Children.push_back(std::move(element));
      open.push_back(&open.back()->Children.back());
    } else if (reader.isEndElement()) {
      open.pop_back();
    }
  }
  EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
  return document;
}

// Numbers may be written in another form ("12" for "12.0"); everything else must match
// word for word.
bool SameAttributeValue(const QString& Original, const QString& Written) {
  if (Original == Written) return true;
  bool originalIsNumber = false;
  bool writtenIsNumber = false;
  const double original = Original.toDouble(&originalIsNumber);
  const double written = Written.toDouble(&writtenIsNumber);
  return originalIsNumber && writtenIsNumber && original == written;
}

// Written holds the elements of Original in the same order and nesting, and every
// attribute Original gives with the same value. The template writes every attribute,
// so Written may name ones Original leaves to their defaults.
void ExpectKeeps(const TXmlElement& Original, const TXmlElement& Written, const QString& Path) {
  ASSERT_EQ(Written.Name, Original.Name) << Path.toStdString();
  const QString path = Original.Name.isEmpty() ? Path : Path + u'/' + Original.Name;
  for (const auto& [name, value] : Original.Attributes) {
    const auto written = std::find_if(Written.Attributes.begin(), Written.Attributes.end(),
                                      [&](const auto& attribute) { return attribute.first == name; });
    if (written == Written.Attributes.end()) {
      ADD_FAILURE() << path.toStdString() << " lost " << name.toStdString();
      continue;
    }
    EXPECT_TRUE(SameAttributeValue(value, written->second))
        << path.toStdString() << " " << name.toStdString() << ": '" << value.toStdString() << "' became '"
        << written->second.toStdString() << "'";
  }
  ASSERT_EQ(Written.Children.size(), Original.Children.size()) << path.toStdString();
  for (std::size_t i = 0; i < Original.Children.size(); ++i)
    ExpectKeeps(Original.Children[i], Written.Children[i], path);
}

TEST(ReportTemplate, WritesBackEveryElementAndAttributeItRead) {
  QFile shipped(QStringLiteral(QOR_SHIPPED_TEMPLATES "/kaloPlot2D.fr3"));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"every attribute set", Complete},
      {"the shipped template", shipped.readAll()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TqorReportTemplate report;
    report.Read(c.bytes, Source);
    ExpectKeeps(ParseXml(c.bytes), ParseXml(report.Write()), QString());
  }
}

TEST(ReportTemplate, ShippedTemplateReadsWithoutNotes) {
  TqorReportTemplate report;
  report.LoadFromFile(QStringLiteral(QOR_SHIPPED_TEMPLATES "/kaloPlot2D.fr3"));
  EXPECT_TRUE(report.Warnings.isEmpty()) << report.Warnings.join('\n').toStdString();
  ASSERT_EQ(report.Page.Bands.size(), 7u);
  // The roots are always printed; the extrema only by a calculation that searched them.
  EXPECT_EQ(report.Page.Bands[3]->DataSetName, "Nullstellen");
  EXPECT_FALSE(report.Page.Bands[3]->Optional);
  EXPECT_EQ(report.Page.Bands[5]->DataSetName, "Extrema");
  EXPECT_TRUE(report.Page.Bands[5]->Optional);
}

TEST(ReportTemplate, RefusesWhatIsNoTemplateWithTheReason) {
  const std::string prefix = "Die Berichtsvorlage 'mem.fr3' kann nicht gelesen werden. ";
  const struct {
    const char* name;
    QByteArray bytes;
    std::string reason;
  } cases[] = {
      {"empty", "", "Sie ist leer."},
      {"blanks", " \r\n\t", "Sie ist leer."},
      {"plain text", "Hallo Welt", "Sie enthält kein gültiges XML (Fehler in Zeile 1)."},
      {"broken XML", "<Report>\n<Page>\n</Report>", "Sie enthält kein gültiges XML (Fehler in Zeile 3)."},
      {"other document", "<RootFinding/>",
       "Sie ist keine Berichtsvorlage (Dokumentelement 'RootFinding' statt 'Report')."},
      {"no page", "<Report><Band Type=\"ReportTitle\"/></Report>", "Sie enthält keine Seite (Element 'Page')."},
      {"word as size", InBand("<Text Name=\"t\" Width=\"abc\"/>"),
       "Das Attribut 'Width' von Text 't' muss eine Zahl von 0 bis 100000 sein: 'abc'."},
      {"NaN as size", InBand("<Picture Name=\"p\" Height=\"nan\"/>"),
       "Das Attribut 'Height' von Picture 'p' muss eine Zahl von 0 bis 100000 sein: 'nan'."},
      {"negative band", "<Report><Page><Band Type=\"Header\" Height=\"-1\"/></Page></Report>",
       "Das Attribut 'Height' von Band muss eine Zahl von 0 bis 100000 sein: '-1'."},
      {"huge position", InBand("<Line Left=\"1e9\"/>"),
       "Das Attribut 'Left' von Line muss eine Zahl von -100000 bis 100000 sein: '1e9'."},
      {"no paper", "<Report><Page PaperWidth=\"0\"/></Report>",
       "Das Attribut 'PaperWidth' von Page muss eine Zahl von 10 bis 10000 sein: '0'."},
      {"font size 0", InBand("<Text Name=\"t\" FontSize=\"0\"/>"),
       "Das Attribut 'FontSize' von Text 't' muss eine Zahl von 1 bis 400 sein: '0'."},
      {"boolean", InBand("<Text Name=\"t\" Bold=\"ja\"/>"),
       "Das Attribut 'Bold' von Text 't' muss \"true\" oder \"false\" sein: 'ja'."},
      {"colour", InBand("<Text Name=\"t\" FontColor=\"grünlich\"/>"),
       "Das Attribut 'FontColor' von Text 't' muss eine Farbe wie #RRGGBB sein: 'grünlich'."},
      {"alignment", InBand("<Text Name=\"t\" HAlign=\"Mitte\"/>"),
       "Das Attribut 'HAlign' von Text 't' muss eines von \"Left\", \"Center\", \"Right\" sein: 'Mitte'."},
      {"frame", InBand("<Picture Name=\"p\" Frame=\"Left,Oben\"/>"),
       "Das Attribut 'Frame' von Picture 'p' muss \"All\" oder eine Liste aus Left, Top, Right, Bottom sein: "
       "'Left,Oben'."},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadError(c.bytes), prefix + c.reason) << c.name;
}

TEST(ReportTemplate, LeavesOutUnknownPartsWithANoteEach) {
  TqorReportTemplate report;
  report.Read(R"(<Report>
    <Page>
      <Band Type="Summary" Height="20"><Text Name="lost"/></Band>
      <Band Type="MasterData" DataSet="Nullstellen" Height="16"><Chart Name="c"/><Text Name="kept"/></Band>
      <Script/>
    </Page>
    <Page/>
  </Report>)",
              Source);
  ASSERT_EQ(report.Page.Bands.size(), 1u);
  ASSERT_EQ(report.Page.Bands[0]->Objects.size(), 1u);
  EXPECT_EQ(report.Page.Bands[0]->Objects[0]->Name, "kept");
  EXPECT_EQ(report.Warnings, QStringList({
                                 "Das Band des unbekannten Typs 'Summary' wurde übergangen.",
                                 "Das unbekannte Element 'Chart' in Band wurde übergangen.",
                                 "Das unbekannte Element 'Script' in Page wurde übergangen.",
                                 "Das unbekannte Element 'Page' in Report wurde übergangen.",
                             }));
}

TEST(ReportTemplate, RefusesFilesThatAreNoTemplateBeforeReading) {
  QTemporaryDir folder;
  const QString missing = folder.filePath("fehlt.fr3");
  const std::string prefix = "Die Berichtsvorlage '" + QDir::toNativeSeparators(missing).toStdString() + "'";
  TqorReportTemplate report;
  try {
    report.LoadFromFile(missing);
    FAIL() << "a missing file was read";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), prefix + " kann nicht gelesen werden. Sie existiert nicht.");
  }
  try {
    report.LoadFromFile(folder.path());
    FAIL() << "a folder was read";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Die Berichtsvorlage '" + QDir::toNativeSeparators(folder.path()).toStdString() +
                                   "' kann nicht gelesen werden. Das ist keine gewöhnliche Datei.");
  }
}

TEST(ReportTemplate, SavesAtomicallyAndReportsWhereItCannot) {
  QTemporaryDir folder;
  TqorReportTemplate report;
  report.Read(Complete, Source);
  const QString fileName = folder.filePath("kaloPlot2D.fr3");
  report.SaveToFile(fileName);
  QFile saved(fileName);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  ExpectKeeps(ParseXml(Complete), ParseXml(saved.readAll()), QString());
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"kaloPlot2D.fr3"}));

  const QString unreachable = folder.filePath("fehlt/kaloPlot2D.fr3");
  try {
    report.SaveToFile(unreachable);
    FAIL() << "saved into a missing folder";
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.Message().rfind("Die Berichtsvorlage '" + QDir::toNativeSeparators(unreachable).toStdString() +
                                        "' kann nicht gespeichert werden: ",
                                    0),
              0u)
        << error.Message();
  }
}

// A plot-like drawing as enhanced-metafile bytes.
QByteArray SampleMetafile() {
  TqorMetafile metafile;
  metafile.setWidth(40);
  metafile.setHeight(30);
  {
    TqorMetafileCanvas canvas(metafile);
    canvas.MoveTo(0, 0);
    canvas.LineTo(39, 29);
  }
  return metafile.Bytes();
}

TEST(ReportPicture, TakesMetafilesAndImagesAndDropsTheRest) {
  const QByteArray metafile = SampleMetafile();
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(3, 2, QImage::Format_RGB32).save(&buffer, "PNG");
  }
  QByteArray truncated = metafile.left(metafile.size() - 24);
  const struct {
    const char* name;
    QByteArray data;
    bool hasPicture;
    bool isMetafile;
  } cases[] = {
      {"metafile", metafile, true, true},
      {"PNG image", png, true, false},
      {"empty stream", QByteArray(), false, false},
      {"no picture data", "kein Bild", false, false},
      {"metafile cut short", truncated, false, false},
  };
  for (const auto& c : cases) {
    TqorReportPicture picture;
    QBuffer start(const_cast<QByteArray*>(&metafile));
    start.open(QIODevice::ReadOnly);
    picture.LoadFromStream(start);
    QByteArray data = c.data;
    QBuffer stream(&data);
    stream.open(QIODevice::ReadOnly);
    stream.seek(data.size());
    picture.LoadFromStream(stream);
    EXPECT_EQ(picture.HasPicture(), c.hasPicture) << c.name;
    EXPECT_EQ(picture.Metafile() == metafile, c.isMetafile) << c.name;
  }
}

}  // namespace
