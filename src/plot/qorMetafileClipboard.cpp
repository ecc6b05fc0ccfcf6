#include "qorMetafileClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "qorMetafile.h"

std::unique_ptr<QMimeData> MetafileMimeData(const TqorMetafile& Metafile) {
  auto data = std::make_unique<QMimeData>();
  if (Metafile.Empty()) return data;
  data->setData(EmfMimeType, Metafile.Bytes());
  data->setData(EmfWindowsMimeType, Metafile.Bytes());
  // A picture of no pixels has no PNG form; a format without bytes is left out.
  if (const QByteArray png = Metafile.ToPng(); !png.isEmpty()) data->setData(PngMimeType, png);
  data->setData(SvgMimeType, Metafile.ToSvg());
  return data;
}

void CopyMetafileToClipboard(const TqorMetafile& Metafile) {
  // The clipboard takes ownership of the data it is given.
  QGuiApplication::clipboard()->setMimeData(MetafileMimeData(Metafile).release());
}
