// The stopwatch with an injected counter.
#include <gtest/gtest.h>

#include "base/XTimer.h"

using zk::xTimer;

TEST(XTimer, CalibrationIsSubtractedAndLargeCountersConvert) {
    uint64_t counter = 0;
    std::vector<uint64_t> script{500, 520, 1000000, 2000000};
    size_t i = 0;
    xTimer t([&] { return counter = script[i++]; }, 1000000);
    t.Calibrieren();  // 20 counts = 0.02 ms
    EXPECT_DOUBLE_EQ(t.Kalibrierung, 0.02);
    EXPECT_DOUBLE_EQ(t.RunTime(), 0.0);  // right after calibration
    t.Start();
    t.Halt();
    EXPECT_DOUBLE_EQ(t.RunTime(), 1000.0 - 0.02);

    EXPECT_DOUBLE_EQ(xTimer::ZuDouble(0x80000000ULL), 2147483648.0);
    EXPECT_DOUBLE_EQ(xTimer::ZuDouble(0x1FFFFFFFFULL), 8589934591.0);
}

TEST(XTimer, RealCounterMeasuresForwardInMilliseconds) {
    xTimer t;
    EXPECT_EQ(t.Frequenz, 1000000000u);
    t.Calibrieren();
    t.Start();
    volatile double x = 0;
    for (int k = 0; k < 100000; ++k) x = x + k;
    t.Halt();
    EXPECT_GT(t.RunTime(), 0.0);
    EXPECT_LT(t.RunTime(), 10000.0);
}
