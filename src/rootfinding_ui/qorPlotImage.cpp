#include "qorPlotImage.h"

#include <QPainter>
#include <QResizeEvent>

#include "qorMetafile.h"

TqorPlotImage::TqorPlotImage(QWidget* parent) : QWidget(parent) {
  // Every pixel is painted, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
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

void TqorPlotImage::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  painter.drawImage(QPointF(0, 0), FImage);
}

void TqorPlotImage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  emit Resized(event->size());
}
