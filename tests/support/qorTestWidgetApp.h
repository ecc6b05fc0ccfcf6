#pragma once
// The QApplication of window and dialog tests, with the forms' designed font, so that
// widths and texts measure as the program shows them.

#include "qorAppInit.h"
#include "qorTestQtApp.h"

#include <QApplication>

class TWidgetTestEnvironment : public TQtTestEnvironment<QApplication> {
public:
  void SetUp() override {
    TQtTestEnvironment<QApplication>::SetUp();
    UseDesignedFormFont();
  }
};
