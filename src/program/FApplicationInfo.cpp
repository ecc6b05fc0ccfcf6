#include "FApplicationInfo.h"

#include <QTabWidget>

namespace {
constexpr int LibraryPageIndex = 1;

QStringList LibraryText() {
  return {
      QStringLiteral("Die in dieser Anwendung verwendeten Algorithmen sind Teil einer veröffentlichten "
                     "Formelsammlung zu numerischen Verfahren."),
      QString(),
      QStringLiteral("Die aktuelle Bibliothek ist zusammen mit einem Lehrbuch über numerische "
                     "Algorithmen erhältlich, das die Verfahren mit praxisnahen Algorithmen und "
                     "durchgerechneten Beispielen erklärt:"),
      QString(),
      QStringLiteral("Titel: Numerische Verfahren mit Algorithmen und Beispielen"),
      QStringLiteral("Autoren: die Verfasser der Formelsammlung"),
      QStringLiteral("Verlag: ein technischer Fachverlag"),
  };
}
}  // namespace

TfrmApplicationInfo::TfrmApplicationInfo(QWidget* Owner) : TfrmQORApplicationInfo(Owner) {
  InsertTextPage(LibraryPageIndex, QStringLiteral("Numerik Bibliothek"), LibraryText());
  tsEMLib = pc->widget(LibraryPageIndex);
}

QStringList TfrmApplicationInfo::CreditedWorks() const {
  return QStringList{
             QStringLiteral("die numerischen Algorithmen einer veröffentlichten Formelsammlung"),
             QStringLiteral("die Skript-Maschine Lua"),
         } +
         TfrmQORApplicationInfo::CreditedWorks();
}
