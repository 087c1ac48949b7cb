// INI files into sections. inih does the parsing; the reader that feeds it
// lines sees each raw line first, which lets it count lines for error
// messages, drop leading blanks (inih would read an indented key as the
// continuation of the previous value) and spot section headers that never
// receive a key.
#include "settar/settar_file.h"

#include <ini.h>

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settar.h"
#include "settar/settar_sections.h"

struct configfile {
  struct Entry {
    std::string name;
    void* section;
  };
  std::vector<Entry> sections;

  configfile() = default;
  configfile(const configfile&) = delete;
  configfile& operator=(const configfile&) = delete;
  ~configfile() {
    for (const Entry& entry : sections) configsection_destroy(entry.section);
  }
};

namespace {

// A name from the file as an error message shows it: the message has a
// fixed size and is printed on a terminal, so a long name is cut with "..."
// and bytes that are not printable ASCII show as '?'.
std::string Shown(std::string_view name) {
  constexpr size_t kLongest = 40;
  std::string shown(name.substr(0, kLongest));
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7e) c = '?';
  }
  if (name.size() > kLongest) shown += "...";
  return shown;
}

struct FileCloser {
  void operator()(FILE* stream) const { std::fclose(stream); }
};

struct LineDeleter {
  void operator()(char* line) const { std::free(line); }
};

class Loader {
 public:
  Loader(FILE* stream, configfile& file) : stream_(stream), file_(file) {}

  // fgets-style: hands inih one whole line, or null at the end.
  char* ReadLine(char* buffer, int size) {
    char* raw = nullptr;
    size_t capacity = 0;
    const ssize_t length = getline(&raw, &capacity, stream_);
    std::unique_ptr<char, LineDeleter> owned(raw);
    if (length < 0) {
      if (std::ferror(stream_)) read_errno_ = errno;
      if (open_header_ != 0) Fail(open_header_, "section has no keys");
      return nullptr;
    }
    ++line_;
    std::string_view text(raw, static_cast<size_t>(length));
    if (line_ == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    if (text.ends_with('\n')) text.remove_suffix(1);
    if (text.size() + 2 > static_cast<size_t>(size)) {
      Fail(line_, "line is longer than " + std::to_string(size - 2) + " characters");
      text = {};
      open_header_ = 0;  // most likely a key, and failing already
    }
    if (text.starts_with('[')) {
      if (open_header_ != 0) Fail(open_header_, "section has no keys");
      open_header_ = line_;
    }
    if (!text.empty()) std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\n';
    buffer[text.size() + 1] = '\0';
    return buffer;
  }

  // inih's handler: one key of one section. Zero marks this line as an error.
  int AddKey(const char* section, const char* name, const char* value) {
    open_header_ = 0;
    if (*section == '\0') return Fail(line_, "key \"" + Shown(name) + "\" is outside any [section]");
    if (*name == '\0') return Fail(line_, "key without a name");
    if (file_.sections.empty() || file_.sections.back().name != section) {
      if (!OpenSection(section)) return 0;
    }
    void* target = file_.sections.back().section;
    if (configsection_get_attrib_val(target, name) != nullptr) {
      return Fail(line_, "key \"" + Shown(name) + "\" is set twice in [" + Shown(section) + "]");
    }
    if (configsection_set_attrib(target, name, value) != SETTAR_OK) return Fail(line_, "no memory left");
    return 1;
  }

  // Combines inih's result with the errors found here into the first error.
  bool Finish(int parsed, configfile_error* error) const {
    if (read_errno_ != 0) return Report(error, 0, std::strerror(read_errno_));
    if (parsed > 0 && (error_line_ == 0 || parsed < error_line_)) {
      return Report(error, parsed, "expected [section], key = value, or a ; comment");
    }
    if (error_line_ != 0) return Report(error, error_line_, error_message_);
    return true;
  }

 private:
  bool OpenSection(const char* name) {
    for (const configfile::Entry& entry : file_.sections) {
      if (entry.name == name) {
        Fail(line_, "section [" + Shown(name) + "] appears a second time");
        return false;
      }
    }
    void* section = configsection_create();
    if (section == nullptr) {
      Fail(line_, "no memory left");
      return false;
    }
    file_.sections.push_back({name, section});
    return true;
  }

  // Keeps the earliest error: a keyless section is found only at the next
  // header, after later lines may have failed.
  int Fail(int line, std::string message) {
    if (error_line_ == 0 || line < error_line_) {
      error_line_ = line;
      error_message_ = std::move(message);
    }
    return 0;
  }

  static bool Report(configfile_error* error, int line, const std::string& message) {
    if (error != nullptr) {
      error->line = line;
      std::snprintf(error->message, sizeof error->message, "%s", message.c_str());
    }
    return false;
  }

  FILE* stream_;
  configfile& file_;
  int line_ = 0;
  int open_header_ = 0;  // line of the last header that has no key yet
  int read_errno_ = 0;
  int error_line_ = 0;
  std::string error_message_;
};

char* ReadLine(char* buffer, int size, void* loader) {
  return static_cast<Loader*>(loader)->ReadLine(buffer, size);
}

int AddKey(void* loader, const char* section, const char* name, const char* value) {
  return static_cast<Loader*>(loader)->AddKey(section, name, value);
}

}  // namespace

extern "C" configfile* configfile_load(const char* path, configfile_error* error) {
  if (error != nullptr) *error = configfile_error{};
  std::unique_ptr<FILE, FileCloser> stream(std::fopen(path, "rb"));
  if (stream == nullptr) {
    if (error != nullptr) std::snprintf(error->message, sizeof error->message, "%s", std::strerror(errno));
    return nullptr;
  }
  try {
    auto file = std::make_unique<configfile>();
    Loader loader(stream.get(), *file);
    const int parsed = ini_parse_stream(&ReadLine, &loader, &AddKey, &loader);
    return loader.Finish(parsed, error) ? file.release() : nullptr;
  } catch (const std::bad_alloc&) {
    if (error != nullptr) std::snprintf(error->message, sizeof error->message, "no memory left");
    return nullptr;
  }
}

extern "C" void configfile_destroy(configfile* file) { delete file; }

extern "C" size_t configfile_section_count(const configfile* file) { return file->sections.size(); }

extern "C" const char* configfile_section_name(const configfile* file, size_t index) {
  return file->sections[index].name.c_str();
}

extern "C" void* configfile_section(const configfile* file, size_t index) { return file->sections[index].section; }
