// Bad input ends zelvar-host with status 2 and one line on stderr, before
// anything is written: stdout stays empty and no output file appears.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_runner.h"

namespace zelvar_test {
namespace {

const std::string kGoodParams = std::string("[A]\nFunctionName = Abc\nNTLibraryName = ") + ZELVAR_FIXTURE_BASIC +
                                "\n[B]\nFunctionName = Counter\nNTLibraryName = " + ZELVAR_FIXTURE_BASIC + "\n";

struct BadInputCase {
  const char* name;
  std::string params;                // written as params.ini unless empty
  std::vector<std::string> options;  // after "run params.ini --output out.txt"
  std::string message;               // the whole line, less "zelvar-host: " and the newline
};

void PrintTo(const BadInputCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kTemplate = {"--template", "request.txt"};

std::vector<std::string> WithTemplate(std::vector<std::string> options) {
  options.insert(options.end(), kTemplate.begin(), kTemplate.end());
  return options;
}

class BadInputTest : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInputTest, EndsWithOneLineAndNoOutput) {
  const BadInputCase& c = GetParam();
  const Scratch scratch;
  if (!c.params.empty()) scratch.Write("params.ini", c.params);
  scratch.Write("request.txt", "GET /{A}\nX-B: {B}\n");
  scratch.Write("unknown.txt", "GET /{A}\nX-C: {C}\n");
  std::vector<std::string> args = {"run", "params.ini", "--output", "out.txt"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  const HostResult result = RunHost(args, scratch.path());
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.err, "zelvar-host: " + c.message + "\n");
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(std::filesystem::exists(scratch / "out.txt"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), c.params.empty() ? 2 : 3)
      << "a temporary output file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Run, BadInputTest,
    ::testing::Values(
        BadInputCase{"MissingParameterFile", "", kTemplate,
                     "cannot read parameter file params.ini: No such file or directory"},
        BadInputCase{"LineThatIsNoKey", "[A]\nFunctionName = Abc\nNTLibraryName\n", kTemplate,
                     "params.ini:3: expected [section], key = value, or a ; comment"},
        BadInputCase{"UnclosedSection", "[A]\nFunctionName = Abc\n[B\nx = 1\n", kTemplate,
                     "params.ini:3: expected [section], key = value, or a ; comment"},
        BadInputCase{"KeyBeforeAnySection", "; comment\nFunctionName = Abc\n[A]\nx = 1\n", kTemplate,
                     "params.ini:2: key \"FunctionName\" is outside any [section]"},
        BadInputCase{"KeySetTwice", "[A]\nFunctionName = Abc\n\nFunctionName = Counter\n", kTemplate,
                     "params.ini:4: key \"FunctionName\" is set twice in [A]"},
        BadInputCase{"SectionReopened", "[A]\nx = 1\n[B]\ny = 2\n[A]\nz = 3\n", kTemplate,
                     "params.ini:6: section [A] appears a second time"},
        BadInputCase{"SectionWithoutKeys", "[A]\nx = 1\n[B]\n; nothing\n[C]\ny = 2\n", kTemplate,
                     "params.ini:3: section has no keys"},
        BadInputCase{"OverlongLine", "[A]\nx = " + std::string(300, 'v') + "\n", kTemplate,
                     "params.ini:2: line is longer than 198 characters"},
        BadInputCase{"NoParameters", "; nothing here\n", kTemplate, "params.ini defines no parameters"},
        BadInputCase{"MissingTemplate", kGoodParams, {"--template", "nope.txt"},
                     "cannot read template nope.txt: No such file or directory"},
        BadInputCase{"UnknownParameterInTemplate", kGoodParams, {"--template", "unknown.txt"},
                     "unknown.txt:2: unknown parameter {C}; known: A, B"},
        BadInputCase{"PluginThatDoesNotLoad", kGoodParams, WithTemplate({"--plugin", ZELVAR_FIXTURE_NOT_A_LIBRARY}),
                     std::string("cannot load the plug-in: ") + ZELVAR_FIXTURE_NOT_A_LIBRARY + ": file too short"},
        BadInputCase{"PluginWithoutEntryPoints", kGoodParams, WithTemplate({"--plugin", ZELVAR_FIXTURE_BASIC}),
                     std::string("the plug-in ") + ZELVAR_FIXTURE_BASIC +
                         " does not export UserDefinedFunctionPPInit"},
        BadInputCase{"NoIterations", kGoodParams, WithTemplate({"--iterations", "0"}),
                     "--iterations: Value 0 not in range 1 to 1000000000 (see zelvar-host --help)"},
        BadInputCase{"IterationsNotANumber", kGoodParams, WithTemplate({"--iterations", "many"}),
                     "--iterations: Value many not in range 1 to 1000000000 (see zelvar-host --help)"},
        BadInputCase{"TooManyUsers", kGoodParams, WithTemplate({"--users", "1001"}),
                     "--users: Value 1001 not in range 1 to 1000 (see zelvar-host --help)"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace zelvar_test
