#pragma once
// The x-ranges a window zoomed away from, so that it can return to them one by one.

#include "KaloRootPlot.h"

#include <deque>
#include <optional>

class TKaloRangeHistory {
public:
  // The most ranges kept; the oldest is dropped for a newer one.
  static constexpr int Capacity = 10;

  // Remembers Range as the one to return to next.
  void Push(const TKaloXRange& Range);
  // The range remembered last, taken off the history; none when it is empty.
  std::optional<TKaloXRange> Pop();
  bool Empty() const { return FRanges.empty(); }
  int Count() const { return static_cast<int>(FRanges.size()); }

private:
  std::deque<TKaloXRange> FRanges;  // oldest first
};
