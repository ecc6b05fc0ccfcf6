// Writes values into a registry file the way a second instance of the program would:
//   app_registry_writer FILE PREFIX COUNT
// first COUNT new values PREFIX\k0 .. PREFIX\k<COUNT-1> (the file grows with each),
// then COUNT overwrites of PREFIX\last with texts of one length (the file keeps its
// size), ending with the text of COUNT-1. Before each overwrite it reads its own
// value back: another instance that wrote a stale copy of the file would show here.
// Exit code 0 when all went well, 1 on a failed write, 3 on a lost value.

#include "qorIniRegistry.h"

#include <QString>

#include <cstdio>

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitValueLost = 3;

QString LastText(int i) { return QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')); }

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: app_registry_writer FILE PREFIX COUNT\n");
    return kExitUsage;
  }
  TqorIniRegistry registry(QString::fromLocal8Bit(argv[1]));
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  const QString last = QStringLiteral("last");
  const int count = QString::fromLocal8Bit(argv[3]).toInt();
  try {
    for (int i = 0; i < count; ++i) registry.WriteValue(prefix, QStringLiteral("k%1").arg(i), i);
    for (int i = 0; i < count; ++i) {
      if (i > 0 && registry.ReadValue(prefix, last) != TqorRegistryValue(LastText(i - 1))) {
        std::fprintf(stderr, "%s: value %d lost\n", argv[2], i - 1);
        return kExitValueLost;
      }
      registry.WriteValue(prefix, last, LastText(i));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitWriteFailed;
  }
  return 0;
}
