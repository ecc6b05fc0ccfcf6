#pragma once
// What a PDF file holds, as the poppler tools read it: its text and its fonts.

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The standard output of the poppler tool Tool run with Args; "<Tool failed>" when it
// does not run or fails.
inline QString PopplerOutput(const QString& Tool, const QStringList& Args) {
  QProcess process;
  process.start(Tool, Args);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return '<' + Tool + QStringLiteral(" failed>");
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a PDF file in the order it is drawn, pages separated by form feeds, on
// each page every run of spaces and line breaks made one space: where a line wraps
// depends on the font's widths, what the page says does not.
inline QString PdfText(const QString& FileName) {
  QStringList pages =
      PopplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), FileName, QStringLiteral("-")}).split(u'\f');
  for (QString& page : pages) page = page.simplified();
  return pages.join(u'\f');
}

// The names of the fonts a PDF file embeds, without subset prefixes: "LiberationSans-Bold".
inline QStringList PdfFonts(const QString& FileName) {
  const QStringList lines = PopplerOutput(QStringLiteral("pdffonts"), {FileName}).split(u'\n', Qt::SkipEmptyParts);
  QStringList fonts;
  // Two lines of column headings, then one font a line, its name first.
  for (const QString& line : lines.mid(2))
    fonts << line.section(u' ', 0, 0).remove(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+")));
  return fonts;
}
