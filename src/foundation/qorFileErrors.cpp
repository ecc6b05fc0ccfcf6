#include "qorFileErrors.h"

#include "qorFileUtils.h"

#include <cerrno>

namespace {
const char* ReasonText(int Code, TFileAccess Access) {
  const bool reading = Access == TFileAccess::Read;
  switch (Code) {
    // Writing creates a file in the folder, so a missing name is a missing folder.
    case ENOENT:
      return reading ? ReasonFileMissing : ReasonFolderMissing;
    case EACCES:
    case EPERM:
      return reading ? "Keine Berechtigung zum Lesen." : "Keine Berechtigung zum Schreiben.";
    case ENOSPC:
      return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EDQUOT:
      return "Das Speicherkontingent auf dem Datenträger ist erschöpft.";
    // Also a write past the process's file-size limit, once SIGXFSZ is ignored.
    case EFBIG:
      return "Datei zu groß";
    case EISDIR:
      return ReasonIsFolder;
    case ENOTDIR:
      return "Ein Teil des Pfades ist kein Verzeichnis.";
    case EROFS:
      return "Der Datenträger ist schreibgeschützt.";
    case ENAMETOOLONG:
      return "Der Dateiname ist zu lang.";
    case ELOOP:
      return "Der Pfad enthält zu viele symbolische Verknüpfungen.";
    case EINVAL:
      return "Der Dateiname ist hier nicht erlaubt.";
    case EIO:
      return "Ein-/Ausgabefehler des Datenträgers.";
    case EMFILE:
    case ENFILE:
      return "Es sind zu viele Dateien geöffnet.";
    case EBUSY:
    case ETXTBSY:
      return "Die Datei wird gerade benutzt.";
    // Files are opened without waiting, so a file that has no data yet says so.
    case EAGAIN:
      return "Die Datei ist vorübergehend nicht verfügbar.";
    case ENXIO:
    case ENODEV:
      return "Das Gerät der Datei ist nicht vorhanden.";
    case ENOMEM:
      return "Es ist nicht genug Arbeitsspeicher frei.";
    case EOVERFLOW:
      return "Die Datei ist für das System zu groß.";
    case EOPNOTSUPP:
      return "Der Datenträger unterstützt diesen Zugriff nicht.";
    case ESTALE:
      return "Die Datei ist auf dem Netzlaufwerk nicht mehr gültig.";
    default:
      return nullptr;
  }
}
}  // namespace

QString FileErrorReason(int Code, TFileAccess Access) {
  if (const char* text = ReasonText(Code, Access)) return QString::fromUtf8(text);
  return QStringLiteral("Systemfehler ") + SystemErrorText(Code);
}
