#pragma once
// Assertions on the program's errors; standard library only, so that the tests of the
// Qt-free libraries use them too.

#include <gtest/gtest.h>

#include <string>

// EXPECT_THROW_MSG(statement, Type, message): the statement throws Type with exactly
// that message (UTF-8).
#define EXPECT_THROW_MSG(statement, Type, message)            \
  do {                                                        \
    try {                                                     \
      statement;                                              \
      ADD_FAILURE() << #statement " threw nothing";           \
    } catch (const Type& e) {                                 \
      EXPECT_EQ(std::string(e.what()), std::string(message)); \
    }                                                         \
  } while (false)
