#pragma once
// The QApplication of window and dialog tests.

#include "qorTestQtApp.h"

#include <QApplication>

using TWidgetTestEnvironment = TQtTestEnvironment<QApplication>;
