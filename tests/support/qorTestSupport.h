#pragma once
// Test helpers of the foundation tests.

#include "qorTestExceptions.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

// Readable QStrings in gtest's failure messages.
inline void PrintTo(const QString& S, std::ostream* os) { *os << '"' << S.toStdString() << '"'; }
