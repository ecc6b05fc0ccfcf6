#include <gtest/gtest.h>

#include <memory>

#include <QImage>

#include "qorMetafile.h"
#include "qorPlotImage.h"
#include "qorTestWidgetApp.h"

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

namespace {

// A window's plot in miniature: a frame along the edges of size.
void DrawFrame(TqorMetafile& metafile, QSize size) {
  metafile.setWidth(size.width());
  metafile.setHeight(size.height());
  TqorMetafileCanvas canvas(metafile);
  canvas.Brush().Style = TqorBrushStyle::bsClear;
  canvas.Rectangle(0, 0, size.width(), size.height());
}

// Columns of row y that are black.
QList<int> BlackColumns(const QImage& image, int y) {
  QList<int> columns;
  for (int x = 0; x < image.width(); ++x)
    if (image.pixel(x, y) == qRgb(0, 0, 0)) columns << x;
  return columns;
}

TEST(PlotImage, ResizeRedrawsAtTheNewSize) {
  TqorPlotImage image;
  TqorMetafile metafile;
  QList<QSize> drawn;
  QObject::connect(&image, &TqorPlotImage::Resized, [&](QSize size) {
    drawn << size;
    DrawFrame(metafile, size);
    image.ShowMetafile(metafile);
  });
  image.resize(200, 100);
  image.show();
  image.resize(300, 150);
  ASSERT_EQ(drawn, QList<QSize>({QSize(200, 100), QSize(300, 150)}));
  // One-pixel lines at the new edges: drawn anew, not stretched from the old image.
  for (const QImage& shown : {image.Image(), image.grab().toImage()}) {
    ASSERT_EQ(shown.size(), QSize(300, 150));
    EXPECT_EQ(BlackColumns(shown, 75), QList<int>({0, 299}));
  }
}

TEST(PlotImage, StretchesADrawingOfAnotherSize) {
  TqorPlotImage image;
  image.resize(300, 150);
  TqorMetafile metafile;
  DrawFrame(metafile, QSize(600, 300));
  image.ShowMetafile(metafile);
  EXPECT_EQ(BlackColumns(image.Image(), 75), QList<int>({0, 299}));
}

}  // namespace
