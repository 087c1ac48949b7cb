#include "latency_histogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace zelvar_host {

namespace {

constexpr uint64_t kExact = 128;     // below this every value has a bucket
constexpr unsigned kSubBits = 6;     // 64 buckets per doubling above it
constexpr uint64_t kSub = 1u << kSubBits;

// Above kExact a value keeps its top seven bits: the bucket is the shift
// that drops the rest, and the six bits below the leading one.
size_t BucketOf(uint64_t value) {
  if (value < kExact) return static_cast<size_t>(value);
  const unsigned shift = static_cast<unsigned>(std::bit_width(value)) - (kSubBits + 1);
  return static_cast<size_t>(kExact + (shift - 1) * kSub + ((value >> shift) - kSub));
}

uint64_t UpperEndOf(size_t bucket) {
  if (bucket < kExact) return bucket;
  const unsigned shift = static_cast<unsigned>((bucket - kExact) / kSub) + 1;
  const uint64_t top = (bucket - kExact) % kSub + kSub;
  return ((top + 1) << shift) - 1;
}

}  // namespace

void LatencyHistogram::Record(uint64_t nanoseconds) {
  const size_t bucket = BucketOf(nanoseconds);
  if (bucket >= buckets_.size()) buckets_.resize(bucket + 1);
  ++buckets_[bucket];
  ++count_;
  max_ = std::max(max_, nanoseconds);
}

void LatencyHistogram::Merge(const LatencyHistogram& other) {
  if (other.buckets_.size() > buckets_.size()) buckets_.resize(other.buckets_.size());
  for (size_t bucket = 0; bucket < other.buckets_.size(); ++bucket) buckets_[bucket] += other.buckets_[bucket];
  count_ += other.count_;
  max_ = std::max(max_, other.max_);
}

uint64_t LatencyHistogram::Quantile(double q) const {
  if (count_ == 0) return 0;
  // The rank q * count, rounded up. The margin keeps a product such as
  // 0.9 * 100 from rounding up to 91 where the processor computes with
  // extended precision (i386).
  const double scaled = q * static_cast<double>(count_) * (1.0 - 1e-12);
  const auto rank = std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(scaled)));
  uint64_t seen = 0;
  for (size_t bucket = 0; bucket < buckets_.size(); ++bucket) {
    seen += buckets_[bucket];
    if (seen >= rank) return std::min(UpperEndOf(bucket), max_);
  }
  return max_;
}

}  // namespace zelvar_host
