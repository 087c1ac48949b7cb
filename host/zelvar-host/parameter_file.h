// A parameter file: one INI section per parameter, loaded through settar,
// with the host's defaults filled in.
#ifndef ZELVAR_HOST_PARAMETER_FILE_H_
#define ZELVAR_HOST_PARAMETER_FILE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settar/settar_file.h"

namespace zelvar_host {

// The section key, the host's own, naming the type text an object is
// created with.
inline constexpr char kTypeKey[] = "Type";
inline constexpr char kDefaultType[] = "UserDefinedFunction";

struct Parameter {
  std::string name;
  std::string type;
  int32_t id;     // position in the file, from 1: what report_error names
  void* section;  // owned by the file; each virtual user works on a clone
};

class ParameterFile {
 public:
  // Loads the file and fills in, per section: "ParamName" with the section
  // name, and "net_dir" with the file's own folder, so that a relative
  // library name resolves the same from any working directory; a relative
  // "net_dir" is taken from that folder too. InputError, with the line
  // number where there is one, when the file is missing or malformed or
  // defines no parameter.
  explicit ParameterFile(const std::filesystem::path& path);

  const std::vector<Parameter>& parameters() const { return parameters_; }
  std::vector<std::string> Names() const;

 private:
  struct FileDeleter {
    void operator()(configfile* file) const { configfile_destroy(file); }
  };
  std::unique_ptr<configfile, FileDeleter> file_;
  std::vector<Parameter> parameters_;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_PARAMETER_FILE_H_
