#include "text_template.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <memory>

#include "input_error.h"

namespace zelvar_host {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.';
}

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

}  // namespace

TextTemplate::TextTemplate(std::string_view text, const std::vector<std::string>& names,
                           const std::string& origin) {
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) pieces_.push_back({std::move(literal), -1});
    literal.clear();
  };
  int line = 1;
  size_t at = 0;
  while (at < text.size()) {
    if (text.substr(at).starts_with("{{")) {
      literal += '{';
      at += 2;
      continue;
    }
    if (text[at] == '{') {
      size_t end = at + 1;
      while (end < text.size() && IsNameCharacter(text[end])) ++end;
      if (end > at + 1 && end < text.size() && text[end] == '}') {
        const std::string_view name = text.substr(at + 1, end - at - 1);
        const auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
          throw InputError(origin + ":" + std::to_string(line) + ": unknown parameter {" + std::string(name) +
                           "}; known: " + Joined(names));
        }
        flush();
        pieces_.push_back({{}, static_cast<int>(found - names.begin())});
        at = end + 1;
        continue;
      }
    }
    if (text[at] == '\n') ++line;
    literal += text[at++];
  }
  flush();
}

TextTemplate TextTemplate::Load(const std::filesystem::path& path, const std::vector<std::string>& names) {
  auto fail = [&] { return InputError("cannot read template " + path.string() + ": " + std::strerror(errno)); };
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (file == nullptr) throw fail();
  std::string text;
  char buffer[65536];
  while (const size_t count = std::fread(buffer, 1, sizeof buffer, file.get())) text.append(buffer, count);
  if (std::ferror(file.get())) throw fail();
  return TextTemplate(text, names, path.string());
}

}  // namespace zelvar_host
