#pragma once
// Prepared pages onto paper: a printer, the preview's printer or a PDF file. The
// template's margins are part of the drawing, so the device's page has none.

#include "qorReportPreparation.h"

#include <QPageLayout>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;

// The paper of Page without margins, portrait or landscape by its proportions.
QPageLayout ReportPageLayout(const TqorReportPage& Page);

// Draws Pages onto Device through Painter (active on Device), one device page each.
void PaintPreparedPages(const std::vector<TqorPreparedPage>& Pages, QPainter& Painter, QPagedPaintDevice& Device);

// Writes Pages as the PDF file FileName titled Title, replacing it atomically.
// Raises EInOutError when the file cannot be written; an existing file then stays.
void WritePreparedPagesToPdf(const std::vector<TqorPreparedPage>& Pages, const TqorReportPage& Page,
                             const QString& Title, const QString& FileName);
