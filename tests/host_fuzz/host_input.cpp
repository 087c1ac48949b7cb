#include "host_input.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

#include "input_error.h"
#include "parameter_file.h"
#include "platform/settar.h"
#include "text_template.h"

namespace zelvar_host_fuzz {
namespace {

constexpr size_t kLongestMessage = 400;

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.';
}

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1; }

// "PREFIX<line>: " with 1 <= line <= lines; the rest of the message after it.
std::optional<std::string> AfterLine(const std::string& message, const std::string& prefix, size_t lines) {
  if (message.rfind(prefix, 0) != 0) return std::nullopt;
  size_t at = prefix.size();
  size_t line = 0;
  while (at < message.size() && message[at] >= '0' && message[at] <= '9' && line <= lines) {
    line = line * 10 + static_cast<size_t>(message[at++] - '0');
  }
  if (line < 1 || line > lines || message.compare(at, 2, ": ") != 0) return std::nullopt;
  return message.substr(at + 2);
}

std::optional<std::string> CheckOneLine(const std::string& message) {
  if (message.empty()) return "an empty error message";
  if (message.find('\n') != std::string::npos) return "an error message over several lines: " + message;
  if (message.size() > kLongestMessage) return "an error message of " + std::to_string(message.size()) + " bytes";
  return std::nullopt;
}

std::optional<std::string> CheckParameterError(const std::string& message, const std::string& path,
                                               const std::string& params) {
  if (auto problem = CheckOneLine(message)) return problem;
  if (message == path + " defines no parameters") return std::nullopt;
  const auto rest = AfterLine(message, path + ":", Lines(params));
  if (!rest) return "an error that names no line of the file: " + message;
  static const char* const kKnown[] = {"expected [section], key = value, or a ; comment",
                                       "is outside any [section]",
                                       "key without a name",
                                       "is set twice in [",
                                       "appears a second time",
                                       "section has no keys",
                                       "line is longer than"};
  for (const char* known : kKnown) {
    if (rest->find(known) != std::string::npos) return std::nullopt;
  }
  return "an error that says nothing known: " + message;
}

// Renders the pieces back into a template: literal braces doubled, each
// place as {name}. Reading that again must give the same pieces.
std::string Rebuild(const zelvar_host::TextTemplate& parsed, const std::vector<std::string>& names) {
  std::string text;
  for (const auto& piece : parsed.pieces()) {
    if (piece.parameter >= 0) {
      text += "{" + names[static_cast<size_t>(piece.parameter)] + "}";
      continue;
    }
    for (char c : piece.literal) text += c == '{' ? std::string("{{") : std::string(1, c);
  }
  return text;
}

bool SamePieces(const zelvar_host::TextTemplate& a, const zelvar_host::TextTemplate& b) {
  if (a.pieces().size() != b.pieces().size()) return false;
  for (size_t i = 0; i < a.pieces().size(); ++i) {
    if (a.pieces()[i].literal != b.pieces()[i].literal || a.pieces()[i].parameter != b.pieces()[i].parameter) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> CheckTemplate(const std::string& text, const std::vector<std::string>& names,
                                         std::optional<std::string>* error) {
  try {
    const zelvar_host::TextTemplate parsed(text, names, "request.txt");
    for (const auto& piece : parsed.pieces()) {
      if (piece.parameter < -1 || piece.parameter >= static_cast<int>(names.size())) return "a piece out of range";
      if (piece.parameter < 0 && piece.literal.empty()) return "an empty literal piece";
    }
    try {
      const zelvar_host::TextTemplate again(Rebuild(parsed, names), names, "request.txt");
      if (!SamePieces(parsed, again)) return "the template does not read back as itself";
    } catch (const zelvar_host::InputError& e) {
      return std::string("the rebuilt template is refused: ") + e.what();
    }
    return std::nullopt;
  } catch (const zelvar_host::InputError& e) {
    *error = e.what();
    if (auto problem = CheckOneLine(**error)) return problem;
    const auto rest = AfterLine(**error, "request.txt:", Lines(text));
    if (!rest || rest->rfind("unknown parameter {", 0) != 0) return "an unclear template error: " + **error;
    const std::string name = rest->substr(19, rest->find('}') - 19);
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameCharacter) ||
        std::find(names.begin(), names.end(), name) != names.end()) {
      return "a template error about a name that is not at fault: " + **error;
    }
    return std::nullopt;
  }
}

}  // namespace

void SplitInput(const uint8_t* data, size_t size, std::string* params, std::string* text) {
  const size_t length = size < 2 ? 0 : std::min<size_t>(size - 2, data[0] | (static_cast<size_t>(data[1]) << 8));
  const char* bytes = reinterpret_cast<const char*>(data);
  params->assign(size < 2 ? bytes : bytes + 2, length);
  text->assign(size < 2 ? bytes : bytes + 2 + length, size < 2 ? size : size - 2 - length);
}

Outcome ReadHostInput(const std::filesystem::path& folder, const std::string& params, const std::string& text) {
  Outcome outcome;
  const std::filesystem::path path = folder / "params.ini";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << params;
  std::vector<std::string> names;
  try {
    const zelvar_host::ParameterFile file(path);
    std::set<std::string> seen;
    for (const auto& parameter : file.parameters()) {
      if (parameter.name.empty() || !seen.insert(parameter.name).second) {
        outcome.problem = "a parameter named \"" + parameter.name + "\" twice or not at all";
        return outcome;
      }
      if (parameter.id != static_cast<int32_t>(seen.size())) outcome.problem = "parameter ids out of order";
      if (configsection_get_attrib_val(parameter.section, "ParamName") == nullptr ||
          configsection_get_attrib_val(parameter.section, "net_dir") == nullptr) {
        outcome.problem = "parameter " + parameter.name + " lacks the host's defaults";
      }
      if (outcome.problem) return outcome;
    }
    names = file.Names();
  } catch (const zelvar_host::InputError& e) {
    outcome.error = e.what();
    outcome.problem = CheckParameterError(*outcome.error, path.string(), params);
    return outcome;
  }
  outcome.problem = CheckTemplate(text, names, &outcome.error);
  return outcome;
}

}  // namespace zelvar_host_fuzz
