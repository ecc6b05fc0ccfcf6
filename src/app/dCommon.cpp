#include "dCommon.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace {
// The data module of the program; set by the first one made.
QPointer<TdCommon> TheCommonModule;

// Dense screens get the pictures drawn at this multiple of their size.
constexpr int LargeScale = 2;
// How far the hot look moves each colour towards white, in percent.
constexpr int HotBrightening = 30;
// The disabled look: grey at this share of its brightness towards white, in percent,
// and at this opacity (0 .. 255).
constexpr int DisabledPaling = 45;
constexpr int DisabledAlpha = 160;

const QColor Outline(60, 60, 60);
const QColor Paper(250, 250, 250);
const QColor PaperLine(150, 150, 150);

// Draws one picture on a 16 x 16 grid.
using TImagePainter = std::function<void(QPainter&)>;

QPen Pen(const QColor& Color, qreal Width = 1.0) {
  return QPen(Color, Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with text lines, its top right corner folded.
void DrawSheet(QPainter& P, const QRectF& R) {
  constexpr qreal fold = 3;
  QPainterPath sheet;
  sheet.moveTo(R.topLeft());
  sheet.lineTo(R.right() - fold, R.top());
  sheet.lineTo(R.right(), R.top() + fold);
  sheet.lineTo(R.bottomRight());
  sheet.lineTo(R.bottomLeft());
  sheet.closeSubpath();
  P.setPen(Pen(Outline));
  P.setBrush(Paper);
  P.drawPath(sheet);
  P.setPen(Pen(PaperLine));
  for (qreal y = R.top() + 4; y < R.bottom() - 1; y += 2)
    P.drawLine(QPointF(R.left() + 2, y), QPointF(R.right() - 2, y));
}

void DrawOpen(QPainter& P) {
  P.setPen(Pen(QColor(140, 100, 20)));
  P.setBrush(QColor(230, 180, 60));
  P.drawPolygon(QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
  P.setBrush(QColor(250, 215, 110));
  P.drawPolygon(QPolygonF({{1.5, 13.5}, {4, 7.5}, {15.5, 7.5}, {13.5, 13.5}}));
}

void DrawSave(QPainter& P) {
  P.setPen(Pen(QColor(20, 40, 100)));
  P.setBrush(QColor(50, 90, 180));
  P.drawPolygon(QPolygonF({{1.5, 1.5}, {13, 1.5}, {14.5, 3}, {14.5, 14.5}, {1.5, 14.5}}));
  P.setPen(Qt::NoPen);
  P.setBrush(Paper);
  P.drawRect(QRectF(4, 2, 8, 5));
  P.setBrush(QColor(190, 190, 200));
  P.drawRect(QRectF(4.5, 9.5, 7, 5));
  P.setBrush(QColor(50, 90, 180));
  P.drawRect(QRectF(9, 10.5, 1.5, 3));
}

void DrawCopy(QPainter& P) {
  DrawSheet(P, QRectF(1.5, 1.5, 8, 10));
  DrawSheet(P, QRectF(6.5, 4.5, 8, 10));
}

void DrawPreview(QPainter& P) {
  DrawSheet(P, QRectF(1.5, 0.5, 10, 13));
  P.setPen(Pen(QColor(90, 60, 30), 2.2));
  P.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
  P.setPen(Pen(QColor(40, 40, 40), 1.2));
  P.setBrush(QColor(170, 210, 250, 200));
  P.drawEllipse(QPointF(8, 7.5), 3.6, 3.6);
}

void DrawCalculate(QPainter& P) {
  P.setPen(Pen(QColor(30, 30, 30)));
  P.setBrush(QColor(85, 90, 100));
  P.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.5, 1.5);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(170, 230, 150));
  P.drawRect(QRectF(4, 2, 8, 3));
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const bool equals = row == 2 && col == 2;
      P.setBrush(equals ? QColor(240, 140, 40) : QColor(230, 230, 230));
      P.drawRect(QRectF(4 + col * 3, 6.5 + row * 3, 2, 2));
    }
}

void DrawProperties(QPainter& P) {
  constexpr int teeth = 8;
  constexpr QPointF centre(8, 8);
  QPainterPath gear;
  for (int i = 0; i < 2 * teeth; ++i) {
    // Alternate outer and inner radius, two corners each, so that every tooth is square.
    const qreal radius = (i % 2 == 0) ? 7.2 : 5.2;
    for (const qreal offset : {-0.22, 0.22}) {
      const qreal angle = (i + 0.5 + offset * (i % 2 == 0 ? 1 : -1)) * std::numbers::pi / teeth;
      const QPointF corner = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
      if (gear.elementCount() == 0)
        gear.moveTo(corner);
      else
        gear.lineTo(corner);
    }
  }
  gear.closeSubpath();
  gear.addEllipse(centre, 2.2, 2.2);
  gear.setFillRule(Qt::OddEvenFill);
  P.setPen(Pen(QColor(50, 50, 60)));
  P.setBrush(QColor(150, 155, 170));
  P.drawPath(gear);
}

// The images without a use of their own yet: a rounded square of a colour of its own.
TImagePainter PlainPainter(int Index) {
  return [Index](QPainter& P) {
    constexpr int hueStep = 360 / TdCommon::ImageCount;
    const QColor colour = QColor::fromHsv(Index * hueStep, 150, 210);
    P.setPen(Pen(colour.darker(160)));
    P.setBrush(colour);
    P.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2.5, 2.5);
  };
}

TImagePainter PainterOf(int Index) {
  switch (Index) {
    case ciOpen:
      return DrawOpen;
    case ciSave:
      return DrawSave;
    case ciCopy:
      return DrawCopy;
    case ciPreview:
      return DrawPreview;
    case ciCalculate:
      return DrawCalculate;
    case ciProperties:
      return DrawProperties;
    default:
      return PlainPainter(Index);
  }
}

QImage Draw(const TImagePainter& Painter, int Scale) {
  QImage image(TdCommon::ImageSize * Scale, TdCommon::ImageSize * Scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(Scale, Scale);
  Painter(painter);
  return image;
}

// Applies Change to every pixel's colour, keeping its opacity unless Change sets one.
QPixmap Recoloured(QImage Image, const std::function<QColor(const QColor&)>& Change) {
  Image = Image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x) Image.setPixelColor(x, y, Change(Image.pixelColor(x, y)));
  return QPixmap::fromImage(Image);
}

QColor Towards(const QColor& From, const QColor& To, int Percent) {
  auto mix = [Percent](int a, int b) { return a + (b - a) * Percent / 100; };
  return QColor(mix(From.red(), To.red()), mix(From.green(), To.green()), mix(From.blue(), To.blue()), From.alpha());
}

QColor Hot(const QColor& C) { return Towards(C, Qt::white, HotBrightening); }

QColor Disabled(const QColor& C) {
  const int grey = qGray(C.rgb());
  QColor pale = Towards(QColor(grey, grey, grey), Qt::white, DisabledPaling);
  pale.setAlpha(C.alpha() * DisabledAlpha / 255);
  return pale;
}
}  // namespace

void PaintCommonImage(int Index, QPainter& Painter) {
  if (Index >= 0 && Index < TdCommon::ImageCount) PainterOf(Index)(Painter);
}

TdCommon::TdCommon(QObject* Owner) : QObject(Owner) {
  for (int i = 0; i < ImageCount; ++i) {
    const TImagePainter painter = PainterOf(i);
    for (const int scale : {1, LargeScale}) {
      const QImage normal = Draw(painter, scale);
      const bool large = scale != 1;
      (large ? FEnabledLarge : FEnabled) << QPixmap::fromImage(normal);
      (large ? FHotLarge : FHot) << Recoloured(normal, Hot);
      (large ? FDisabledLarge : FDisabled) << Recoloured(normal, Disabled);
    }
  }
  if (!TheCommonModule) TheCommonModule = this;
}

QIcon TdCommon::ActionIcon(int Index) const {
  if (Index < 0 || Index >= ImageCount) return QIcon();
  QIcon icon;
  for (const auto& [small, large, mode] :
       {std::tuple(&FEnabled, &FEnabledLarge, QIcon::Normal), std::tuple(&FHot, &FHotLarge, QIcon::Active),
        std::tuple(&FDisabled, &FDisabledLarge, QIcon::Disabled)}) {
    icon.addPixmap(small->at(Index), mode);
    icon.addPixmap(large->at(Index), mode);
  }
  return icon;
}

TdCommon& dCommon() {
  if (!TheCommonModule) new TdCommon(QCoreApplication::instance());
  return *TheCommonModule;
}
