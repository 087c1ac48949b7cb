#include "parameter_file.h"

#include "input_error.h"
#include "platform/settar.h"

namespace zelvar_host {

namespace {

configfile* Load(const std::filesystem::path& path) {
  configfile_error error;
  configfile* file = configfile_load(path.c_str(), &error);
  if (file != nullptr) return file;
  if (error.line == 0) throw InputError("cannot read parameter file " + path.string() + ": " + error.message);
  throw InputError(path.string() + ":" + std::to_string(error.line) + ": " + error.message);
}

// A relative "net_dir", or none, is taken from the parameter file's folder.
std::string NetDir(const std::filesystem::path& folder, const char* given) {
  return (given != nullptr ? folder / given : folder).lexically_normal().string();
}

}  // namespace

ParameterFile::ParameterFile(const std::filesystem::path& path) : file_(Load(path)) {
  const std::filesystem::path folder = std::filesystem::absolute(path).parent_path().lexically_normal();
  const size_t count = configfile_section_count(file_.get());
  if (count == 0) throw InputError(path.string() + " defines no parameters");
  for (size_t index = 0; index < count; ++index) {
    void* section = configfile_section(file_.get(), index);
    const std::string name = configfile_section_name(file_.get(), index);
    if (configsection_get_attrib_val(section, "ParamName") == nullptr) {
      configsection_set_attrib(section, "ParamName", name.c_str());
    }
    const std::string net_dir = NetDir(folder, configsection_get_attrib_val(section, "net_dir"));
    configsection_set_attrib(section, "net_dir", net_dir.c_str());
    const char* type = configsection_get_attrib_val(section, kTypeKey);
    parameters_.push_back({name, type != nullptr ? type : kDefaultType, static_cast<int32_t>(index + 1), section});
  }
}

std::vector<std::string> ParameterFile::Names() const {
  std::vector<std::string> names;
  for (const Parameter& parameter : parameters_) names.push_back(parameter.name);
  return names;
}

}  // namespace zelvar_host
