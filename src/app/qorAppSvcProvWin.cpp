#include "qorAppSvcProvWin.h"

#include "qorAppWinStorage.h"
#include "qorException.h"

namespace {
const char* const MsgNotWinProvider =
    "Der globale Application Service Provider ist nicht vom Typ "
    "TqorApplicationServiceProviderWin sondern vom Typ %1!";
}  // namespace

TqorApplicationServiceProviderWin::TqorApplicationServiceProviderWin(QObject* Owner)
    : TqorApplicationServiceProviderBase(Owner) {
  setClassOfCfg(&NewStorage<TqorAppWinStorage>);
}

TqorApplicationServiceProviderWin::TqorApplicationServiceProviderWin(QObject* Owner, const QStringList& Arguments,
                                                                     const QString& ProgramFile)
    : TqorApplicationServiceProviderBase(Owner, Arguments, ProgramFile) {
  setClassOfCfg(&NewStorage<TqorAppWinStorage>);
}

TqorApplicationServiceProviderWin& GlobalServiceProviderWin() {
  TqorApplicationServiceProviderBase& provider = GlobalServiceProvider();
  if (auto* win = qobject_cast<TqorApplicationServiceProviderWin*>(&provider)) return *win;
  throw Exception(
      QString::fromUtf8(MsgNotWinProvider).arg(QString::fromLatin1(provider.metaObject()->className())).toStdString());
}
