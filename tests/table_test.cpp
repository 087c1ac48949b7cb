// Table-like parameter types carry an entry queue whose storage comes from
// the global operators, not from the host allocator. This executable
// replaces the global operators to see the plug-in's calls of them: the
// plug-in, loaded with dlopen, binds to the executable's definitions.
#include <cstdlib>
#include <new>

// GCC takes the malloc in the replaced new and the free in the replaced
// delete for a mismatched pair once both are inlined; here they are the pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include "support/plugin_host.h"

namespace {

// Counted only while a test arms them, so that gtest's own use is left out.
bool g_counting = false;
int g_news = 0;
int g_deletes = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (g_counting) ++g_news;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

// settar allocates its sections with the nothrow form; it must come from
// the same heap as the replaced delete that releases them.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (g_counting) ++g_news;
  return std::malloc(size == 0 ? 1 : size);
}

namespace {

void Release(void* block) noexcept {
  if (g_counting && block != nullptr) ++g_deletes;
  std::free(block);
}

}  // namespace

void operator delete(void* block) noexcept { Release(block); }

void operator delete(void* block, std::size_t) noexcept { Release(block); }

namespace zelvar_test {
namespace {

TEST_F(LedgerTest, OnlyTheExactTableTypesGetAQueue) {
  const struct {
    const char* type_name;
    int queues;
  } cases[] = {
      {"Table", 1},  {"Spreadsheet", 1}, {"table", 0},  {"Table ", 0}, {"Tables", 0},
      {"SPREADSHEET", 0}, {"", 0},        {"UserDefinedFunction", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type_name);
    HostParam param;
    param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
    const size_t malloc_calls = quenby_malloc_calls();
    g_news = g_deletes = 0;
    g_counting = true;
    CParamExt* object = param.Create(c.type_name);
    g_counting = false;
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(g_news, c.queues);
    EXPECT_EQ(quenby_malloc_calls() - malloc_calls, 2u) << "the object and its type text, nothing for the queue";

    // The queue is never filled, so it holds no memory of its own.
    EXPECT_EQ(param.Get().text, "abc");
    EXPECT_EQ(quenby_live_blocks(), 2u);

    g_counting = true;
    param.Delete();
    g_counting = false;
    EXPECT_EQ(g_deletes, c.queues);
    EXPECT_EQ(quenby_live_blocks(), 0u);
  }
}

}  // namespace
}  // namespace zelvar_test
