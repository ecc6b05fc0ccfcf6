#pragma once
// The service provider of this program: its configuration storage keeps the values in
// the program's registry (TqorAppWinStorage).

#include "qorAppSvcProvBase.h"

class TqorApplicationServiceProviderWin : public TqorApplicationServiceProviderBase {
  Q_OBJECT

public:
  // As the base provider, with ClassOfCfg set to TqorAppWinStorage.
  explicit TqorApplicationServiceProviderWin(QObject* Owner = nullptr);
  TqorApplicationServiceProviderWin(QObject* Owner, const QStringList& Arguments, const QString& ProgramFile);
};

// The registered provider if it is a TqorApplicationServiceProviderWin. Fails with
// "Der globale Application Service Provider ist nicht vom Typ
// TqorApplicationServiceProviderWin sondern vom Typ <class>!" for another class, and
// like GlobalServiceProvider when none is registered.
TqorApplicationServiceProviderWin& GlobalServiceProviderWin();
