#include "qorAppActions.h"

namespace {
constexpr QChar HintSeparator = u'|';
}  // namespace

void SetActionHint(QAction& Action, const QString& Hint) {
  const qsizetype bar = Hint.indexOf(HintSeparator);
  const QString shortHint = bar < 0 ? Hint : Hint.left(bar);
  const QString longHint = bar < 0 ? Hint : Hint.mid(bar + 1);
  Action.setToolTip(shortHint);
  Action.setStatusTip(longHint);
}
