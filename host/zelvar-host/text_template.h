// The text rendered once per iteration: literal text and {Name} places,
// each naming a parameter. A name is made of letters, digits, '_', '-' and
// '.'; any other brace is literal text, and "{{" stands for a literal "{".
#ifndef ZELVAR_HOST_TEXT_TEMPLATE_H_
#define ZELVAR_HOST_TEXT_TEMPLATE_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zelvar_host {

class TextTemplate {
 public:
  // Literal text when `parameter` is negative, else the index of the named
  // parameter.
  struct Piece {
    std::string literal;
    int parameter;
  };

  // InputError, naming `origin` and the line, for a place whose name is not
  // one of `names`.
  TextTemplate(std::string_view text, const std::vector<std::string>& names, const std::string& origin);

  // InputError when the file cannot be read.
  static TextTemplate Load(const std::filesystem::path& path, const std::vector<std::string>& names);

  const std::vector<Piece>& pieces() const { return pieces_; }

 private:
  std::vector<Piece> pieces_;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_TEXT_TEMPLATE_H_
