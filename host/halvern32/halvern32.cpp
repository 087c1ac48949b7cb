// POSIX edition of the host platform's operating-system services.
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "common/fault_countdown.h"
#include "common/thread_counters.h"
#include "halvern32/halvern32_ledger.h"
#include "platform/halvern32.h"

namespace {

// A successful copy is a fallible call too, but is counted once, as a copy
// made: a single counter on the hottest path. The ledger's figures are
// derived from these when read.
enum Counter : size_t {
  kCopiesMade,
  kCopiesFreed,
  kPaths,
  kLibraries,
  kOtherFallibleCalls,  // every fallible call but the copies made
  kCounterCount
};
using Ledger = platform::ThreadCounters<struct Halvern32Ledger, kCounterCount>;

platform::FaultCountdown g_fault;

// Tells whether this fallible call is the one to fail, without counting it.
bool FailureDue() { return g_fault.Due(); }

// Counts one fallible call and tells whether it is the one to fail.
bool InjectedFailure() {
  Ledger::Add(kOtherFallibleCalls, 1);
  return FailureDue();
}

}  // namespace

// The C library's strdup: one call from here instead of three.
extern "C" char* os_strdup(const char* text) {
  char* copy = nullptr;
  if (!FailureDue() && text != nullptr) copy = strdup(text);
  Ledger::Add(copy != nullptr ? kCopiesMade : kOtherFallibleCalls, 1);
  return copy;
}

extern "C" void os_strdup_free(char* text) {
  if (text == nullptr) return;
  Ledger::Add(kCopiesFreed, 1);
  std::free(text);
}

extern "C" int os_stricmp(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  return strcasecmp(a, b);
}

// `flag` 0 compares exactly; any other value ignores letter case.
extern "C" int os_strnicmp(const char* a, const char* b, size_t count, int flag) {
  if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
  return flag != 0 ? strncasecmp(a, b, count) : std::strncmp(a, b, count);
}

// A regular file, or a symbolic link to one.
extern "C" int os_is_file_exist(const char* path) {
  struct stat info;
  if (path == nullptr || *path == '\0' || stat(path, &info) != 0) return 0;
  return S_ISREG(info.st_mode) ? 1 : 0;
}

extern "C" int os_get_current_os_type(void) { return HALVERN32_OS_POSIX; }

// Joins the network directory and the name with one '/'. Succeeds only for a
// joined path that names an existing file, so a caller never loads a guess.
extern "C" int os_qvnetpath_create_net_path(const char* path, const char* net_dir, char** out,
                                            int /*os_type*/) {
  if (InjectedFailure()) return HALVERN32_NETPATH_NO_MEMORY;
  if (out == nullptr) return HALVERN32_NETPATH_BAD_ARGUMENT;
  if (path == nullptr || *path == '\0') return HALVERN32_NETPATH_NO_NAME;
  if (net_dir == nullptr || *net_dir == '\0') return HALVERN32_NETPATH_NO_NET_DIR;
  size_t dir_length = std::strlen(net_dir);
  while (dir_length > 1 && net_dir[dir_length - 1] == '/') --dir_length;
  const bool root = dir_length == 1 && net_dir[0] == '/';
  const size_t name_length = std::strlen(path);
  auto* joined = static_cast<char*>(std::malloc(dir_length + 1 + name_length + 1));
  if (joined == nullptr) return HALVERN32_NETPATH_NO_MEMORY;
  std::memcpy(joined, net_dir, dir_length);
  size_t at = dir_length;
  if (!root) joined[at++] = '/';
  std::memcpy(joined + at, path, name_length + 1);
  if (!os_is_file_exist(joined)) {
    std::free(joined);
    return HALVERN32_NETPATH_NOT_FOUND;
  }
  *out = joined;
  Ledger::Add(kPaths, 1);
  return OS_QVNETPATH_OK;
}

extern "C" int os_qvnetpath_free_path(char** path) {
  if (path == nullptr || *path == nullptr) return 0;
  Ledger::Add(kPaths, -1);
  std::free(*path);
  *path = nullptr;
  return 1;
}

// dlopen searches the loader's directories for a name without a slash; the
// path given here names a file, so such a name is loaded from the working
// directory as "./name", the file that os_is_file_exist found.
extern "C" void* os_load_library(const char* path) {
  if (InjectedFailure() || path == nullptr || *path == '\0') return nullptr;
  void* library = nullptr;
  if (std::strchr(path, '/') != nullptr) {
    library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  } else {
    const size_t length = std::strlen(path);
    auto* local = static_cast<char*>(std::malloc(length + 3));
    if (local == nullptr) return nullptr;
    std::memcpy(local, "./", 2);
    std::memcpy(local + 2, path, length + 1);
    library = dlopen(local, RTLD_NOW | RTLD_LOCAL);
    std::free(local);
  }
  if (library != nullptr) Ledger::Add(kLibraries, 1);
  return library;
}

extern "C" void* os_get_proc_address(void* library, const char* name) {
  if (InjectedFailure() || library == nullptr || name == nullptr || *name == '\0') return nullptr;
  return dlsym(library, name);
}

extern "C" int os_unload_library(void* library) {
  if (library == nullptr) return -1;
  Ledger::Add(kLibraries, -1);
  return dlclose(library);
}

extern "C" size_t halvern32_live_copies(void) {
  return static_cast<size_t>(Ledger::Sum({kCopiesMade}, {kCopiesFreed}));
}
extern "C" size_t halvern32_live_paths(void) { return static_cast<size_t>(Ledger::Sum({kPaths})); }
extern "C" size_t halvern32_live_libraries(void) { return static_cast<size_t>(Ledger::Sum({kLibraries})); }
extern "C" size_t halvern32_fallible_calls(void) {
  return static_cast<size_t>(Ledger::Sum({kOtherFallibleCalls, kCopiesMade}));
}
extern "C" void halvern32_fail_call(size_t n) { g_fault.Arm(n); }
