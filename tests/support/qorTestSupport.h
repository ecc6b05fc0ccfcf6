#pragma once
// Test helpers of the foundation tests.

#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// EXPECT_THROW_MSG(statement, Type, message): the statement throws Type with exactly
// that message (UTF-8).
#define EXPECT_THROW_MSG(statement, Type, message)                                  \
  do {                                                                              \
    try {                                                                           \
      statement;                                                                    \
      ADD_FAILURE() << #statement " threw nothing";                                 \
    } catch (const Type& e) {                                                       \
      EXPECT_EQ(std::string(e.what()), std::string(message));                       \
    }                                                                               \
  } while (false)

// Readable QStrings in gtest's failure messages.
inline void PrintTo(const QString& S, std::ostream* os) { *os << '"' << S.toStdString() << '"'; }
