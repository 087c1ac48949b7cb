// The entry points as a host calls them.
#include <cstring>

#include "support/plugin_host.h"

namespace zelvar_test {
namespace {

TEST_F(LedgerTest, InitAndTerminateKeepNoState) {
  const Plugin& plugin = Plugin::Get();
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);
  EXPECT_EQ(plugin.init(), 0);
  EXPECT_EQ(plugin.init(), 0);
  plugin.terminate();
  EXPECT_EQ(param.Get().text, "abc");
}

TEST_F(LedgerTest, KeyListIsOneConstantText) {
  const char* keys = Plugin::Get().keys();
  EXPECT_STREQ(keys,
               "value,ParamName,Type,GenerateNewVal,OriginalValue,FunctionName,NTLibraryName,SOLibraryName,"
               "KTLibraryName,AXLibraryName");
  EXPECT_EQ(Plugin::Get().keys(), keys);
}

TEST_F(LedgerTest, CreationWithoutRecordContextOrTypeCreatesNothing) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  const size_t malloc_calls = quenby_malloc_calls();
  EXPECT_EQ(Plugin::Get().create(nullptr, "UserDefinedFunction"), nullptr);
  EXPECT_EQ(Plugin::Get().create(&param.record(), nullptr), nullptr);
  param.record().context = nullptr;
  EXPECT_EQ(param.Create(), nullptr);
  EXPECT_EQ(quenby_malloc_calls(), malloc_calls);
  EXPECT_EQ(halvern32_live_libraries(), 0u);
  Plugin::Get().destroy(nullptr);
}

TEST_F(LedgerTest, ObjectKeepsItsTypeTextAndScope) {
  HostParam param(0, 31);
  param.Set("Scope", "Global");
  const char* type_names[] = {"UserDefinedFunction", "", "table", "Table ", "Tables", "Table", "Spreadsheet"};
  for (const char* type_name : type_names) {
    std::string copy = type_name;
    ASSERT_NE(param.Create(copy.c_str()), nullptr) << type_name;
    copy.assign("overwritten");
    EXPECT_STREQ(param->GetAttrib("type", nullptr), type_name);
    EXPECT_EQ(param->GetParamId(), 31);
    EXPECT_EQ(param.Get().result, -13650) << "nothing configured, nothing bound";
  }
}

TEST_F(LedgerTest, ObjectMemoryComesFromTheHostAllocator) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create("UserDefinedFunction"), nullptr);
  // The object itself and the copy of its type text.
  EXPECT_EQ(quenby_live_blocks(), 2u);
  EXPECT_GE(quenby_live_bytes(), sizeof(CParamExt) + std::strlen("UserDefinedFunction") + 1);
  param.Delete();
  EXPECT_EQ(quenby_live_blocks(), 0u);
}

}  // namespace
}  // namespace zelvar_test
