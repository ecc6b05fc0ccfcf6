#pragma once
// The program's common pictures: thirteen action images of 16 x 16 pixels in three
// lists, one each for the normal, the highlighted (hot, under the mouse) and the
// disabled look, which tool bars and menus of every tool window share. The pictures
// are drawn by the program itself when the data module is made.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

// The images the tool windows use, by their index in the lists.
enum TCommonImage : int {
  ciOpen = 2,
  ciSave = 3,
  ciCopy = 5,
  ciPreview = 7,
  ciCalculate = 10,
  ciProperties = 12,
};

// The program's own picture, the calculator of "Berechnen": the picture of its windows
// and, drawn large, of its desktop icon.
inline constexpr int ProgramImage = ciCalculate;

class QPainter;

// Draws image Index in its normal look on Painter's 16 x 16 grid; a scaled painter draws
// it at any size, a painter on an SVG generator as lines and areas. Nothing outside
// 0 .. TdCommon::ImageCount-1.
void PaintCommonImage(int Index, QPainter& Painter);

class TdCommon : public QObject {
  Q_OBJECT

public:
  // The number of images in each list and their edge length in pixels.
  static constexpr int ImageCount = 13;
  static constexpr int ImageSize = 16;

  // Draws the three lists; the first data module made becomes the program's one.
  explicit TdCommon(QObject* Owner = nullptr);

  // The normal pictures.
  const QList<QPixmap>& ilEnabled() const { return FEnabled; }
  // The pictures under the mouse: the normal ones, brightened.
  const QList<QPixmap>& ilHot() const { return FHot; }
  // The pictures of disabled actions: the normal ones in pale grey.
  const QList<QPixmap>& ilDisabled() const { return FDisabled; }

  // Image Index as an icon with the three looks (normal, QIcon::Active for hot,
  // QIcon::Disabled), also drawn at twice the size for dense screens; the null icon
  // outside 0 .. ImageCount-1.
  QIcon ActionIcon(int Index) const;

private:
  QList<QPixmap> FEnabled;
  QList<QPixmap> FHot;
  QList<QPixmap> FDisabled;
  QList<QPixmap> FEnabledLarge;
  QList<QPixmap> FHotLarge;
  QList<QPixmap> FDisabledLarge;
};

// The program's data module: the one start-up made, or else one made now and owned by
// the application object.
TdCommon& dCommon();
