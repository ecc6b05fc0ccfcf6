#include "qorFileErrors.h"

#include "qorFileUtils.h"

#include <cerrno>

namespace {
const char* ReasonText(int Code, TFileAccess Access) {
  const bool reading = Access == TFileAccess::Read;
  switch (Code) {
    // Writing creates a file in the folder, so a missing name is a missing folder.
    case ENOENT: return reading ? ReasonFileMissing : ReasonFolderMissing;
    case EACCES:
    case EPERM: return reading ? "Keine Berechtigung zum Lesen." : "Keine Berechtigung zum Schreiben.";
    case ENOSPC: return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EDQUOT: return "Das Speicherkontingent auf dem Datenträger ist erschöpft.";
    case EFBIG: return "Die Datei wird zu groß.";
    case EISDIR: return ReasonIsFolder;
    case ENOTDIR: return "Ein Teil des Pfades ist kein Verzeichnis.";
    case EROFS: return "Der Datenträger ist schreibgeschützt.";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang.";
    case ELOOP: return "Der Pfad enthält zu viele symbolische Verknüpfungen.";
    case EINVAL: return "Der Dateiname ist hier nicht erlaubt.";
    case EIO: return "Ein-/Ausgabefehler des Datenträgers.";
    case EMFILE:
    case ENFILE: return "Es sind zu viele Dateien geöffnet.";
    case EBUSY:
    case ETXTBSY: return "Die Datei wird gerade benutzt.";
    default: return nullptr;
  }
}
}  // namespace

QString FileErrorReason(int Code, TFileAccess Access) {
  if (const char* text = ReasonText(Code, Access)) return QString::fromUtf8(text);
  return QStringLiteral("Systemfehler ") + SystemErrorText(Code);
}
