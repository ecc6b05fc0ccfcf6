#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "qorEmfFormat.h"
#include "qorMetafile.h"
#include "qorMetafileClipboard.h"
#include "qorTestQtApp.h"

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

TqorMetafile CrossDrawing() {
  TqorMetafile metafile;
  metafile.setWidth(120);
  metafile.setHeight(80);
  TqorMetafileCanvas canvas(metafile);
  canvas.MoveTo(0, 0);
  canvas.LineTo(120, 80);
  return metafile;
}

TEST(MetafileClipboard, HoldsEmfPngAndSvg) {
  const TqorMetafile metafile = CrossDrawing();
  CopyMetafileToClipboard(metafile);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->formats(), QStringList({EmfMimeType, EmfWindowsMimeType, PngMimeType, SvgMimeType}));
  for (const char* type : {EmfMimeType, EmfWindowsMimeType}) {
    EXPECT_EQ(data->data(type), metafile.Bytes()) << type;
    EXPECT_EQ(data->data(type).mid(qorEmf::HeaderSignatureAt, 4), " EMF") << type;
  }
  const QImage png = QImage::fromData(data->data(PngMimeType), "PNG");
  EXPECT_EQ(png.size(), QSize(120, 80));
  EXPECT_EQ(png.pixel(60, 40), qRgb(0, 0, 0));
  EXPECT_TRUE(data->data(SvgMimeType).contains("<svg"));
}

TEST(MetafileClipboard, EmptyMetafileGivesNoFormat) {
  EXPECT_TRUE(MetafileMimeData(TqorMetafile())->formats().isEmpty());
}

}  // namespace
