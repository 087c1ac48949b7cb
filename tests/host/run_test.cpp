// zelvar-host run, end to end: what it renders under each update policy,
// with several virtual users, and how it reports a failed generation.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "host_runner.h"

namespace zelvar_test {
namespace {

std::string Section(const std::string& name, const std::string& function, const std::string& library,
                    const std::string& policy) {
  return "[" + name + "]\nFunctionName = " + function + "\nNTLibraryName = " + library +
         "\nGenerateNewVal = " + policy + "\n";
}

struct PolicyCase {
  const char* policy;
  int engine_mode;
  const char* rendered;  // 3 iterations of "{P} {P}\n"; Counter counts its calls
};

void PrintTo(const PolicyCase& c, std::ostream* os) { *os << c.policy << " in engine mode " << c.engine_mode; }

class PolicyTest : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(PolicyTest, RendersWhatThePolicyGenerates) {
  const PolicyCase& c = GetParam();
  const Scratch scratch;
  scratch.Write("params.ini", Section("P", "Counter", ZELVAR_FIXTURE_BASIC, c.policy));
  scratch.Write("request.txt", "{P} {P}\n");
  const HostResult result = RunHost({"run", "params.ini", "--template", "request.txt", "--iterations", "3",
                                     "--engine-mode", std::to_string(c.engine_mode)},
                                    scratch.path());
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, c.rendered);
}

INSTANTIATE_TEST_SUITE_P(
    LiveAndNotLive, PolicyTest,
    ::testing::Values(PolicyCase{"EachOccurrence", 2, "1 2\n3 4\n5 6\n"},
                      PolicyCase{"EachOccurrence", 0, "1 1\n1 1\n1 1\n"},
                      PolicyCase{"EachIteration", 2, "1 1\n2 2\n3 3\n"},
                      PolicyCase{"EachIteration", 0, "1 1\n2 2\n3 3\n"},
                      PolicyCase{"Once", 2, "1 1\n1 1\n1 1\n"},
                      PolicyCase{"Once", 0, "1 1\n1 1\n1 1\n"}),
    [](const auto& info) {
      return std::string(info.param.policy) + (info.param.engine_mode == 2 ? "Live" : "NotLive");
    });

// Every user has objects of its own, so each of the 200 iterations gets a
// value of its own, and no iteration's text is cut into by another's.
TEST(RunTest, ManyUsersWriteWholeIterationsToTheOutputFile) {
  const Scratch scratch;
  scratch.Write("params.ini", Section("T", "Tick", ZELVAR_FIXTURE_HOST, "EachIteration"));
  scratch.Write("request.txt", "begin {T}\nend {T}\n");
  const HostResult result = RunHost({"run", "params.ini", "--template", "request.txt", "--users", "4",
                                     "--iterations", "50", "--output", "out.txt"},
                                    scratch.path());
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "");

  const std::string text = ReadFile(scratch / "out.txt");
  const std::regex block("begin (\\d+)\nend (\\d+)\n");
  std::set<int> values;
  size_t covered = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), block); it != std::sregex_iterator(); ++it) {
    EXPECT_EQ((*it)[1], (*it)[2]) << "an iteration mixes two values";
    EXPECT_EQ(it->position(), static_cast<long>(covered)) << "text between iterations";
    covered += static_cast<size_t>(it->length());
    values.insert(std::stoi((*it)[1]));
  }
  EXPECT_EQ(covered, text.size());
  EXPECT_EQ(values.size(), 200u);
  EXPECT_EQ(*values.begin(), 1);
  EXPECT_EQ(*values.rbegin(), 200);
  EXPECT_TRUE(std::regex_search(result.err, std::regex("\n  T +400 +0 ")))
      << "summary should count 400 values, no failures:\n" << result.err;
}

// A throwing function leaves its place empty and is reported each time the
// plug-in tries it: at creation (live mode), when iteration 1 asks again,
// and in iteration 2 both when advanced and when asked.
TEST(RunTest, FailedGenerationIsReportedAndTheRunGoesOn) {
  const Scratch scratch;
  scratch.Write("params.ini", Section("Good", "Abc", ZELVAR_FIXTURE_BASIC, "Once") +
                                  Section("Bad", "Throw", ZELVAR_FIXTURE_THROW, "EachIteration"));
  scratch.Write("request.txt", "<{Good}|{Bad}>\n");
  const HostResult result =
      RunHost({"run", "params.ini", "--template", "request.txt", "--iterations", "2"}, scratch.path());
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "<abc|>\n<abc|>\n");

  const std::string tail = std::string(": parameter Bad (id 2): no value from function \"Throw\" in \"") +
                           ZELVAR_FIXTURE_THROW + "\" (message 0x70030020, error -13650)\n";
  const std::string expected_reports = "zelvar-host: user 1, at creation" + tail +
                                       "zelvar-host: user 1, iteration 1" + tail +
                                       "zelvar-host: user 1, iteration 2" + tail +
                                       "zelvar-host: user 1, iteration 2" + tail;
  EXPECT_EQ(result.err.substr(0, result.err.find("summary:")), expected_reports);
  EXPECT_TRUE(std::regex_search(result.err, std::regex("\n  Bad +0 +4 ")))
      << "summary should count 4 failures:\n" << result.err;
  EXPECT_TRUE(std::regex_search(result.err, std::regex("\n  Good +2 +0 ")));
}

// A bare library name is found beside the parameter file, whatever folder
// the host runs in, and an indented key is still a key.
TEST(RunTest, BareLibraryNameResolvesBesideTheParameterFile) {
  const Scratch scratch;
  std::filesystem::create_directory(scratch / "elsewhere");
  std::filesystem::copy_file(ZELVAR_FIXTURE_BASIC, scratch / "libvalues.so");
  scratch.Write("params.ini", "[P]\n  FunctionName = Abc\n  NTLibraryName = libvalues.so\n");
  scratch.Write("request.txt", "{P}\n");
  const HostResult result =
      RunHost({"run", "../params.ini", "--template", "../request.txt"}, scratch / "elsewhere");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "abc\n");
}

}  // namespace
}  // namespace zelvar_test
