#include "KaloRangeHistory.h"

void TKaloRangeHistory::Push(const TKaloXRange& Range) {
  FRanges.push_back(Range);
  if (FRanges.size() > Capacity) FRanges.pop_front();
}

std::optional<TKaloXRange> TKaloRangeHistory::Pop() {
  if (FRanges.empty()) return std::nullopt;
  const TKaloXRange range = FRanges.back();
  FRanges.pop_back();
  return range;
}
