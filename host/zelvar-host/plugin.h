// libzelvar.so, loaded with dlopen and its entry points bound by name.
#ifndef ZELVAR_HOST_PLUGIN_H_
#define ZELVAR_HOST_PLUGIN_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "zelvar/entry.h"
#include "zelvar/paramext.h"

namespace zelvar_host {

class Plugin {
 public:
  // Loads the plug-in and binds its five entry points; InputError with the
  // loader's own text when it does not load or lacks one of them.
  explicit Plugin(const std::filesystem::path& path);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const std::filesystem::path& path() const { return path_; }

  int32_t Init() const { return init_(); }
  void Terminate() const { terminate_(); }
  CParamExt* Create(ParamHostRecord* record, const char* type_name) const { return create_(record, type_name); }
  void Destroy(CParamExt* object) const { destroy_(object); }
  std::string_view AttributeKeys() const { return keys_(); }

 private:
  std::filesystem::path path_;
  void* handle_;
  UserDefinedFunctionPPInitFn init_;
  UserDefinedFunctionPPTerminateFn terminate_;
  NewUserDefinedFunctionFn create_;
  DeleteUserDefinedFunctionFn destroy_;
  GetUserDefinedFunctionAttribKeyListFn keys_;
};

// The plug-in's use from Init to Terminate, which runs on every way out.
class PluginSession {
 public:
  explicit PluginSession(const Plugin& plugin) : plugin_(plugin) { plugin_.Init(); }
  ~PluginSession() { plugin_.Terminate(); }
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

 private:
  const Plugin& plugin_;
};

// Deletes an object through the plug-in that created it.
class ObjectDeleter {
 public:
  explicit ObjectDeleter(const Plugin* plugin = nullptr) : plugin_(plugin) {}
  void operator()(CParamExt* object) const { plugin_->Destroy(object); }

 private:
  const Plugin* plugin_;
};

using ObjectPtr = std::unique_ptr<CParamExt, ObjectDeleter>;

// The plug-in the user chose, else libzelvar.so next to this executable
// (the build tree), else in the library folder of the installed layout.
// InputError when there is no choice and neither exists.
std::filesystem::path PluginPath(const std::optional<std::string>& chosen);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_PLUGIN_H_
