// zelvar-host check and keys, end to end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "host_runner.h"

namespace zelvar_test {
namespace {

using ::testing::HasSubstr;

std::string Section(const std::string& name, const std::string& function, const std::string& library) {
  return "[" + name + "]\nFunctionName = " + function + "\nNTLibraryName = " + library + "\n";
}

// The block that check prints for one parameter, up to the blank line.
std::string Block(const std::string& out, const std::string& name) {
  const size_t start = out.find("[" + name + "]\n");
  if (start == std::string::npos) return "";
  return out.substr(start, out.find("\n\n", start) - start + 1);
}

TEST(CheckTest, ExplainsEachStepOfAParameterThatYieldsAValue) {
  const Scratch scratch;
  std::filesystem::copy_file(ZELVAR_FIXTURE_BASIC, scratch / "libvalues.so");
  scratch.Write("params.ini", Section("Near", "Abc", "libvalues.so") + "GenerateNewVal = once\n" +
                                  Section("Far", "Empty", ZELVAR_FIXTURE_BASIC) + "GenerateNewVal = Each\n");
  const HostResult checked = RunHost({"check", (scratch / "params.ini").string()}, "/");
  EXPECT_EQ(checked.exit_code, 0) << checked.out << checked.err;
  const std::string near = Block(checked.out, "Near");
  EXPECT_THAT(near, HasSubstr("  library   \"libvalues.so\"\n"));
  EXPECT_THAT(near, HasSubstr("  resolved  through net_dir \"" + scratch.path().string() + "\": " +
                              (scratch / "libvalues.so").string() + "\n"));
  EXPECT_THAT(near, HasSubstr("  loads     yes\n"));
  EXPECT_THAT(near, HasSubstr("  function  \"Abc\" is exported\n"));
  EXPECT_THAT(near, HasSubstr("  policy    Once\n"));
  EXPECT_THAT(near, HasSubstr("  value     \"abc\" (3 bytes) in "));
  const std::string far = Block(checked.out, "Far");
  EXPECT_THAT(far, HasSubstr(std::string("  resolved  as a file: ") + ZELVAR_FIXTURE_BASIC + "\n"));
  EXPECT_THAT(far, HasSubstr("  policy    EachOccurrence (the default: \"Each\" is not EachOccurrence, "
                             "EachIteration or Once)\n"));
  EXPECT_THAT(far, HasSubstr("  value     \"\" (0 bytes) in "));
  EXPECT_THAT(checked.out, HasSubstr("check: 2 of 2 parameters yield a value\n"));
}

// Each parameter fails at another step; check says where and goes on to
// the next, also after a value function has crashed.
TEST(CheckTest, SaysWhyAParameterYieldsNoValueAndGoesOn) {
  const Scratch scratch;
  scratch.Write("params.ini", Section("Missing", "Abc", "libnowhere.so") +
                                  Section("Unloadable", "Abc", ZELVAR_FIXTURE_NOT_A_LIBRARY) +
                                  Section("Unexported", "Nope", ZELVAR_FIXTURE_BASIC) +
                                  Section("Crashing", "Crash", ZELVAR_FIXTURE_HOST) +
                                  Section("Throwing", "Throw", ZELVAR_FIXTURE_THROW) +
                                  Section("Null", "Null", ZELVAR_FIXTURE_BASIC) +
                                  Section("Fine", "Abc", ZELVAR_FIXTURE_BASIC));
  const HostResult result = RunHost({"check", "params.ini"}, scratch.path());
  EXPECT_EQ(result.exit_code, 1);

  const std::string missing = Block(result.out, "Missing");
  EXPECT_THAT(missing, HasSubstr("  resolved  not at all: no file \"libnowhere.so\" in the working directory " +
                                 scratch.path().string() + ", nor in net_dir \"" + scratch.path().string() + "\"\n"));
  EXPECT_THAT(missing, HasSubstr("  loads     not tried\n"));
  EXPECT_THAT(missing, HasSubstr("  value     none: the library was not found; GetValue gave -13650, reported as a "
                                 "failed generation\n"));

  const std::string unloadable = Block(result.out, "Unloadable");
  EXPECT_THAT(unloadable,
              HasSubstr(std::string("  loads     no: ") + ZELVAR_FIXTURE_NOT_A_LIBRARY + ": file too short\n"));
  EXPECT_THAT(unloadable, HasSubstr("  value     none: the library does not load;"));

  const std::string unexported = Block(result.out, "Unexported");
  EXPECT_THAT(unexported, HasSubstr("  loads     yes\n"));
  EXPECT_THAT(unexported, HasSubstr("  function  \"Nope\" is not exported by the library\n"));
  EXPECT_THAT(unexported, HasSubstr("  value     none: the function is not exported;"));

  EXPECT_THAT(Block(result.out, "Crashing"),
              HasSubstr("  value     none: the value function crashed with signal 11 (Segmentation fault)\n"));
  EXPECT_THAT(Block(result.out, "Throwing"),
              HasSubstr("  value     none: the function threw; GetValue gave -13650, reported as a failed "
                        "generation\n"));
  EXPECT_THAT(Block(result.out, "Null"), HasSubstr("  value     none: the function returned null in "));
  EXPECT_THAT(Block(result.out, "Fine"), HasSubstr("  value     \"abc\" (3 bytes) in "));
  EXPECT_THAT(result.out, HasSubstr("check: 1 of 7 parameters yield a value\n"));
}

TEST(KeysTest, PrintsThePluginsAttributeKeysOneALine) {
  const Scratch scratch;
  const HostResult result = RunHost({"keys"}, scratch.path());
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            "value\nParamName\nType\nGenerateNewVal\nOriginalValue\nFunctionName\nNTLibraryName\nSOLibraryName\n"
            "KTLibraryName\nAXLibraryName\n");
}

}  // namespace
}  // namespace zelvar_test
