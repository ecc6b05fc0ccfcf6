#include "qorReportPrint.h"

#include "qorException.h"
#include "qorFileIO.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {
// Dots per inch of written PDF files: as fine as the printers that print them.
constexpr int PdfResolution = 1200;

[[noreturn]] void CannotWrite(const QString& FileName, const QString& Reason) {
  throw EInOutError(FileMessage(MsgCannotWriteFile, FileName, Reason).toStdString());
}
}  // namespace

QPageLayout ReportPageLayout(const TqorReportPage& Page) {
  const QSizeF paper = Page.PaperSize;
  const bool landscape = paper.width() > paper.height();
  const QPageSize size(landscape ? paper.transposed() : paper, QPageSize::Millimeter);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(),
                     QPageLayout::Millimeter);
}

void PaintPreparedPages(const std::vector<TqorPreparedPage>& Pages, QPainter& Painter, QPagedPaintDevice& Device) {
  const double scale = Device.logicalDpiX() / ReportLayoutDpi;
  for (std::size_t i = 0; i < Pages.size(); ++i) {
    if (i > 0) Device.newPage();
    for (const auto& object : Pages[i].Objects) {
      const QRectF& bounds = object->Bounds;
      object->Paint(Painter, QRectF(bounds.topLeft() * scale, bounds.size() * scale), scale);
    }
  }
}

// The PDF is made in memory and then written in one piece, so that a full disk can
// never leave a cut-off report in place of an old one.
void WritePreparedPagesToPdf(const std::vector<TqorPreparedPage>& Pages, const TqorReportPage& Page,
                             const QString& Title, const QString& FileName) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(PdfResolution);
    writer.setPageLayout(ReportPageLayout(Page));
    writer.setTitle(Title);
    writer.setCreator(QCoreApplication::applicationName());
    QPainter painter(&writer);
    if (!painter.isActive()) CannotWrite(FileName, QStringLiteral("Die PDF-Ausgabe lässt sich nicht beginnen."));
    PaintPreparedPages(Pages, painter, writer);
  }
  WriteWholeFile(FileName, pdf);
}
