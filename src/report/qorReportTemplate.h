#pragma once
// The layout of a report as its template file holds it: one page with paper size and
// margins, bands stacked on that page, and the text, picture and line objects of each
// band. Positions and sizes of bands and objects are layout units, pixels at 96 per
// inch, so that a picture object asks for exactly as many pixels as it covers on
// paper; paper size and margins are millimetres.
//
// A template file (extension ".fr3") is XML:
//
//   <Report>
//     <Page PaperWidth="210" PaperHeight="297" LeftMargin="20" TopMargin="12"
//           RightMargin="12" BottomMargin="12">
//       <Band Type="MasterData" DataSet="Nullstellen" Height="16">
//         <Text Name="txtRoot" Left="0" Top="0" Width="90" Height="16" FontSize="8"
//               HAlign="Right" Frame="All" Text="[Nullstellen.&quot;xRoot&quot;]"/>
//         <Picture Name="picPlot2D" Left="0" Top="0" Width="672" Height="400"/>
//         <Line Left="0" Top="15" Width="672" Height="0" LineWidth="1"/>
//       </Band>
//     </Page>
//   </Report>
//
// Band types: PageHeader (top of every page), ReportTitle (once, first), Header
// (before the rows of the next MasterData band and again on every page they continue
// on), MasterData (once per row of its data set), PageFooter (bottom of every page).
// A MasterData band with Optional="true" belongs to a table that a report binds only
// sometimes: without its table it is left out together with its Header.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;
class QPainter;

namespace pugi {
class xml_node;
}

// Layout units per inch: a layout unit is one pixel of a 96 dpi screen.
inline constexpr double ReportLayoutDpi = 96.0;
// Layout units of Millimetres.
double MillimetresToLayout(double Millimetres);

// The sides of an object that carry a frame line.
enum TqorFrameSide : int { fsNone = 0, fsLeft = 1, fsTop = 2, fsRight = 4, fsBottom = 8, fsAll = 15 };

// Horizontal and vertical placement of a text in its object.
enum class TqorHAlign { Left, Center, Right };
enum class TqorVAlign { Top, Center, Bottom };

// What every object of a band has: a name, a rectangle relative to its band (Left from
// the page's left margin, Top from the band's top) and an optional frame.
class TqorReportObject {
public:
  virtual ~TqorReportObject() = default;

  QString Name;
  QRectF Bounds;
  int Frame = fsNone;     // TqorFrameSide flags
  double FrameWidth = 1;  // layout units
  QColor FrameColor = Qt::black;

  // The element name in the template file.
  virtual QString TypeName() const = 0;
  // A copy with everything the object holds.
  virtual std::unique_ptr<TqorReportObject> Clone() const = 0;
  // Draws the object into Target (device coordinates); Scale is device pixels per
  // layout unit. The painter's state is left unchanged.
  virtual void Paint(QPainter& Painter, const QRectF& Target, double Scale) const = 0;

  // Reads the object's attributes; raises Exception for a malformed value.
  virtual void Read(const pugi::xml_node& Node);
  // Writes the object's attributes.
  virtual void Write(pugi::xml_node& Node) const;

protected:
  // The frame lines of Frame around Target.
  void PaintFrame(QPainter& Painter, const QRectF& Target, double Scale) const;
};

// Text with [Variable] and [DataSet."Field"] expressions, filled in when pages are
// prepared.
class TqorReportText : public TqorReportObject {
public:
  QString Text;
  QString FontName = QStringLiteral("Arial");
  double FontSize = 10;  // points
  bool Bold = false;
  bool Italic = false;
  QColor FontColor = Qt::black;
  QColor Fill;  // background; invalid for none
  TqorHAlign HAlign = TqorHAlign::Left;
  TqorVAlign VAlign = TqorVAlign::Top;
  bool WordWrap = true;

  QString TypeName() const override;
  std::unique_ptr<TqorReportObject> Clone() const override;
  void Paint(QPainter& Painter, const QRectF& Target, double Scale) const override;
  void Read(const pugi::xml_node& Node) override;
  void Write(pugi::xml_node& Node) const override;
  // The height in layout units that shows Text whole at the object's width, with the
  // gaps to the edges: wrapped at words when WordWrap, else one line per line break.
  // Never less than the object's height, and that height for a text of one line.
  double NeededHeight() const;
};

// A picture that the report's owner supplies while pages are prepared: an enhanced
// metafile (drawn as vectors) or an image in a format Qt reads.
class TqorReportPicture : public TqorReportObject {
public:
  // Replaces the picture by the data of Stream, read from its start; empty or
  // unreadable data leaves the object without a picture.
  void LoadFromStream(QIODevice& Stream);
  bool HasPicture() const { return !FMetafile.isEmpty() || !FImage.isNull(); }
  // The enhanced metafile shown; empty when the picture is none or an image.
  const QByteArray& Metafile() const { return FMetafile; }

  QString TypeName() const override;
  std::unique_ptr<TqorReportObject> Clone() const override;
  void Paint(QPainter& Painter, const QRectF& Target, double Scale) const override;

private:
  QByteArray FMetafile;
  QImage FImage;
};

// A straight line from the top left to the bottom right corner of Bounds (a width or
// height of 0 gives a vertical or horizontal line).
class TqorReportLine : public TqorReportObject {
public:
  double LineWidth = 1;  // layout units
  QColor Color = Qt::black;

  QString TypeName() const override;
  std::unique_ptr<TqorReportObject> Clone() const override;
  void Paint(QPainter& Painter, const QRectF& Target, double Scale) const override;
  void Read(const pugi::xml_node& Node) override;
  void Write(pugi::xml_node& Node) const override;
};

enum class TqorBandType { PageHeader, ReportTitle, Header, MasterData, PageFooter };

// The band type's name in the template file.
QString BandTypeName(TqorBandType Type);

// A horizontal strip of the page with its objects.
class TqorReportBand {
public:
  TqorBandType Type = TqorBandType::ReportTitle;
  double Height = 0;      // layout units
  QString DataSetName;    // the data set a MasterData band repeats over
  bool Optional = false;  // a MasterData band left out, with its Header, when its data set is not bound
  std::vector<std::unique_ptr<TqorReportObject>> Objects;
};

// Paper and bands.
class TqorReportPage {
public:
  QSizeF PaperSize{210, 297};         // millimetres, A4 portrait
  QMarginsF Margins{10, 10, 10, 10};  // millimetres
  std::vector<std::unique_ptr<TqorReportBand>> Bands;

  // The paper in layout units.
  QRectF PaperRect() const;
  // The paper inside the margins, in layout units.
  QRectF PrintableRect() const;
};

// The whole template with the notes of what reading it passed over.
class TqorReportTemplate {
public:
  TqorReportPage Page;
  // What the last read left out (unknown elements and band types), one note each.
  QStringList Warnings;

  // Replaces the content by the template in Bytes; Source names them in messages.
  // Raises Exception when Bytes hold no template ("Die Berichtsvorlage '<Source>' kann
  // nicht gelesen werden. <reason>"), leaving an empty page; unknown parts are left
  // out with a note in Warnings.
  void Read(const QByteArray& Bytes, const QString& Source);
  // Read of the file FileName; a missing file, a folder, a device or a huge file
  // fails with the same message before anything is read.
  void LoadFromFile(const QString& FileName);
  // The template as XML text.
  QByteArray Write() const;
  // Writes the template to FileName, replacing it atomically; raises EInOutError.
  void SaveToFile(const QString& FileName) const;
};
