// A minimal host for tests: loads libzelvar.so as a host does, builds
// records and sections, and records every failure report.
#ifndef ZELVAR_TESTS_PLUGIN_HOST_H_
#define ZELVAR_TESTS_PLUGIN_HOST_H_

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "halvern32/halvern32_ledger.h"
#include "platform/settar.h"
#include "quenby/quenby_ledger.h"
#include "settar/settar_sections.h"
#include "zelvar/entry.h"
#include "zelvar/paramext.h"

namespace zelvar_test {

// The entry points, bound with dlsym from the built plug-in. Loaded once and
// kept for the process, as a host keeps its plug-ins.
struct Plugin {
  void* handle = nullptr;
  UserDefinedFunctionPPInitFn init = nullptr;
  UserDefinedFunctionPPTerminateFn terminate = nullptr;
  NewUserDefinedFunctionFn create = nullptr;
  DeleteUserDefinedFunctionFn destroy = nullptr;
  GetUserDefinedFunctionAttribKeyListFn keys = nullptr;

  static const Plugin& Get() {
    static const Plugin plugin = Load();
    return plugin;
  }

 private:
  template <typename Fn>
  static Fn Bind(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) ADD_FAILURE() << "plug-in does not export " << name;
    return reinterpret_cast<Fn>(symbol);
  }

  static Plugin Load() {
    Plugin p;
    p.handle = dlopen(ZELVAR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (p.handle == nullptr) {
      ADD_FAILURE() << "dlopen " << ZELVAR_PLUGIN_PATH << ": " << dlerror();
      return p;
    }
    p.init = Bind<UserDefinedFunctionPPInitFn>(p.handle, "UserDefinedFunctionPPInit");
    p.terminate = Bind<UserDefinedFunctionPPTerminateFn>(p.handle, "UserDefinedFunctionPPTerminate");
    p.create = Bind<NewUserDefinedFunctionFn>(p.handle, "NewUserDefinedFunction");
    p.destroy = Bind<DeleteUserDefinedFunctionFn>(p.handle, "DeleteUserDefinedFunction");
    p.keys = Bind<GetUserDefinedFunctionAttribKeyListFn>(p.handle, "GetUserDefinedFunctionAttribKeyList");
    return p;
  }
};

// One call of the host's report_error, texts copied.
struct Report {
  int32_t message_id;
  int32_t error_code;
  int32_t param_id;
  std::optional<std::string> function_name;
  std::optional<std::string> library_path;
};

inline std::vector<Report>& Reports() {
  static std::vector<Report> reports;
  return reports;
}

inline int RecordReport(int32_t message_id, int32_t error_code, int32_t param_id, const char* function_name,
                        const char* library_path) {
  auto text = [](const char* t) { return t ? std::optional<std::string>(t) : std::nullopt; };
  Reports().push_back({message_id, error_code, param_id, text(function_name), text(library_path)});
  return 0;
}

// The fixture library's call counter, read through a handle of the test's
// own (which also keeps the library and its counter loaded between objects).
class FixtureCalls {
 public:
  FixtureCalls() : handle_(dlopen(ZELVAR_FIXTURE_BASIC, RTLD_NOW | RTLD_LOCAL)) {
    calls_ = reinterpret_cast<int (*)()>(dlsym(handle_, "FixtureCalls"));
    reinterpret_cast<void (*)()>(dlsym(handle_, "FixtureReset"))();
  }
  ~FixtureCalls() { dlclose(handle_); }
  FixtureCalls(const FixtureCalls&) = delete;
  FixtureCalls& operator=(const FixtureCalls&) = delete;
  int operator()() const { return calls_(); }

 private:
  void* handle_;
  int (*calls_)() = nullptr;
};

// A host's parameter: section, context and record, and the object built from
// them, deleted before the section goes.
class HostParam {
 public:
  explicit HostParam(int32_t engine_mode = 0, int32_t param_id = 7) : section_(configsection_create()) {
    context_.engine_mode = engine_mode;
    context_.report_error = &RecordReport;
    record_.param_id = param_id;
    record_.section = section_;
    record_.context = &context_;
  }
  ~HostParam() {
    Delete();
    configsection_destroy(section_);
  }
  HostParam(const HostParam&) = delete;
  HostParam& operator=(const HostParam&) = delete;

  HostParam& Set(const char* key, const char* value) {
    configsection_set_attrib(section_, key, value);
    return *this;
  }
  const char* SectionValue(const char* key) const { return configsection_get_attrib_val(section_, key); }

  CParamExt* Create(const char* type_name = "UserDefinedFunction") {
    Delete();
    object_ = Plugin::Get().create(&record_, type_name);
    return object_;
  }
  void Delete() {
    if (object_ != nullptr) Plugin::Get().destroy(object_);
    object_ = nullptr;
  }

  CParamExt* object() const { return object_; }
  CParamExt* operator->() const { return object_; }
  ParamHostRecord& record() { return record_; }
  ParamHostContext& context() { return context_; }

  // GetValue as a host calls it; the text as a string, or nullopt for null.
  struct Value {
    int32_t result;
    std::optional<std::string> text;
    int32_t length;
  };
  Value Get() const { return Collect(&CParamExt::GetValue); }
  Value Current() const { return Collect(&CParamExt::GetCurrentValue); }

 private:
  Value Collect(int32_t (CParamExt::*slot)(const char**, int32_t*)) const {
    const char* text = nullptr;
    int32_t length = -1;
    int32_t result = (object_->*slot)(&text, &length);
    return {result, text ? std::optional<std::string>(text) : std::nullopt, length};
  }

  void* section_;
  ParamHostContext context_{};
  ParamHostRecord record_{};
  CParamExt* object_ = nullptr;
};

// Every test starts and ends with nothing held by the platform libraries:
// a leak or a double release shows as a ledger off zero.
class LedgerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Plugin::Get().handle, nullptr);
    Reports().clear();
    ExpectLedgersAtZero("before the test");
  }
  void TearDown() override { ExpectLedgersAtZero("after the test"); }

  static void ExpectLedgersAtZero(const char* when) {
    EXPECT_EQ(quenby_live_blocks(), 0u) << "maw_malloc blocks " << when;
    EXPECT_EQ(halvern32_live_copies(), 0u) << "os_strdup copies " << when;
    EXPECT_EQ(halvern32_live_paths(), 0u) << "net paths " << when;
    EXPECT_EQ(halvern32_live_libraries(), 0u) << "loaded libraries " << when;
    EXPECT_EQ(settar_live_sections(), 0u) << "sections " << when;
  }
};

}  // namespace zelvar_test

#endif  // ZELVAR_TESTS_PLUGIN_HOST_H_
