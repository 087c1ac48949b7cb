// Reading and writing a parameter's attributes by key.
#include <cstring>
#include <string>

#include "support/plugin_host.h"

namespace zelvar_test {
namespace {

class AttribTest : public LedgerTest {
 protected:
  void SetUp() override {
    LedgerTest::SetUp();
    HostParam& host = param_holder_.emplace();
    host.Set("FunctionName", "Abc")
        .Set("NTLibraryName", ZELVAR_FIXTURE_BASIC)
        .Set("SOLibraryName", "so.so")
        .Set("KTLibraryName", "kt.so")
        .Set("AXLibraryName", "ax.so")
        .Set("GenerateNewVal", "Once")
        .Set("OriginalValue", "original")
        .Set("ParamName", "order")
        .Set("net_dir", "/nowhere");
    ASSERT_NE(host.Create("UserDefinedFunction"), nullptr);
  }
  void TearDown() override {
    param_holder_.reset();
    LedgerTest::TearDown();
  }

  std::optional<std::string> Attrib(const char* key, int32_t* length = nullptr) {
    const char* text = param()->GetAttrib(key, length);
    return text ? std::optional<std::string>(text) : std::nullopt;
  }

  // Built in SetUp, so that the ledgers are checked around it.
  HostParam& param() { return *param_holder_; }
  std::optional<HostParam> param_holder_;
};

TEST_F(AttribTest, ReadsEachKeyInAnyLetterCase) {
  const struct {
    const char* key;
    std::optional<std::string> expected;
  } cases[] = {
      {"ParamName", "order"},         {"PARAMNAME", "order"},
      {"Type", "UserDefinedFunction"}, {"type", "UserDefinedFunction"},
      {"FunctionName", "Abc"},        {"NTLibraryName", ZELVAR_FIXTURE_BASIC},
      {"SOLibraryName", "so.so"},     {"ktlibraryname", "kt.so"},
      {"AXLibraryName", "ax.so"},     {"GenerateNewVal", "Once"},
      {"OriginalValue", "original"},  {"net_dir", std::nullopt},
      {"Scope", std::nullopt},        {"val", std::nullopt},
      {"", std::nullopt},             {"ParamNameX", std::nullopt},
  };
  for (const auto& c : cases) {
    int32_t length = 99;
    EXPECT_EQ(Attrib(c.key, &length), c.expected) << c.key;
    EXPECT_EQ(length, 99) << c.key << ": only \"value\" writes the length";
  }
  EXPECT_EQ(param()->GetAttrib(nullptr, nullptr), nullptr);
}

TEST_F(AttribTest, ValueKeyGeneratesWhenNeededAndFillsTheLength) {
  int32_t length = -1;
  EXPECT_EQ(Attrib("VALUE", &length), "abc");
  EXPECT_EQ(length, 3);
  EXPECT_EQ(Attrib("value"), "abc");  // null length destination
}

TEST_F(AttribTest, SetsEachKeyAsItsRowSays) {
  const struct {
    const char* key;
    const char* section_key;  // where the section is written, null if not
    const char* read_back;    // the key whose attribute shows the new text
  } cases[] = {
      {"OriginalValue", "OriginalValue", "OriginalValue"},
      {"originalVALUE", "originalVALUE", nullptr},
      {"SOLibraryName", "SOLibraryName", "SOLibraryName"},
      {"ktLIBRARYname", "ktLIBRARYname", "KTLibraryName"},
      {"AXLibraryName", "AXLibraryName", "AXLibraryName"},
      {"GenerateNewVal", "GenerateNewVal", "GenerateNewVal"},
      {"ParamName", nullptr, nullptr},
      {"Type", nullptr, nullptr},
      {"net_dir", nullptr, nullptr},
      {"values", nullptr, nullptr},
      {"Unknown", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("new-") + c.key;
    EXPECT_EQ(param()->SetAttrib(c.key, text.c_str(), 12345), 0) << c.key;
    if (c.section_key != nullptr) {
      EXPECT_STREQ(param().SectionValue(c.section_key), text.c_str()) << c.key;
    } else if (std::strcmp(c.key, "ParamName") != 0 && std::strcmp(c.key, "net_dir") != 0) {
      EXPECT_EQ(param().SectionValue(c.key), nullptr) << c.key;
    }
    if (c.read_back != nullptr) {
      EXPECT_EQ(Attrib(c.read_back), text) << c.key;
    }
  }
  EXPECT_STREQ(param().SectionValue("ParamName"), "order");
  EXPECT_STREQ(param().SectionValue("net_dir"), "/nowhere");
  EXPECT_EQ(Attrib("Type"), "UserDefinedFunction");
  EXPECT_EQ(Attrib("value"), "abc");
}

TEST_F(AttribTest, ValueKeyIsAnyBeginningOfValue) {
  for (const char* key : {"value", "VALUE", "Va", "v", ""}) {
    const std::string text = std::string("set by '") + key + "'";
    EXPECT_EQ(param()->SetAttrib(key, text.c_str(), 0), 0) << key;
    EXPECT_EQ(param().Current().text, text) << key;
    EXPECT_EQ(param().SectionValue(key), nullptr) << key;
  }
}

TEST_F(AttribTest, NullKeyOrValueChangesNothing) {
  EXPECT_EQ(param()->SetAttrib(nullptr, "x", 0), -1);
  EXPECT_EQ(param()->SetAttrib("OriginalValue", nullptr, 0), -1);
  EXPECT_EQ(param()->SetAttrib("value", nullptr, 0), -1);
  EXPECT_EQ(Attrib("OriginalValue"), "original");
  EXPECT_EQ(param().Current().text, std::nullopt);
}

TEST_F(AttribTest, PolicyStaysAsBuiltWhenTheSectionChanges) {
  FixtureCalls calls;
  EXPECT_EQ(param()->SetAttrib("GenerateNewVal", "EachIteration", 0), 0);
  EXPECT_EQ(Attrib("GenerateNewVal"), "EachIteration");
  param().Get();
  param()->UpdateValue(0);
  param()->UpdateValue(0);
  EXPECT_EQ(calls(), 1);
}

// A host may hand back a text the object handed out; the object must copy
// it before it lets go of the old one.
TEST_F(AttribTest, AcceptsItsOwnTextsBack) {
  const char* value = param()->GetAttrib("value", nullptr);
  EXPECT_EQ(param()->SetAttrib("value", value, 0), 0);
  EXPECT_EQ(param().Current().text, "abc");
  EXPECT_EQ(param()->SetAttrib("SOLibraryName", param()->GetAttrib("SOLibraryName", nullptr), 0), 0);
  EXPECT_EQ(Attrib("SOLibraryName"), "so.so");
  EXPECT_EQ(param()->SetAttrib("OriginalValue", param()->GetAttrib("OriginalValue", nullptr), 0), 0);
  EXPECT_EQ(Attrib("OriginalValue"), "original");
}

TEST_F(AttribTest, ReservedSlotsAreUnsupported) {
  EXPECT_EQ(param()->ReservedOp2(1, 2), -1);
  EXPECT_EQ(param()->ReservedOp4(1), -1);
  EXPECT_EQ(param()->ReservedOp8(1, 2), -1);
  EXPECT_EQ(param()->ReservedOp9(1, 2, 3), -1);
  EXPECT_EQ(param()->ReservedOp10(1), -1);
  EXPECT_EQ(param()->ReservedOp11(), -1);
  EXPECT_EQ(param()->GetParamId(), 7);
  EXPECT_EQ(param().Current().text, std::nullopt);
}

}  // namespace
}  // namespace zelvar_test
