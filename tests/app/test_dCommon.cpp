#include "dCommon.h"

#include "qorTestWidgets.h"

#include <QImage>
#include <QSet>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

bool AllGrey(const QImage& Image) {
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x) {
      const QColor c = Image.pixelColor(x, y);
      if (c.alpha() > 0 && (c.red() != c.green() || c.green() != c.blue())) return false;
    }
  return true;
}

TEST(CommonImages, ThreeListsOfThirteenDistinctPictures) {
  const TdCommon module;
  QSet<QByteArray> distinct;
  const std::pair<const char*, const QList<QPixmap>*> lists[] = {
      {"enabled", &module.ilEnabled()}, {"hot", &module.ilHot()}, {"disabled", &module.ilDisabled()}};
  for (const auto& [name, list] : lists) {
    SCOPED_TRACE(name);
    ASSERT_EQ(list->size(), 13);
    for (const QPixmap& picture : *list) EXPECT_EQ(picture.size(), QSize(16, 16));
  }
  for (int i = 0; i < TdCommon::ImageCount; ++i) {
    const QImage normal = module.ilEnabled()[i].toImage();
    distinct.insert(QByteArray(reinterpret_cast<const char*>(normal.constBits()), normal.sizeInBytes()));
    EXPECT_NE(module.ilHot()[i].toImage(), normal) << i;
    EXPECT_TRUE(AllGrey(module.ilDisabled()[i].toImage())) << i;
    EXPECT_NE(module.ilDisabled()[i].toImage(), normal) << i;
  }
  EXPECT_EQ(distinct.size(), TdCommon::ImageCount);
}

TEST(CommonImages, IconsCarryTheThreeLooks) {
  const TdCommon module;
  const QIcon icon = module.ActionIcon(ciCalculate);
  const QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage();
  EXPECT_EQ(normal, module.ilEnabled()[ciCalculate].toImage());
  EXPECT_EQ(icon.pixmap(16, 16, QIcon::Active).toImage(), module.ilHot()[ciCalculate].toImage());
  EXPECT_EQ(icon.pixmap(16, 16, QIcon::Disabled).toImage(), module.ilDisabled()[ciCalculate].toImage());
  EXPECT_TRUE(module.ActionIcon(-1).isNull());
  EXPECT_TRUE(module.ActionIcon(TdCommon::ImageCount).isNull());
}

TEST(CommonImages, TheProgramHasOneDataModule) {
  TdCommon& first = dCommon();
  EXPECT_EQ(&dCommon(), &first);
  EXPECT_EQ(first.parent(), QCoreApplication::instance());
}

}  // namespace
