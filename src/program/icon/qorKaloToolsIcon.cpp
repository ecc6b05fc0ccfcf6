// Writes the program's desktop icon, drawn from the picture its windows show, into the
// icon theme layout below the folder given: hicolor/<n>x<n>/apps/qorKaloTools.png in
// the usual sizes and hicolor/scalable/apps/qorKaloTools.svg. Run by the build.

#include "dCommon.h"
#include "qorSaveFile.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

namespace {
const QString IconName = QStringLiteral("qorKaloTools");
constexpr int Sizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr int Grid = TdCommon::ImageSize;

QString ThemeFile(const QDir& Root, const QString& SizeFolder, const QString& Suffix) {
  const QString folder = Root.filePath(QStringLiteral("hicolor/%1/apps").arg(SizeFolder));
  return QDir().mkpath(folder) ? folder + '/' + IconName + Suffix : QString();
}

bool Write(const QString& File, const QByteArray& Bytes) {
  return !File.isEmpty() && !WriteFileAtomically(File, Bytes);
}

bool WritePng(const QDir& Root, int Size) {
  QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(qreal(Size) / Grid, qreal(Size) / Grid);
  PaintCommonImage(ProgramImage, painter);
  painter.end();
  QBuffer png;
  png.open(QIODevice::WriteOnly);
  return image.save(&png, "PNG") &&
         Write(ThemeFile(Root, QStringLiteral("%1x%1").arg(Size), QStringLiteral(".png")), png.data());
}

bool WriteSvg(const QDir& Root) {
  QBuffer bytes;
  QSvgGenerator svg;
  svg.setOutputDevice(&bytes);
  svg.setSize(QSize(Grid, Grid));
  svg.setViewBox(QRect(0, 0, Grid, Grid));
  svg.setTitle(QStringLiteral("VASO Numerik Werkzeuge"));
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  painter.setRenderHint(QPainter::Antialiasing);
  PaintCommonImage(ProgramImage, painter);
  return painter.end() && Write(ThemeFile(Root, QStringLiteral("scalable"), QStringLiteral(".svg")), bytes.data());
}
}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: qorKaloToolsIcon ZIELORDNER\n");
    return 2;
  }
  const QDir root(QString::fromLocal8Bit(argv[1]));
  bool written = WriteSvg(root);
  for (const int size : Sizes) written = WritePng(root, size) && written;
  if (!written) std::fprintf(stderr, "Das Programmsymbol kann nicht in '%s' geschrieben werden.\n", argv[1]);
  return written ? 0 : 1;
}
