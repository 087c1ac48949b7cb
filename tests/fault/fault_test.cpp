// Failing platform calls: every maw_malloc and every fallible halvern32 call
// (os_strdup, os_load_library, os_get_proc_address, the net-path builder)
// that a whole lifecycle makes is failed in turn. Each run must agree with
// the reference model, which knows what each failure leaves behind, and give
// everything back.
#include <set>
#include <string>

#include "harness.h"
#include "scripts.h"
#include "support/plugin_host.h"

namespace zelvar_test {
namespace {

using zelvar_fuzz::Differential;
using zelvar_fuzz::Op;
using zelvar_fuzz::OpKind;

constexpr int32_t kFailed = -13650;

std::optional<std::string> Opt(const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; }

class LifecycleFaultTest : public LedgerTest {
 protected:
  // Runs the lifecycle once per call of one kind, that call failing, and
  // returns where the failures landed.
  std::set<std::string> FailEachCall(OpKind arm, size_t (Differential::*calls)() const) {
    const std::vector<Op> script = zelvar_fuzz::LifecycleScript(zelvar_fuzz::BuildWorld());
    Differential differential(zelvar_fuzz::BuildWorld());
    EXPECT_EQ(differential.Run(script), std::nullopt) << "without a fault";
    const size_t total = (differential.*calls)();
    EXPECT_GT(total, 0u);
    std::set<std::string> sites;
    for (size_t n = 1; n <= total; ++n) {
      Op fault;
      fault.kind = arm;
      fault.number = static_cast<int32_t>(n);
      std::vector<Op> ops{fault};
      ops.insert(ops.end(), script.begin(), script.end());
      const auto difference = differential.Run(ops);
      EXPECT_EQ(difference, std::nullopt) << "call " << n << " of " << total << " failing";
      EXPECT_NE(differential.fired_site(), "") << "call " << n << " of " << total << " never came";
      if (difference || HasFailure()) break;
      sites.insert(differential.fired_site());
    }
    return sites;
  }
};

TEST_F(LifecycleFaultTest, EachMawMallocFailsInTurn) {
  EXPECT_EQ(FailEachCall(OpKind::kArmMalloc, &Differential::malloc_calls),
            (std::set<std::string>{"maw_malloc for the object", "maw_malloc for the type text"}));
}

TEST_F(LifecycleFaultTest, EachFallibleHalvern32CallFailsInTurn) {
  // Every call site of the plug-in, each reached at least once.
  EXPECT_EQ(FailEachCall(OpKind::kArmFallible, &Differential::fallible_calls),
            (std::set<std::string>{
                "os_strdup of FunctionName at creation",
                "os_strdup of NTLibraryName at creation",
                "os_strdup of SOLibraryName at creation",
                "os_strdup of KTLibraryName at creation",
                "os_strdup of AXLibraryName at creation",
                "os_strdup of a library path that names a file",
                "os_qvnetpath_create_net_path",
                "os_strdup of a net path",
                "os_load_library",
                "os_get_proc_address",
                "os_strdup of a generated value",
                "os_strdup of a value set by the host",
                "os_strdup of a name set by the host",
            }));
}

// The same failures spelled out, one object at a time: the rules, not the
// model, say what each leaves behind.
struct CreationFault {
  const char* what;
  bool malloc;  // maw_malloc rather than a halvern32 call
  size_t call;  // counted from the creation
  bool through_net_dir;
  bool created;
  const char* type;  // GetAttrib("Type")
  const char* function_name;
  const char* library_name;
  // A failed first GetValue reports these: `reported` is the function name,
  // "" for none; a null `reported` means that GetValue produced "abc".
  const char* reported;
  const char* reported_path;
  size_t libraries_loaded;
};

TEST_F(LedgerTest, EachCreationCallFailingLeavesWhatTheRulesSay) {
  const std::string net_path = std::string(ZELVAR_FIXTURE_DIR) + "/libudf_basic.so";
  const char* basic = ZELVAR_FIXTURE_BASIC;
  const CreationFault cases[] = {
      {"no memory for the object", true, 1, false, false, nullptr, nullptr, nullptr, nullptr, nullptr, 0},
      {"no memory for the type text", true, 2, false, true, nullptr, "Abc", basic, nullptr, nullptr, 1},
      {"no copy of the function name", false, 1, false, true, "UDF", nullptr, basic, "", basic, 0},
      {"no copy of the library name", false, 2, false, true, "UDF", "Abc", nullptr, "Abc", nullptr, 0},
      {"no copy of the path", false, 3, false, true, "UDF", "Abc", basic, "Abc", nullptr, 0},
      {"no net path", false, 3, true, true, "UDF", "Abc", "libudf_basic.so", "Abc", nullptr, 0},
      {"no copy of the net path", false, 4, true, true, "UDF", "Abc", "libudf_basic.so", "Abc", nullptr, 0},
      {"library not loaded", false, 4, false, true, "UDF", "Abc", basic, "Abc", basic, 0},
      {"function not bound", false, 5, false, true, "UDF", "Abc", basic, "Abc", basic, 1},
      {"net library not loaded", false, 5, true, true, "UDF", "Abc", "libudf_basic.so", "Abc", net_path.c_str(), 0},
  };
  for (const CreationFault& c : cases) {
    SCOPED_TRACE(c.what);
    Reports().clear();
    HostParam param;
    param.Set("FunctionName", "Abc");
    param.Set("NTLibraryName", c.through_net_dir ? "libudf_basic.so" : basic).Set("net_dir", ZELVAR_FIXTURE_DIR);
    if (c.malloc) {
      quenby_fail_call(c.call);
    } else {
      halvern32_fail_call(c.call);
    }
    CParamExt* object = param.Create("UDF");
    quenby_fail_call(0);
    halvern32_fail_call(0);
    ASSERT_EQ(object != nullptr, c.created);
    EXPECT_EQ(halvern32_live_libraries(), c.libraries_loaded);
    if (!c.created) continue;
    EXPECT_EQ(Opt(param->GetAttrib("Type", nullptr)), Opt(c.type));
    EXPECT_EQ(Opt(param->GetAttrib("FunctionName", nullptr)), Opt(c.function_name));
    EXPECT_EQ(Opt(param->GetAttrib("NTLibraryName", nullptr)), Opt(c.library_name));
    const auto value = param.Get();
    if (c.reported == nullptr) {
      EXPECT_EQ(value.result, 0);
      EXPECT_EQ(value.text, "abc");
      EXPECT_TRUE(Reports().empty());
      continue;
    }
    EXPECT_EQ(value.result, kFailed);
    EXPECT_EQ(value.text, std::nullopt);
    EXPECT_EQ(value.length, 0);
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0].function_name, *c.reported ? Opt(c.reported) : std::nullopt);
    EXPECT_EQ(Reports()[0].library_path, Opt(c.reported_path));
  }
}

TEST_F(LedgerTest, FailedCopiesAfterCreationActAsTextsNotSet) {
  FixtureCalls calls;
  HostParam param;
  param.Set("FunctionName", "Counter").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC).Set("GenerateNewVal", "Once");
  ASSERT_NE(param.Create(), nullptr);

  // The generated value cannot be copied: no value, no failure, and the
  // next request calls the function again.
  halvern32_fail_call(1);
  auto value = param.Get();
  EXPECT_EQ(value.result, 0);
  EXPECT_EQ(value.text, std::nullopt);
  EXPECT_EQ(value.length, 0);
  EXPECT_EQ(param.Get().text, "2");
  EXPECT_EQ(calls(), 2);

  // A value set by the host that cannot be copied leaves none.
  halvern32_fail_call(1);
  EXPECT_EQ(param->SetAttrib("value", "mine", 0), 0);
  EXPECT_EQ(param.Current().text, std::nullopt);

  // A function name that cannot be copied is not set: the section is still
  // written, and the earlier binding stays.
  halvern32_fail_call(1);
  EXPECT_EQ(param->SetAttrib("FunctionName", "Abc", 0), 0);
  EXPECT_EQ(param->GetAttrib("FunctionName", nullptr), nullptr);
  EXPECT_STREQ(param.SectionValue("FunctionName"), "Abc");
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "3");

  // A library name that cannot be copied leaves no path, and the binding
  // stays too.
  halvern32_fail_call(1);
  EXPECT_EQ(param->SetAttrib("NTLibraryName", ZELVAR_FIXTURE_OTHER, 0), 0);
  EXPECT_EQ(param->GetAttrib("NTLibraryName", nullptr), nullptr);
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "4");
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(halvern32_live_libraries(), 1u);
}

}  // namespace
}  // namespace zelvar_test
