// POSIX edition of the host allocator: the C allocator with a ledger.
//
// Each block carries a small header holding its requested size, so that the
// ledger can count bytes without a lookup table. The header is as large as
// max_align_t, so blocks keep the C allocator's alignment.
#include <cstddef>
#include <cstdlib>

#include "common/fault_countdown.h"
#include "common/thread_counters.h"
#include "platform/quenby.h"
#include "quenby/quenby_ledger.h"

namespace {

constexpr size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(size_t));

enum Counter : size_t { kBlocks, kBytes, kMallocCalls, kCounterCount };
using Ledger = platform::ThreadCounters<struct QuenbyLedger, kCounterCount>;

platform::FaultCountdown g_fault;

}  // namespace

extern "C" void* maw_malloc(size_t size) {
  Ledger::Add(kMallocCalls, 1);
  if (g_fault.Due() || size > SIZE_MAX - kHeader) return nullptr;
  auto* raw = static_cast<unsigned char*>(std::malloc(kHeader + size));
  if (raw == nullptr) return nullptr;
  *reinterpret_cast<size_t*>(raw) = size;
  Ledger::Add(kBlocks, 1);
  Ledger::Add(kBytes, static_cast<intptr_t>(size));
  return raw + kHeader;
}

extern "C" void maw_free(void* block) {
  if (block == nullptr) return;
  unsigned char* raw = static_cast<unsigned char*>(block) - kHeader;
  Ledger::Add(kBlocks, -1);
  Ledger::Add(kBytes, -static_cast<intptr_t>(*reinterpret_cast<size_t*>(raw)));
  std::free(raw);
}

extern "C" size_t quenby_live_blocks(void) { return static_cast<size_t>(Ledger::Sum({kBlocks})); }
extern "C" size_t quenby_live_bytes(void) { return static_cast<size_t>(Ledger::Sum({kBytes})); }
extern "C" size_t quenby_malloc_calls(void) { return static_cast<size_t>(Ledger::Sum({kMallocCalls})); }
extern "C" void quenby_fail_call(size_t n) { g_fault.Arm(n); }
