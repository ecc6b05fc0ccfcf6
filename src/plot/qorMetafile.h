#pragma once
// The enhanced metafile of the plotting library and the canvas that records into it.

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include "qorCanvas.h"

class QPainter;

// A drawing held as an enhanced metafile (EMF) in memory: the bytes are exactly those
// of an .emf file, so saving writes them unchanged and any EMF reader can open them.
// A plot records its drawing once per size through a TqorMetafileCanvas; windows,
// printers and exports then replay the records with QPainter, stretched to their own
// rectangle, instead of drawing the plot again. The picture is Width x Height pixels
// at 96 pixels per inch.
class TqorMetafile {
public:
  // Picture size in pixels; a recording canvas draws within it.
  int Width() const { return FWidth; }
  void setWidth(int value) { FWidth = value; }
  int Height() const { return FHeight; }
  void setHeight(int value) { FHeight = value; }

  // The EMF bytes; empty until a recording canvas has been closed on the metafile.
  const QByteArray& Bytes() const { return FBytes; }
  bool Empty() const { return FBytes.isEmpty(); }
  // Forgets the drawing; the size stays.
  void Clear() { FBytes.clear(); }

  // Draws the records stretched onto target (nothing when empty). Raises Exception
  // when the bytes are not a well-formed metafile.
  void Play(QPainter& painter, const QRectF& target) const;
  // The picture played onto a white image of size (the picture size when invalid);
  // a null image when that size has no pixels.
  QImage ToImage(QSize size = QSize()) const;
  // The picture as PNG, SVG and PDF data at its own size (PDF: one page, 96 dpi); no
  // PNG data for a picture without pixels.
  QByteArray ToPng() const;
  QByteArray ToSvg() const;
  QByteArray ToPdf() const;

  // Writes the EMF bytes to fileName, whatever its extension. Raises EInOutError when
  // the file cannot be written or there is nothing to write; an existing file is then
  // left as it was.
  void SaveToFile(const QString& fileName) const;
  // Writes PNG, SVG or PDF by the extension of fileName (any case), EMF for every
  // other extension; fails like SaveToFile.
  void ExportToFile(const QString& fileName) const;

private:
  friend class TqorMetafileCanvas;
  int FWidth = 0;
  int FHeight = 0;
  QByteArray FBytes;
};

// A canvas that records every call as EMF records (MS-EMF), text measured with
// QFontMetrics at 96 pixels per inch (a QGuiApplication must exist). Pens, brushes and
// fonts become GDI objects when a drawing call first uses them; a run of LineTo calls
// becomes one EMR_POLYLINETO16 record (a single one EMR_LINETO), FillRect a pattern
// EMR_BITBLT. Opening the canvas clears the metafile; destroying it completes the
// metafile (end record and header), also when drawing raised.
class TqorMetafileCanvas : public TqorCanvas {
public:
  explicit TqorMetafileCanvas(TqorMetafile& metafile);
  ~TqorMetafileCanvas() override;
  TqorMetafileCanvas(const TqorMetafileCanvas&) = delete;
  TqorMetafileCanvas& operator=(const TqorMetafileCanvas&) = delete;

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const QPoint> points) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void FillRect(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, const QString& text) override;
  QSize TextExtent(const QString& text) override;

private:
  class TRecorder;
  TqorMetafile& FMetafile;
  std::unique_ptr<TRecorder> FRecorder;
};
