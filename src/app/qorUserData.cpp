#include "qorUserData.h"

#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString OrNotAvailable(const QString& text) { return text.isEmpty() ? NotAvailableText : text; }

#ifdef Q_OS_UNIX
// The name the system reports when no domain is set.
const QString kNoDomainText = QStringLiteral("(none)");
// Buffer for the domain name; longer names are not domain names of this system.
constexpr int kDomainNameSize = 256;

void ReadAccount(TqorSystemLoginInfo& info) {
  const passwd* account = getpwuid(geteuid());
  if (!account) return;
  info.LoginName = QString::fromLocal8Bit(account->pw_name);
  if (account->pw_gecos)
    info.FullName = QString::fromLocal8Bit(account->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
}

QString ReadDomain() {
  char name[kDomainNameSize] = {};
  if (getdomainname(name, sizeof(name) - 1) != 0) return {};
  const QString domain = QString::fromLocal8Bit(name);
  return domain == kNoDomainText ? QString() : domain;
}
#else
void ReadAccount(TqorSystemLoginInfo&) {}
QString ReadDomain() { return {}; }
#endif

}  // namespace

QString TqorUserData::GetLoginInfo() const {
  return CompanyToken + QLatin1Char('/') + DeptToken + QLatin1Char('/') + QORUserId;
}

TqorSystemLoginInfo GetSystemLoginInfo() {
  TqorSystemLoginInfo info;
  ReadAccount(info);
  info.LoginName = OrNotAvailable(info.LoginName);
  info.FullName = OrNotAvailable(info.FullName);
  info.ComputerName = OrNotAvailable(QSysInfo::machineHostName());
  info.Domain = OrNotAvailable(ReadDomain());
  return info;
}
