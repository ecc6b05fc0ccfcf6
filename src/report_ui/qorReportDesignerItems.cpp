#include "qorReportDesignerItems.h"

#include <QCursor>
#include <QFont>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QPen>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

namespace {
// Reach of the resize grips around their corner or edge, in layout units.
constexpr double GripReach = 5;
// Objects stay pickable when they are thin (lines) or empty.
constexpr double PickMargin = 3;
constexpr double CaptionPointSize = 7;
const QColor BandFill(244, 246, 250);
const QColor BandEdge(150, 160, 180);
const QColor ObjectOutline(170, 170, 170);
const QColor SelectionColor(30, 100, 220);
const QColor EmptyPictureFill(230, 236, 245);

double Snapped(double Value) { return std::round(Value); }

// Captions in the order of TqorBandType.
const char* const BandCaptions[] = {"Seitenkopf", "Berichtstitel", "Tabellenkopf", "Daten", "Seitenfuß"};
}  // namespace

QString BandTypeCaption(TqorBandType Type) { return QString::fromUtf8(BandCaptions[static_cast<int>(Type)]); }

bool TqorResizeGrip::Hit(const QPointF& Point, const QSizeF& Size, bool EdgeOnly) const {
  const bool nearBottom = std::abs(Point.y() - Size.height()) <= GripReach;
  return EdgeOnly ? nearBottom : nearBottom && std::abs(Point.x() - Size.width()) <= GripReach;
}

TqorBandItem::TqorBandItem(TqorReportBand& Band, double Width)
    : QGraphicsRectItem(0, 0, Width, Band.Height), FBand(Band) {
  setBrush(BandFill);
  setPen(QPen(BandEdge, 0, Qt::DashLine));
  setFlag(ItemIsSelectable);
  setAcceptHoverEvents(true);
  auto* caption = new QGraphicsSimpleTextItem(Caption(Band), this);
  QFont font = caption->font();
  font.setPointSizeF(CaptionPointSize);
  caption->setFont(font);
  caption->setBrush(BandEdge.darker());
  caption->setPos(0, -BandCaptionHeight);
}

QString TqorBandItem::Caption(const TqorReportBand& Band) {
  const QString caption = BandTypeCaption(Band.Type);
  return Band.Type == TqorBandType::MasterData ? QStringLiteral("%1: %2").arg(caption, Band.DataSetName) : caption;
}

TqorDesignerScene* TqorBandItem::DesignerScene() const { return static_cast<TqorDesignerScene*>(scene()); }

void TqorBandItem::hoverMoveEvent(QGraphicsSceneHoverEvent* Event) {
  setCursor(FGrip.Hit(Event->pos(), rect().size(), true) ? Qt::SizeVerCursor : Qt::ArrowCursor);
  QGraphicsRectItem::hoverMoveEvent(Event);
}

void TqorBandItem::mousePressEvent(QGraphicsSceneMouseEvent* Event) {
  FGrip.Active = Event->button() == Qt::LeftButton && FGrip.Hit(Event->pos(), rect().size(), true);
  QGraphicsRectItem::mousePressEvent(Event);
}

void TqorBandItem::mouseMoveEvent(QGraphicsSceneMouseEvent* Event) {
  if (!FGrip.Active) return QGraphicsRectItem::mouseMoveEvent(Event);
  QRectF strip = rect();
  strip.setHeight(std::max(0.0, Snapped(Event->pos().y())));
  setRect(strip);
}

void TqorBandItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* Event) {
  if (FGrip.Active) {
    FGrip.Active = false;
    FBand.Height = rect().height();
    emit DesignerScene()->BandResized();
    emit DesignerScene()->TemplateChanged();
  }
  QGraphicsRectItem::mouseReleaseEvent(Event);
}

TqorObjectItem::TqorObjectItem(TqorReportObject& Object, TqorBandItem& BandItem)
    : QGraphicsItem(&BandItem), FObject(Object), FBandItem(BandItem) {
  // Placed before it reports moves: showing the object changes nothing.
  setPos(Object.Bounds.topLeft());
  setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges);
  setAcceptHoverEvents(true);
}

QRectF TqorObjectItem::boundingRect() const {
  return QRectF(QPointF(), FObject.Bounds.size()).adjusted(-PickMargin, -PickMargin, PickMargin, PickMargin);
}

QPainterPath TqorObjectItem::shape() const {
  QPainterPath path;
  path.addRect(boundingRect());
  return path;
}

void TqorObjectItem::paint(QPainter* Painter, const QStyleOptionGraphicsItem* /*Option*/, QWidget* /*Widget*/) {
  const QRectF area(QPointF(), FObject.Bounds.size());
  const auto* picture = dynamic_cast<const TqorReportPicture*>(&FObject);
  if (picture && !picture->HasPicture()) {
    Painter->fillRect(area, EmptyPictureFill);
    Painter->drawText(area, Qt::AlignCenter, FObject.Name);
  }
  FObject.Paint(*Painter, area, 1);
  Painter->setPen(QPen(isSelected() ? SelectionColor : ObjectOutline, 0, isSelected() ? Qt::SolidLine : Qt::DotLine));
  Painter->setBrush(Qt::NoBrush);
  Painter->drawRect(area);
  if (isSelected())
    Painter->fillRect(QRectF(area.bottomRight() - QPointF(GripReach, GripReach), QSizeF(2 * GripReach, 2 * GripReach)),
                      SelectionColor);
}

void TqorObjectItem::Resize(const QSizeF& Size) {
  prepareGeometryChange();
  FObject.Bounds.setSize(QSizeF(std::max(0.0, Snapped(Size.width())), std::max(0.0, Snapped(Size.height()))));
  update();
  if (DesignerScene()) emit DesignerScene()->TemplateChanged();
}

QVariant TqorObjectItem::itemChange(GraphicsItemChange Change, const QVariant& Value) {
  if (Change == ItemPositionChange) return Constrained(Value.toPointF());
  if (Change == ItemPositionHasChanged) {
    FObject.Bounds.moveTopLeft(Value.toPointF());
    if (DesignerScene()) emit DesignerScene()->TemplateChanged();
  }
  return QGraphicsItem::itemChange(Change, Value);
}

QPointF TqorObjectItem::Constrained(const QPointF& Position) const {
  const QSizeF band = FBandItem.rect().size();
  const QSizeF size = FObject.Bounds.size();
  return QPointF(std::clamp(Snapped(Position.x()), 0.0, std::max(0.0, band.width() - size.width())),
                 std::clamp(Snapped(Position.y()), 0.0, std::max(0.0, band.height() - size.height())));
}

TqorDesignerScene* TqorObjectItem::DesignerScene() const { return static_cast<TqorDesignerScene*>(scene()); }

void TqorObjectItem::hoverMoveEvent(QGraphicsSceneHoverEvent* Event) {
  setCursor(isSelected() && FGrip.Hit(Event->pos(), FObject.Bounds.size(), false) ? Qt::SizeFDiagCursor
                                                                                  : Qt::SizeAllCursor);
  QGraphicsItem::hoverMoveEvent(Event);
}

void TqorObjectItem::mousePressEvent(QGraphicsSceneMouseEvent* Event) {
  FGrip.Active = isSelected() && Event->button() == Qt::LeftButton &&
                 FGrip.Hit(Event->pos(), FObject.Bounds.size(), false);
  QGraphicsItem::mousePressEvent(Event);
}

void TqorObjectItem::mouseMoveEvent(QGraphicsSceneMouseEvent* Event) {
  if (!FGrip.Active) return QGraphicsItem::mouseMoveEvent(Event);
  Resize(QSizeF(Event->pos().x(), Event->pos().y()));
}

void TqorObjectItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* Event) {
  FGrip.Active = false;
  QGraphicsItem::mouseReleaseEvent(Event);
}

void TqorObjectItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* Event) {
  emit DesignerScene()->EditRequested(&FObject);
  QGraphicsItem::mouseDoubleClickEvent(Event);
}
