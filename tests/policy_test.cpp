// When a parameter calls its value function: the update policies, live mode,
// and what each call hands out.
#include <string>

#include "support/plugin_host.h"

namespace zelvar_test {
namespace {

struct PolicyCase {
  const char* policy;  // the section's "GenerateNewVal", null for none
  int32_t engine_mode;
  // Calls of the value function after creation, then after each step of
  // GetValue, GetValue, UpdateValue(0), GetValue, UpdateValue(2),
  // UpdateValue(1), GetValue.
  int calls[8];
};

void PrintTo(const PolicyCase& c, std::ostream* os) {
  *os << (c.policy ? c.policy : "(none)") << " engine_mode " << c.engine_mode;
}

class PolicyTest : public LedgerTest, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(PolicyTest, CallsTheFunctionWhenThePolicySays) {
  const PolicyCase& c = GetParam();
  FixtureCalls calls;
  HostParam param(c.engine_mode);
  param.Set("FunctionName", "Counter").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  if (c.policy != nullptr) param.Set("GenerateNewVal", c.policy);
  ASSERT_NE(param.Create(), nullptr);

  // Each value is the number of the call that produced it, so the text
  // handed out must be the newest generation's.
  auto expect_value = [&](int step, int32_t result) {
    EXPECT_EQ(calls(), c.calls[step]) << "step " << step;
    EXPECT_EQ(result, 0) << "step " << step;
    auto current = param.Current();
    if (c.calls[step] == 0) {
      EXPECT_EQ(current.text, std::nullopt) << "step " << step;
    } else {
      EXPECT_EQ(current.text, std::to_string(calls())) << "step " << step;
    }
  };
  expect_value(0, 0);
  expect_value(1, param.Get().result);
  expect_value(2, param.Get().result);
  expect_value(3, param->UpdateValue(0));
  expect_value(4, param.Get().result);
  expect_value(5, param->UpdateValue(2));
  expect_value(6, param->UpdateValue(1));
  expect_value(7, param.Get().result);
  EXPECT_TRUE(Reports().empty());
}

constexpr int32_t kLive = 2;

INSTANTIATE_TEST_SUITE_P(
    Policies, PolicyTest,
    ::testing::Values(
        //                                    create G  G  U0 G  U2 U1 G
        PolicyCase{nullptr, 0, /*       */ {0, 1, 1, 1, 1, 1, 2, 2}},
        PolicyCase{nullptr, kLive, /*   */ {0, 1, 2, 2, 3, 3, 4, 5}},
        PolicyCase{"EachOccurrence", kLive, {0, 1, 2, 2, 3, 3, 4, 5}},
        PolicyCase{"Each", kLive, /*    */ {0, 1, 2, 2, 3, 3, 4, 5}},
        PolicyCase{"", kLive, /*        */ {0, 1, 2, 2, 3, 3, 4, 5}},
        PolicyCase{"EachIteration", 0, /**/ {0, 1, 1, 2, 2, 3, 4, 4}},
        PolicyCase{"eachITERATION", kLive, {1, 1, 1, 2, 2, 3, 4, 4}},
        PolicyCase{"Once", 0, /*        */ {0, 1, 1, 1, 1, 1, 2, 2}},
        PolicyCase{"ONCE", kLive, /*    */ {1, 1, 1, 1, 1, 1, 2, 2}},
        PolicyCase{"Once", 1, /*        */ {0, 1, 1, 1, 1, 1, 2, 2}}));

TEST_F(LedgerTest, ValueIsHandedOutWithItsLength) {
  HostParam param;
  param.Set("FunctionName", "Abc").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);
  auto value = param.Get();
  EXPECT_EQ(value.result, 0);
  EXPECT_EQ(value.text, "abc");  // the fixture answers otherwise for non-zero arguments
  EXPECT_EQ(value.length, 3);

  // Both destinations may be null.
  EXPECT_EQ(param->GetValue(nullptr, nullptr), 0);
  EXPECT_EQ(param->GetCurrentValue(nullptr, nullptr), 0);
}

TEST_F(LedgerTest, EmptyValueDiffersFromNoValueOnlyInThePointer) {
  HostParam param;
  param.Set("FunctionName", "Empty").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);
  EXPECT_EQ(param.Current().text, std::nullopt);
  EXPECT_EQ(param.Current().length, 0);
  auto value = param.Get();
  EXPECT_EQ(value.text, "");
  EXPECT_EQ(value.length, 0);
}

TEST_F(LedgerTest, NullFromTheFunctionIsNoValueAndIsAskedForAgain) {
  FixtureCalls calls;
  HostParam param;
  param.Set("FunctionName", "Null").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC).Set("GenerateNewVal", "Once");
  ASSERT_NE(param.Create(), nullptr);
  for (int call = 1; call <= 2; ++call) {
    auto value = param.Get();
    EXPECT_EQ(value.result, 0);
    EXPECT_EQ(value.text, std::nullopt);
    EXPECT_EQ(value.length, 0);
    EXPECT_EQ(calls(), call);
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(LedgerTest, EngineModeIsReadOnlyAtCreation) {
  FixtureCalls calls;
  HostParam param(0);
  param.Set("FunctionName", "Counter").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(param.Create(), nullptr);
  param.context().engine_mode = 2;
  param.Get();
  param.Get();
  EXPECT_EQ(calls(), 1);
}

TEST_F(LedgerTest, SetValueLastsUntilThePolicyReplacesIt) {
  FixtureCalls calls;
  HostParam once;
  once.Set("FunctionName", "Counter").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC).Set("GenerateNewVal", "Once");
  ASSERT_NE(once.Create(), nullptr);
  EXPECT_EQ(once->SetAttrib("value", "set", 0), 0);
  EXPECT_EQ(once.Get().text, "set");
  EXPECT_EQ(once->UpdateValue(0), 0);
  EXPECT_EQ(once.Get().text, "set");
  EXPECT_EQ(calls(), 0);
  EXPECT_EQ(once->UpdateValue(1), 0);
  EXPECT_EQ(once.Get().text, "1");

  HostParam live(2);
  live.Set("FunctionName", "Counter").Set("NTLibraryName", ZELVAR_FIXTURE_BASIC);
  ASSERT_NE(live.Create(), nullptr);
  live->SetAttrib("VALUE", "set", 0);
  EXPECT_EQ(live.Current().text, "set");
  EXPECT_EQ(live.Get().text, "2");
}

}  // namespace
}  // namespace zelvar_test
