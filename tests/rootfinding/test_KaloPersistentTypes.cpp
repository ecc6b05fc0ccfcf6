#include "KaloPersistentTypes.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>

TEST(KaloPersistRootFinding, NewTaskHasTheDefaults) {
  TKaloPersistRootFinding task;
  EXPECT_EQ(task.xMin(), -2.5L);
  EXPECT_EQ(task.xMax(), 2.5L);
  EXPECT_EQ(task.NodeCount(), 200);
  EXPECT_EQ(task.RelErrorBound(), 0);
  EXPECT_EQ(task.AbsErrorBound(), std::ldexp(1.0L, -62));
  EXPECT_TRUE(task.Name().isEmpty());
  EXPECT_TRUE(task.RootFunction().SimpleScript());
  EXPECT_EQ(task.RootFunction().FunctionScript(), "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6");
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{32}$").match(task.RootFunction().ID()).hasMatch())
      << task.RootFunction().ID().toStdString();
}

TEST(KaloPersistRootFinding, EveryTaskDrawsItsOwnIdentifier) {
  TKaloPersistRootFinding first, second;
  EXPECT_NE(first.RootFunction().ID(), second.RootFunction().ID());
}

TEST(KaloPersistRootFinding, NameIsTheFunctionsName) {
  TKaloPersistRootFinding task;
  task.setName("Polynom");
  EXPECT_EQ(task.RootFunction().Name(), "Polynom");
  task.RootFunction().setName("Sinus");
  EXPECT_EQ(task.Name(), "Sinus");
}

TEST(KaloPersistFunction, LuaTextWrapsOnlySimpleExpressions) {
  TKaloPersistFunction function;
  function.setFunctionScript(" sin(x)");
  EXPECT_EQ(function.LuaText(), "function fct(x) return ( sin(x)); end;");
  const QString script = "function g(x)\r\n  return x\r\nend";
  function.setFunctionScript(script);
  function.setSimpleScript(false);
  EXPECT_EQ(function.LuaText(), script) << "a full script is used unchanged, fct or not";
}
