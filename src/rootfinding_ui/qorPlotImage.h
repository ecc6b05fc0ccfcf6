#pragma once
// The screen image of a plot.

#include <QImage>
#include <QSize>
#include <QWidget>

class TqorMetafile;

// Shows a plot drawing at the widget's own size. The drawing is played from its
// records onto an image of exactly the widget's pixels, never scaled as a bitmap, so
// lines stay one pixel wide and text keeps its point size. When the widget changes
// size it signals Resized: the owner draws the plot anew at that size and shows it.
class TqorPlotImage : public QWidget {
  Q_OBJECT

public:
  explicit TqorPlotImage(QWidget* parent = nullptr);

  // Plays Metafile, stretched to the widget's current size, onto a new white image
  // and shows it. Raises Exception for a malformed metafile, after showing the
  // records before the fault.
  void ShowMetafile(const TqorMetafile& Metafile);
  // The image shown, in device pixels; null until the first ShowMetafile.
  const QImage& Image() const { return FImage; }

signals:
  // The widget has the new size Size.
  void Resized(QSize Size);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  QImage FImage;
};
