#pragma once
// The root-finding task: the function f(x), the search range, the node count and the
// two error bounds. The model enforces no limits; the windows keep the node count in
// range.

#include "KaloToolsUtil.h"
#include "qorKaloBase.h"

#include <memory>

// The function f(x) of a task: a Lua expression in x or a complete Lua chunk that
// defines the global function fct.
class TKaloPersistFunction : public TKaloPersistentType {
public:
  static const char* const DefaultFunctionScript;  // the polynomial of a new task

  const QString& FunctionScript() const { return FFunctionScript; }
  void setFunctionScript(const QString& value) { FFunctionScript = value; }
  bool SimpleScript() const { return FSimpleScript; }
  void setSimpleScript(bool value) { FSimpleScript = value; }

  // The Lua text the script host compiles: a simple expression wrapped as
  // "function fct(x) return (...); end;", a full script unchanged.
  QString LuaText() const;

private:
  QString FFunctionScript = QString::fromUtf8(DefaultFunctionScript);
  bool FSimpleScript = true;
};

class TKaloPersistRootFinding : public TKaloPersistentElement {
public:
  TKaloPersistRootFinding();

  TKaloPersistFunction& RootFunction() { return *FRootFunction; }
  const TKaloPersistFunction& RootFunction() const { return *FRootFunction; }

  // The task's name is its function's name.
  const QString& Name() const { return FRootFunction->Name(); }
  void setName(const QString& value) { FRootFunction->setName(value); }

  Extended xMin() const { return FxMin; }
  void setxMin(Extended value) { FxMin = value; }
  Extended xMax() const { return FxMax; }
  void setxMax(Extended value) { FxMax = value; }
  Extended AbsErrorBound() const { return FAbsErrorBound; }
  void setAbsErrorBound(Extended value) { FAbsErrorBound = value; }
  Extended RelErrorBound() const { return FRelErrorBound; }
  void setRelErrorBound(Extended value) { FRelErrorBound = value; }
  int NodeCount() const { return FNodeCount; }
  void setNodeCount(int value) { FNodeCount = value; }

private:
  std::unique_ptr<TKaloPersistFunction> FRootFunction;
  Extended FxMin = -2.5L;
  Extended FxMax = 2.5L;
  Extended FAbsErrorBound;
  Extended FRelErrorBound = 0;
  int FNodeCount = 200;
};
