#pragma once
// Test support: every field of a task as one comparable value.

#include "KaloPersistentTypes.h"

#include <QString>

// Every field of a task, to compare tasks before and after an action.
struct TTaskFields {
  QString Name;
  Extended xMin, xMax, AbsErrorBound, RelErrorBound;
  int NodeCount;
  bool SimpleScript;
  QString FunctionScript;

  explicit TTaskFields(const TKaloPersistRootFinding& Task)
      : Name(Task.Name()),
        xMin(Task.xMin()),
        xMax(Task.xMax()),
        AbsErrorBound(Task.AbsErrorBound()),
        RelErrorBound(Task.RelErrorBound()),
        NodeCount(Task.NodeCount()),
        SimpleScript(Task.RootFunction().SimpleScript()),
        FunctionScript(Task.RootFunction().FunctionScript()) {}
  bool operator==(const TTaskFields&) const = default;
};
