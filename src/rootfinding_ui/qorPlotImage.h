#pragma once
// The screen image of a plot.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <optional>

class QRubberBand;
class TqorMetafile;

// Shows a plot drawing at the widget's own size. The drawing is played from its
// records onto an image of exactly the widget's pixels, never scaled as a bitmap, so
// lines stay one pixel wide and text keeps its point size. When the widget changes
// size it signals Resized: the owner draws the plot anew at that size and shows it.
// The widget reports the pointer in the drawing's pixels: where it moves, a click, and
// a rectangle dragged with the left button, which it shows while it is dragged. Over
// the drawing it can fill one circle mark, the one the owner highlights.
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

  // Fills the circle of Radius pixels around Centre over the drawing, in black as the
  // marks are outlined; none hides it.
  void setHighlight(std::optional<QPoint> Centre, int Radius);
  std::optional<QPoint> Highlight() const { return FHighlight; }

signals:
  // The widget has the new size Size.
  void Resized(QSize Size);
  // The pointer is at Pos, with no button down.
  void PointerMoved(QPoint Pos);
  // The pointer left the widget.
  void PointerLeft();
  // The left button was pressed and released at Pos without dragging.
  void Clicked(QPoint Pos);
  // The left button was dragged from From to To, further than a click's wobble.
  void Dragged(QPoint From, QPoint To);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  // Whether the pointer at Pos has moved far enough from the press to be a drag.
  bool Dragging(QPoint Pos) const;

  QImage FImage;
  std::optional<QPoint> FHighlight;
  int FHighlightRadius = 0;
  std::optional<QPoint> FPressed;  // where the left button went down
  QRubberBand* FBand = nullptr;    // the dragged rectangle; a child
};
