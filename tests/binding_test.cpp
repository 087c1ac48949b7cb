// Resolving the library, binding the function, rebinding on new names, and
// the failure reports of generations without a function.
#include <string>

#include "support/plugin_host.h"

namespace zelvar_test {
namespace {

constexpr int32_t kMessage = 0x70030020;
constexpr int32_t kFailed = -13650;

void ExpectReport(const Report& report, int32_t param_id, std::optional<std::string> function,
                  std::optional<std::string> library) {
  EXPECT_EQ(report.message_id, kMessage);
  EXPECT_EQ(report.error_code, kFailed);
  EXPECT_EQ(report.param_id, param_id);
  EXPECT_EQ(report.function_name, function);
  EXPECT_EQ(report.library_path, library);
}

void ExpectFailedValue(const HostParam& param) {
  auto value = param.Get();
  EXPECT_EQ(value.result, kFailed);
  EXPECT_EQ(value.text, std::nullopt);
  EXPECT_EQ(value.length, 0);
}

TEST_F(LedgerTest, LibraryNameResolvesAsAFileOrThroughNetDir) {
  const std::string through_net_dir = std::string(ZELVAR_FIXTURE_DIR) + "/libudf_basic.so";
  const struct {
    const char* name;
    const char* net_dir;
    std::optional<std::string> path;  // what the failure report names
  } cases[] = {
      {ZELVAR_FIXTURE_BASIC, "/nowhere", ZELVAR_FIXTURE_BASIC},  // an existing file is used as it is
      {"libudf_basic.so", ZELVAR_FIXTURE_DIR, through_net_dir},
      {"libudf_basic.so", ZELVAR_FIXTURE_DIR "/", through_net_dir},
      {"libudf_basic.so", nullptr, std::nullopt},
      {"libudf_basic.so", "", std::nullopt},
      {"libudf_basic.so", "/nowhere", std::nullopt},
      {"", ZELVAR_FIXTURE_DIR, std::nullopt},
      {nullptr, ZELVAR_FIXTURE_DIR, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name ? c.name : "(no name)") + " in " + (c.net_dir ? c.net_dir : "(no net_dir)"));
    Reports().clear();
    HostParam param(0, 11);
    param.Set("FunctionName", "NotExported");
    if (c.name != nullptr) param.Set("NTLibraryName", c.name);
    if (c.net_dir != nullptr) param.Set("net_dir", c.net_dir);
    ASSERT_NE(param.Create(), nullptr);
    ExpectFailedValue(param);
    ASSERT_EQ(Reports().size(), 1u);
    ExpectReport(Reports()[0], 11, "NotExported", c.path);
    // The configured name is what the host reads back, not the path.
    EXPECT_EQ(param->GetAttrib("NTLibraryName", nullptr) ? std::optional<std::string>(param->GetAttrib("NTLibraryName", nullptr)) : std::nullopt,
              c.name ? std::optional<std::string>(c.name) : std::nullopt);
  }
}

TEST_F(LedgerTest, ResolvedThroughNetDirTheFunctionWorks) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", "libudf_basic.so").Set("net_dir", ZELVAR_FIXTURE_DIR);
  ASSERT_NE(param.Create(), nullptr);
  EXPECT_EQ(param.Get().text, "abc");
}

TEST_F(LedgerTest, EveryFailedGenerationIsReportedOnce) {
  const struct {
    const char* function;  // null: no "FunctionName"
    const char* library;   // null: no "NTLibraryName"
    std::optional<std::string> reported_path;
  } cases[] = {
      {"Abc", nullptr, std::nullopt},
      {nullptr, ZELVAR_FIXTURE_BASIC, ZELVAR_FIXTURE_BASIC},
      {"", ZELVAR_FIXTURE_BASIC, ZELVAR_FIXTURE_BASIC},
      {"Missing", ZELVAR_FIXTURE_BASIC, ZELVAR_FIXTURE_BASIC},
      {"Abc", ZELVAR_FIXTURE_NOT_A_LIBRARY, ZELVAR_FIXTURE_NOT_A_LIBRARY},
      {"Throw", ZELVAR_FIXTURE_THROW, ZELVAR_FIXTURE_THROW},
      {"ThrowInt", ZELVAR_FIXTURE_THROW, ZELVAR_FIXTURE_THROW},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.function ? c.function : "(none)") + " in " + (c.library ? c.library : "(none)"));
    Reports().clear();
    HostParam param(0, 42);
    if (c.function != nullptr) param.Set("FunctionName", c.function);
    if (c.library != nullptr) param.Set("NTLibraryName", c.library);
    ASSERT_NE(param.Create(), nullptr);
    EXPECT_TRUE(Reports().empty()) << "binding failures surface at generation, not before";
    ExpectFailedValue(param);
    ExpectFailedValue(param);
    EXPECT_EQ(param->UpdateValue(1), kFailed);
    EXPECT_EQ(param->GetAttrib("value", nullptr), nullptr);
    ASSERT_EQ(Reports().size(), 4u);
    for (const Report& report : Reports()) {
      ExpectReport(report, 42, c.function ? std::optional<std::string>(c.function) : std::nullopt, c.reported_path);
    }
  }
}

TEST_F(LedgerTest, ThrowingFunctionLosesTheValueHeldBefore) {
  HostParam param;
  param.Set("FunctionName", "Throw").Set("NTLibraryName", ZELVAR_FIXTURE_THROW);
  ASSERT_NE(param.Create(), nullptr);
  param->SetAttrib("value", "before", 0);
  EXPECT_EQ(param->UpdateValue(1), kFailed);
  EXPECT_EQ(param.Current().text, std::nullopt);
  EXPECT_EQ(Reports().size(), 1u);
}

TEST_F(LedgerTest, LiveCreationReportsAFailedFirstValueAndStillReturnsTheObject) {
  HostParam param(2, 5);
  param.Set("FunctionName", "Missing").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC).Set("GenerateNewVal", "Once");
  ASSERT_NE(param.Create(), nullptr);
  ASSERT_EQ(Reports().size(), 1u);
  ExpectReport(Reports()[0], 5, "Missing", ZELVAR_FIXTURE_BASIC);
}

TEST_F(LedgerTest, NoReportFunctionMeansNoReport) {
  HostParam param;
  param.context().report_error = nullptr;
  param.Set("FunctionName", "Missing").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);
  ExpectFailedValue(param);
}

TEST_F(LedgerTest, SettingFunctionNameRebinds) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);

  // The empty name leaves the earlier binding in place.
  EXPECT_EQ(param->SetAttrib("functionname", "", 0), 0);
  EXPECT_STREQ(param.SectionValue("functionname"), "");
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "abc");
  EXPECT_EQ(halvern32_live_libraries(), 1u);

  EXPECT_EQ(param->SetAttrib("FunctionName", "Empty", 0), 0);
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "");
  EXPECT_EQ(halvern32_live_libraries(), 1u) << "the old handle is released on reload";

  EXPECT_EQ(param->SetAttrib("FunctionName", "Missing", 0), 0);
  EXPECT_EQ(param->UpdateValue(1), kFailed);
  EXPECT_EQ(param.Current().text, std::nullopt);
  ASSERT_EQ(Reports().size(), 1u);
  ExpectReport(Reports()[0], 7, "Missing", ZELVAR_FIXTURE_BASIC);
}

TEST_F(LedgerTest, SettingLibraryNameRebinds) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC).Set("net_dir", ZELVAR_FIXTURE_DIR);
  ASSERT_NE(param.Create(), nullptr);
  EXPECT_EQ(param.Get().text, "abc");

  EXPECT_EQ(param->SetAttrib("NTLIBRARYNAME", "libudf_other.so", 0), 0);
  EXPECT_STREQ(param.SectionValue("NTLIBRARYNAME"), "libudf_other.so");
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "xyz");

  // A name that does not resolve leaves no path but keeps the library bound.
  EXPECT_EQ(param->SetAttrib("NTLibraryName", "libnothing.so", 0), 0);
  EXPECT_EQ(param->UpdateValue(1), 0);
  EXPECT_EQ(param.Current().text, "xyz");
  EXPECT_STREQ(param->GetAttrib("NTLibraryName", nullptr), "libnothing.so");
  EXPECT_EQ(halvern32_live_libraries(), 1u);
}

TEST_F(LedgerTest, ObjectsNamingOneLibraryLoadItEach) {
  HostParam first;
  HostParam second;
  for (HostParam* param : {&first, &second}) {
    param->Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
    ASSERT_NE(param->Create(), nullptr);
  }
  EXPECT_EQ(halvern32_live_libraries(), 2u);
  first.Delete();
  EXPECT_EQ(halvern32_live_libraries(), 1u);
  EXPECT_EQ(second.Get().text, "abc");
}

}  // namespace
}  // namespace zelvar_test
