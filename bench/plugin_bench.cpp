// The plug-in's cost over the physical floor, each pair in the same run:
//  - a generation on every GetValue (live, EachOccurrence) against a direct
//    call of the same function plus strdup, free and strlen;
//  - GetValue with nothing to generate (Once) against an indirect call plus
//    strlen of the same text;
//  - creating and deleting an object whose library another object keeps
//    loaded against dlopen of a loaded library, dlsym and dlclose; and
//    against those plus the one file test each creation must make, which on
//    some machines costs more than all the rest;
//  - memory held per object, and none gained over many values.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <malloc.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "halvern32/halvern32_ledger.h"
#include "platform/settar.h"
#include "quenby/quenby_ledger.h"
#include "settar/settar_sections.h"
#include "zelvar/entry.h"
#include "zelvar/paramext.h"
#include "zelvar/udf.h"

namespace {

template <typename Fn>
Fn Bind(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) {
    std::fprintf(stderr, "missing %s\n", name);
    std::exit(1);
  }
  return reinterpret_cast<Fn>(symbol);
}

struct Plugin {
  void* library = dlopen(ZELVAR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  NewUserDefinedFunctionFn create = Bind<NewUserDefinedFunctionFn>(library, "NewUserDefinedFunction");
  DeleteUserDefinedFunctionFn destroy = Bind<DeleteUserDefinedFunctionFn>(library, "DeleteUserDefinedFunction");
};

const Plugin& GetPlugin() {
  static const Plugin plugin;
  return plugin;
}

// A parameter bound to the bench library's Fast function.
class Param {
 public:
  Param(const char* policy, int32_t engine_mode) : section_(configsection_create()) {
    configsection_set_attrib(section_, "FunctionName", "Fast");
    configsection_set_attrib(section_, "NTLibraryName", ZELVAR_BENCH_UDF);
    configsection_set_attrib(section_, "GenerateNewVal", policy);
    context_.engine_mode = engine_mode;
    record_ = {1, 0, section_, 0, 0, 0, 0, &context_};
  }
  ~Param() {
    Delete();
    configsection_destroy(section_);
  }
  CParamExt* Create() {
    object_ = GetPlugin().create(&record_, "UserDefinedFunction");
    return object_;
  }
  void Delete() {
    GetPlugin().destroy(object_);
    object_ = nullptr;
  }
  CParamExt* object() const { return object_; }

 private:
  void* section_;
  ParamHostContext context_{};
  ParamHostRecord record_{};
  CParamExt* object_ = nullptr;
};

UserValueFunction BenchFunction() {
  static void* library = dlopen(ZELVAR_BENCH_UDF, RTLD_NOW | RTLD_LOCAL);
  static UserValueFunction function = Bind<UserValueFunction>(library, "Fast");
  return function;
}

void BM_GenerateFloor(benchmark::State& state) {
  UserValueFunction function = BenchFunction();
  benchmark::DoNotOptimize(function);
  for (auto _ : state) {
    char* copy = strdup(function(0, 0));
    size_t length = std::strlen(copy);
    benchmark::DoNotOptimize(length);
    benchmark::DoNotOptimize(copy);
    std::free(copy);
  }
}
BENCHMARK(BM_GenerateFloor);

// GetValue through the operation table on a live parameter under `policy`.
void GetValueLoop(benchmark::State& state, const char* policy) {
  Param param(policy, ZELVAR_ENGINE_MODE_LIVE);
  CParamExt* object = param.Create();
  for (auto _ : state) {
    const char* text;
    int32_t length;
    object->GetValue(&text, &length);
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(length);
  }
}

void BM_GenerateGetValue(benchmark::State& state) { GetValueLoop(state, "EachOccurrence"); }
BENCHMARK(BM_GenerateGetValue);

void BM_HeldFloor(benchmark::State& state) {
  static const char* text = "ORD-000000000042-abcdef";
  const char* (*volatile fetch)() = [] { return text; };
  for (auto _ : state) {
    const char* value = fetch();
    size_t length = std::strlen(value);
    benchmark::DoNotOptimize(value);
    benchmark::DoNotOptimize(length);
  }
}
BENCHMARK(BM_HeldFloor);

void BM_HeldGetValue(benchmark::State& state) { GetValueLoop(state, "Once"); }
BENCHMARK(BM_HeldGetValue);

void BM_CreateFloor(benchmark::State& state) {
  void* keeper = dlopen(ZELVAR_BENCH_UDF, RTLD_NOW | RTLD_LOCAL);
  for (auto _ : state) {
    void* library = dlopen(ZELVAR_BENCH_UDF, RTLD_NOW | RTLD_LOCAL);
    benchmark::DoNotOptimize(dlsym(library, "Fast"));
    dlclose(library);
  }
  dlclose(keeper);
}
BENCHMARK(BM_CreateFloor);

void BM_CreateFloorWithFileTest(benchmark::State& state) {
  void* keeper = dlopen(ZELVAR_BENCH_UDF, RTLD_NOW | RTLD_LOCAL);
  for (auto _ : state) {
    struct stat info;
    benchmark::DoNotOptimize(stat(ZELVAR_BENCH_UDF, &info));
    void* library = dlopen(ZELVAR_BENCH_UDF, RTLD_NOW | RTLD_LOCAL);
    benchmark::DoNotOptimize(dlsym(library, "Fast"));
    dlclose(library);
  }
  dlclose(keeper);
}
BENCHMARK(BM_CreateFloorWithFileTest);

void BM_CreateDelete(benchmark::State& state) {
  Param keeper("EachOccurrence", 0);
  keeper.Create();
  Param param("EachOccurrence", 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(param.Create());
    param.Delete();
  }
}
BENCHMARK(BM_CreateDelete);

// Not a speed: the counters report what a typical object holds, by the
// ledgers (bytes from quenby, text copies from halvern32) and by the C heap
// as a whole (every byte the object keeps, allocator overhead included), and
// what each of those gained over ten million values. A keeper object loads
// the library first, so that the loader's own memory is not counted.
void BM_Memory(benchmark::State& state) {
  Param keeper("EachOccurrence", ZELVAR_ENGINE_MODE_LIVE);
  keeper.Create();
  struct Held {
    size_t bytes = quenby_live_bytes();
    size_t blocks = quenby_live_blocks();
    size_t copies = halvern32_live_copies();
    size_t heap = mallinfo2().uordblks;
  };
  // Signed: a loss must not show as a huge gain.
  auto gained = [](size_t after, size_t before) {
    return static_cast<double>(static_cast<ptrdiff_t>(after - before));
  };
  for (auto _ : state) {
    Param param("EachOccurrence", ZELVAR_ENGINE_MODE_LIVE);
    const char* text;
    int32_t length;
    // Read before any counter is set: setting one allocates.
    const Held empty;
    param.Create();
    param.object()->GetValue(&text, &length);
    const Held one;
    for (int i = 0; i < 10'000'000; ++i) param.object()->GetValue(&text, &length);
    const Held after;
    state.counters["object_bytes"] = gained(one.bytes, empty.bytes);
    state.counters["object_blocks"] = gained(one.blocks, empty.blocks);
    state.counters["text_copies"] = gained(one.copies, empty.copies);
    state.counters["heap_bytes"] = gained(one.heap, empty.heap);
    state.counters["bytes_gained"] = gained(after.bytes, one.bytes);
    state.counters["copies_gained"] = gained(after.copies, one.copies);
    state.counters["heap_gained"] = gained(after.heap, one.heap);
  }
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
