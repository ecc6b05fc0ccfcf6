#include "KaloRangeHistory.h"

#include <gtest/gtest.h>

TEST(KaloRangeHistory, ReturnsTheLastTenRangesNewestFirst) {
  TKaloRangeHistory history;
  EXPECT_EQ(history.Pop(), std::nullopt);
  for (int i = 0; i < 12; ++i) history.Push({static_cast<Extended>(i), static_cast<Extended>(i + 1)});
  EXPECT_EQ(history.Count(), TKaloRangeHistory::Capacity);
  for (int i = 11; i >= 2; --i)
    EXPECT_EQ(history.Pop(), (TKaloXRange{static_cast<Extended>(i), static_cast<Extended>(i + 1)}));
  EXPECT_TRUE(history.Empty());
  EXPECT_EQ(history.Pop(), std::nullopt);
}
