#pragma once
// The pieces of the designer's page: a scene that reports changes of the template, a
// band strip whose height is dragged at its lower edge, and an object that is moved by
// dragging and resized at its lower right corner. Every move and resize is written
// into the template at once, in whole layout units.

#include "qorReportTemplate.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>

class TqorBandItem;

// Room above a band strip for its caption, in layout units.
inline constexpr double BandCaptionHeight = 14;

// The band type's caption in the designer: "Seitenkopf", "Berichtstitel",
// "Tabellenkopf", "Daten", "Seitenfuß".
QString BandTypeCaption(TqorBandType Type);

// The designer's scene; its units are layout units.
class TqorDesignerScene : public QGraphicsScene {
  Q_OBJECT

public:
  using QGraphicsScene::QGraphicsScene;

signals:
  // An object or band of the template was moved or resized.
  void TemplateChanged();
  // A band changed its height; the bands below it move.
  void BandResized();
  // The user asked to edit Object (double click).
  void EditRequested(TqorReportObject* Object);
};

// Handles a press near the lower right corner (objects) or the lower edge (bands) as
// a resize of the item instead of a move.
class TqorResizeGrip {
public:
  // True when Point (item coordinates) lies on the grip of an item of Size.
  bool Hit(const QPointF& Point, const QSizeF& Size, bool EdgeOnly) const;
  bool Active = false;
};

// A band strip of the page, parent of its objects' items.
class TqorBandItem : public QGraphicsRectItem {
public:
  TqorBandItem(TqorReportBand& Band, double Width);

  TqorReportBand& Band() const { return FBand; }
  // "Daten: Nullstellen" and the like, as shown above the strip.
  static QString Caption(const TqorReportBand& Band);

protected:
  void hoverMoveEvent(QGraphicsSceneHoverEvent* Event) override;
  void mousePressEvent(QGraphicsSceneMouseEvent* Event) override;
  void mouseMoveEvent(QGraphicsSceneMouseEvent* Event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* Event) override;

private:
  TqorDesignerScene* DesignerScene() const;

  TqorReportBand& FBand;
  TqorResizeGrip FGrip;
};

// One object of a band, drawn as it prints (texts with their expressions).
class TqorObjectItem : public QGraphicsItem {
public:
  TqorObjectItem(TqorReportObject& Object, TqorBandItem& BandItem);

  TqorReportObject& Object() const { return FObject; }
  QRectF boundingRect() const override;
  QPainterPath shape() const override;
  void paint(QPainter* Painter, const QStyleOptionGraphicsItem* Option, QWidget* Widget) override;
  // Gives the object the size Size (whole units, not below 0), as the grip does.
  void Resize(const QSizeF& Size);

protected:
  QVariant itemChange(GraphicsItemChange Change, const QVariant& Value) override;
  void hoverMoveEvent(QGraphicsSceneHoverEvent* Event) override;
  void mousePressEvent(QGraphicsSceneMouseEvent* Event) override;
  void mouseMoveEvent(QGraphicsSceneMouseEvent* Event) override;
  void mouseReleaseEvent(QGraphicsSceneMouseEvent* Event) override;
  void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* Event) override;

private:
  TqorDesignerScene* DesignerScene() const;
  // Position snapped to whole units and kept inside the band.
  QPointF Constrained(const QPointF& Position) const;

  TqorReportObject& FObject;
  TqorBandItem& FBandItem;
  TqorResizeGrip FGrip;
};
