#pragma once
// The plot graphic on the clipboard: the EMF bytes for programs that paste enhanced
// metafiles, PNG and SVG for the many that do not.

#include <memory>

class QMimeData;
class TqorMetafile;

// The MIME type of EMF bytes.
inline constexpr const char* EmfMimeType = "image/x-emf";
// The Windows clipboard format of enhanced metafiles, as Qt names it.
inline constexpr const char* EmfWindowsMimeType = "application/x-qt-windows-mime;value=\"Enhanced Metafile\"";
// The MIME types of the picture played at its own size.
inline constexpr const char* PngMimeType = "image/png";
inline constexpr const char* SvgMimeType = "image/svg+xml";

// Metafile as clipboard data: its EMF bytes under both EMF types, and the picture as
// PNG (when it has pixels) and SVG at its own size. An empty metafile gives data
// without any format.
std::unique_ptr<QMimeData> MetafileMimeData(const TqorMetafile& Metafile);

// Replaces the content of the system clipboard by MetafileMimeData(Metafile). A
// QGuiApplication must exist.
void CopyMetafileToClipboard(const TqorMetafile& Metafile);
