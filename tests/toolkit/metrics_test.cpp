#include <gtest/gtest.h>

#include "toolkit/Graphics.h"

TEST(Metrics, PointsToPixels) { EXPECT_EQ(MulDiv(10, 96, 72), 13); }
