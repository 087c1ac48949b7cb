// Malformed parameter files and templates: each ends zelvar-host with status
// 2 and one line that names the file and the line at fault, and the reader
// on its own gives that same line and keeps the rules of host_input.h.
#include <gtest/gtest.h>

#include <string>

#include "host_input.h"
#include "host_runner.h"

namespace zelvar_test {
namespace {

using namespace std::string_literals;

const std::string kLibrary = "NTLibraryName = "s + ZELVAR_FIXTURE_BASIC + "\n";

struct MalformedInput {
  const char* name;
  std::string params;
  std::string text;     // the template
  std::string message;  // after "zelvar-host: "
};

void PrintTo(const MalformedInput& c, std::ostream* os) { *os << c.name; }

class MalformedInputTest : public ::testing::TestWithParam<MalformedInput> {};

TEST_P(MalformedInputTest, ReaderGivesOneClearLine) {
  const MalformedInput& c = GetParam();
  const Scratch scratch;
  const auto outcome = zelvar_host_fuzz::ReadHostInput(scratch.path(), c.params, c.text);
  EXPECT_EQ(outcome.problem, std::nullopt);
  // The reader names the file by the path it was given.
  std::string expected = c.message;
  if (expected.starts_with("params.ini")) expected = (scratch / "params.ini").string() + expected.substr(10);
  EXPECT_EQ(outcome.error, expected);
}

TEST_P(MalformedInputTest, HostEndsWithThatLine) {
  const MalformedInput& c = GetParam();
  const Scratch scratch;
  scratch.Write("params.ini", c.params);
  scratch.Write("request.txt", c.text);
  const HostResult result = RunHost({"run", "params.ini", "--template", "request.txt", "--output", "out.txt"},
                                    scratch.path());
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.err, "zelvar-host: " + c.message + "\n");
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(std::filesystem::exists(scratch / "out.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedInputTest,
    ::testing::Values(
        MalformedInput{"Empty", "", "{A}", "params.ini defines no parameters"},
        MalformedInput{"ByteOrderMarkOnly", "\xEF\xBB\xBF", "{A}", "params.ini defines no parameters"},
        MalformedInput{"BinaryBytes", "\x7f" "ELF\x02\x01\x01\x00\x00", "{A}",
                       "params.ini:1: expected [section], key = value, or a ; comment"},
        MalformedInput{"NulInsideAKey", "[A]\nFunction\0Name = Abc\n"s + kLibrary, "{A}",
                       "params.ini:2: expected [section], key = value, or a ; comment"},
        MalformedInput{"KeyWithoutName", "[A]\n= Abc\n", "{A}", "params.ini:2: key without a name"},
        MalformedInput{"EmptySectionName", "[]\nFunctionName = Abc\n", "{A}",
                       "params.ini:2: key \"FunctionName\" is outside any [section]"},
        // Names are quoted printable and cut short, so the message keeps its end.
        MalformedInput{"LongBinaryKeyOutsideASection", "\x01" + std::string(60, 'k') + " = v\n[A]\nx = 1\n", "{A}",
                       "params.ini:1: key \"?" + std::string(39, 'k') + "...\" is outside any [section]"},
        MalformedInput{"HeaderAtTheEnd", "[A]\nFunctionName = Abc\n[B]", "{A}", "params.ini:3: section has no keys"},
        MalformedInput{"CarriageReturnsAndAnUnknownName", "[A]\r\nFunctionName = Abc\r\n", "line one\r\n{B}\r\n",
                       "request.txt:2: unknown parameter {B}; known: A"},
        MalformedInput{"UnknownNameAfterEscapesAndLoneBraces", "[A]\nFunctionName = Abc\n" + kLibrary,
                       "{{A} { A } {A\n{}{/}\n{A}{a}", "request.txt:3: unknown parameter {a}; known: A"},
        MalformedInput{"NulInTheTemplate", "[A]\nFunctionName = Abc\n" + kLibrary, "{A}\0{Z}"s,
                       "request.txt:1: unknown parameter {Z}; known: A"}),
    [](const auto& info) { return std::string(info.param.name); });

// What the reader cannot be handed as text: folders in place of files.
TEST(MalformedPathTest, FoldersInPlaceOfFiles) {
  const Scratch scratch;
  std::filesystem::create_directory(scratch / "folder");
  scratch.Write("params.ini", "[A]\nFunctionName = Abc\n" + kLibrary);
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"run", "folder", "--template", "params.ini"}, "cannot read parameter file folder: Is a directory"},
      {{"run", "params.ini", "--template", "folder"}, "cannot read template folder: Is a directory"},
      {{"check", "folder"}, "cannot read parameter file folder: Is a directory"},
  };
  for (const auto& c : cases) {
    const HostResult result = RunHost(c.args, scratch.path());
    EXPECT_EQ(result.exit_code, 2) << c.message;
    EXPECT_EQ(result.err, "zelvar-host: " + c.message + "\n");
  }
}

}  // namespace
}  // namespace zelvar_test
