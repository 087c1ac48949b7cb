// The latency histogram's quantiles: exact for small values, within a
// bucket's width (1/64) for large ones, and whole across a merge.
#include "latency_histogram.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace zelvar_host {
namespace {

TEST(LatencyHistogramTest, SmallValuesAreExact) {
  LatencyHistogram histogram;
  for (uint64_t value = 1; value <= 100; ++value) histogram.Record(value);
  EXPECT_EQ(histogram.count(), 100u);
  EXPECT_EQ(histogram.Quantile(0.5), 50u);
  EXPECT_EQ(histogram.Quantile(0.99), 99u);
  EXPECT_EQ(histogram.Quantile(1.0), 100u);
  EXPECT_EQ(histogram.max(), 100u);
}

TEST(LatencyHistogramTest, LargeValuesStayWithinABucketOfTheTruth) {
  LatencyHistogram histogram;
  for (uint64_t value = 1; value <= 100000; ++value) histogram.Record(value * 1000);
  for (const double q : {0.5, 0.9, 0.99}) {
    const double truth = q * 100000 * 1000;
    const auto reported = static_cast<double>(histogram.Quantile(q));
    EXPECT_GE(reported, truth) << q;
    EXPECT_LE(reported, truth * (1.0 + 1.0 / 64)) << q;
  }
  EXPECT_EQ(histogram.max(), 100000000u);
  EXPECT_EQ(histogram.Quantile(1.0), 100000000u) << "never above the maximum";
}

TEST(LatencyHistogramTest, MergeAddsCountsAndKeepsTheLargerMaximum) {
  LatencyHistogram fast;
  LatencyHistogram slow;
  for (int i = 0; i < 90; ++i) fast.Record(10);
  for (int i = 0; i < 10; ++i) slow.Record(1u << 30);
  fast.Merge(slow);
  EXPECT_EQ(fast.count(), 100u);
  EXPECT_EQ(fast.Quantile(0.9), 10u);
  EXPECT_EQ(fast.Quantile(0.91), uint64_t{1} << 30);
  EXPECT_EQ(fast.max(), uint64_t{1} << 30);
}

TEST(LatencyHistogramTest, EmptyHistogramAnswersZero) {
  const LatencyHistogram histogram;
  EXPECT_EQ(histogram.Quantile(0.5), 0u);
  EXPECT_EQ(histogram.max(), 0u);
}

}  // namespace
}  // namespace zelvar_host
