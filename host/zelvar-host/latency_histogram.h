// Latencies in nanoseconds, counted in buckets so that a run of any length
// keeps a small, bounded memory: exact below 128 ns, and above that 64
// buckets per doubling, so a quantile is off by less than 1/64 of itself.
// The maximum is kept exactly.
#ifndef ZELVAR_HOST_LATENCY_HISTOGRAM_H_
#define ZELVAR_HOST_LATENCY_HISTOGRAM_H_

#include <cstdint>
#include <vector>

namespace zelvar_host {

class LatencyHistogram {
 public:
  void Record(uint64_t nanoseconds);
  void Merge(const LatencyHistogram& other);

  uint64_t count() const { return count_; }
  uint64_t max() const { return max_; }
  // The latency that a fraction `q` (0 < q <= 1) of the samples do not
  // exceed: the upper end of its bucket, never above the maximum. 0 when
  // nothing was recorded.
  uint64_t Quantile(double q) const;

 private:
  std::vector<uint64_t> buckets_;
  uint64_t count_ = 0;
  uint64_t max_ = 0;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_LATENCY_HISTOGRAM_H_
