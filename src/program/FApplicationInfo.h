#pragma once
// The information dialog of this program: the general dialog with a page on the
// numerics library and the program's own acknowledgements.

#include "qorAppInfo.h"

class TfrmApplicationInfo : public TfrmQORApplicationInfo {
  Q_OBJECT

public:
  explicit TfrmApplicationInfo(QWidget* Owner = nullptr);

  // "Numerik Bibliothek", the second page.
  QWidget* tsEMLib = nullptr;

protected:
  // The numerical algorithms and the script engine, then the general works.
  QStringList CreditedWorks() const override;
};
