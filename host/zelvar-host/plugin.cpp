#include "plugin.h"

#include <dlfcn.h>

#include <string>
#include <system_error>

#include "input_error.h"

namespace zelvar_host {

namespace {

void* Open(const std::filesystem::path& path) {
  // A name without a folder would send dlopen through the system's library
  // folders; the user named a file.
  const std::string file = path.has_parent_path() ? path.string() : "./" + path.string();
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw InputError("cannot load the plug-in: " + std::string(dlerror()));
  return handle;
}

template <typename Fn>
Fn Bind(void* handle, const std::filesystem::path& path, const char* name) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    dlclose(handle);
    throw InputError("the plug-in " + path.string() + " does not export " + name);
  }
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

Plugin::Plugin(const std::filesystem::path& path)
    : path_(path),
      handle_(Open(path)),
      init_(Bind<UserDefinedFunctionPPInitFn>(handle_, path, "UserDefinedFunctionPPInit")),
      terminate_(Bind<UserDefinedFunctionPPTerminateFn>(handle_, path, "UserDefinedFunctionPPTerminate")),
      create_(Bind<NewUserDefinedFunctionFn>(handle_, path, "NewUserDefinedFunction")),
      destroy_(Bind<DeleteUserDefinedFunctionFn>(handle_, path, "DeleteUserDefinedFunction")),
      keys_(Bind<GetUserDefinedFunctionAttribKeyListFn>(handle_, path, "GetUserDefinedFunctionAttribKeyList")) {}

Plugin::~Plugin() { dlclose(handle_); }

std::filesystem::path PluginPath(const std::optional<std::string>& chosen) {
  if (chosen) return *chosen;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  const std::filesystem::path candidates[] = {
      folder / "libzelvar.so",
      (folder / ZELVAR_LIBDIR_FROM_BINDIR / "libzelvar.so").lexically_normal(),
  };
  for (const auto& candidate : candidates) {
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  throw InputError("no libzelvar.so in " + candidates[0].parent_path().string() + " or " +
                   candidates[1].parent_path().string() + "; name one with --plugin PATH");
}

}  // namespace zelvar_host
