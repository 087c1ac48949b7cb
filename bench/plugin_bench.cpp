// The plug-in's cost over the physical floor, each pair in the same run:
//  - a generation on every GetValue (live, EachOccurrence) against a direct
//    call of the same function plus strdup, free and strlen;
//  - GetValue with nothing to generate (Once) against an indirect call plus
//    strlen of the same text;
//  - creating and deleting an object whose library another object keeps
//    loaded against dlopen of a loaded library, dlsym and dlclose;
//  - memory held per object, and none gained over many values.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

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

void BM_GenerateGetValue(benchmark::State& state) {
  Param param("EachOccurrence", ZELVAR_ENGINE_MODE_LIVE);
  CParamExt* object = param.Create();
  for (auto _ : state) {
    const char* text;
    int32_t length;
    object->GetValue(&text, &length);
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(length);
  }
}
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

void BM_HeldGetValue(benchmark::State& state) {
  Param param("Once", ZELVAR_ENGINE_MODE_LIVE);
  CParamExt* object = param.Create();
  for (auto _ : state) {
    const char* text;
    int32_t length;
    object->GetValue(&text, &length);
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(length);
  }
}
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

// Not a speed: the counters report the bytes a typical object holds and what
// the ledgers gained over ten million values.
void BM_Memory(benchmark::State& state) {
  for (auto _ : state) {
    Param param("EachOccurrence", ZELVAR_ENGINE_MODE_LIVE);
    const size_t blocks_before = quenby_live_blocks();
    const size_t bytes_before = quenby_live_bytes();
    const size_t copies_before = halvern32_live_copies();
    param.Create();
    const char* text;
    int32_t length;
    param.object()->GetValue(&text, &length);
    state.counters["object_blocks"] = static_cast<double>(quenby_live_blocks() - blocks_before);
    state.counters["object_bytes"] = static_cast<double>(quenby_live_bytes() - bytes_before);
    state.counters["text_copies"] = static_cast<double>(halvern32_live_copies() - copies_before);
    const size_t held_bytes = quenby_live_bytes();
    const size_t held_copies = halvern32_live_copies();
    for (int i = 0; i < 10'000'000; ++i) param.object()->GetValue(&text, &length);
    state.counters["bytes_gained"] = static_cast<double>(quenby_live_bytes() - held_bytes);
    state.counters["copies_gained"] = static_cast<double>(halvern32_live_copies() - held_copies);
  }
}
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
