#include "qorPlotImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QRubberBand>

#include "qorMetafile.h"

TqorPlotImage::TqorPlotImage(QWidget* parent) : QWidget(parent), FBand(new QRubberBand(QRubberBand::Rectangle, this)) {
  // Every pixel is painted, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  // A click on the plot takes the keyboard, so that keys for the plot reach the window
  // and not the input field that had it.
  setFocusPolicy(Qt::ClickFocus);
  setCursor(Qt::CrossCursor);
}

void TqorPlotImage::ShowMetafile(const TqorMetafile& Metafile) {
  const qreal ratio = devicePixelRatioF();
  FImage = QImage(size() * ratio, QImage::Format_RGB32);
  FImage.setDevicePixelRatio(ratio);
  FImage.fill(Qt::white);
  update();
  QPainter painter(&FImage);
  Metafile.Play(painter, QRectF(QPointF(0, 0), size()));
}

void TqorPlotImage::setHighlight(std::optional<QPoint> Centre, int Radius) {
  if (Centre == FHighlight && Radius == FHighlightRadius) return;
  FHighlight = Centre;
  FHighlightRadius = Radius;
  update();
}

void TqorPlotImage::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  painter.drawImage(QPointF(0, 0), FImage);
  if (!FHighlight) return;
  painter.setPen(Qt::black);
  painter.setBrush(Qt::black);
  const int r = FHighlightRadius;
  painter.drawEllipse(QRect(FHighlight->x() - r, FHighlight->y() - r, 2 * r, 2 * r));
}

void TqorPlotImage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized(event->size());
}

bool TqorPlotImage::Dragging(QPoint Pos) const {
  return FPressed && (Pos - *FPressed).manhattanLength() >= QApplication::startDragDistance();
}

void TqorPlotImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  FPressed = event->position().toPoint();
}

void TqorPlotImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (Dragging(pos)) {
    FBand->setGeometry(QRect(*FPressed, pos).normalized());
    FBand->show();
  }
  emit PointerMoved(pos);
}

void TqorPlotImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !FPressed) return QWidget::mouseReleaseEvent(event);
  const QPoint from = *FPressed;
  const QPoint to = event->position().toPoint();
  const bool dragged = Dragging(to);
  FPressed.reset();
  FBand->hide();
  if (dragged)
    emit Dragged(from, to);
  else
    emit Clicked(to);
}

void TqorPlotImage::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit PointerLeft();
}
