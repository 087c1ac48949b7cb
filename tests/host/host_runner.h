// Runs the built zelvar-host as a user does and keeps what it printed, and
// gives each test a scratch folder for the files it hands over.
#ifndef ZELVAR_TESTS_HOST_RUNNER_H_
#define ZELVAR_TESTS_HOST_RUNNER_H_

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zelvar_test {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A folder of its own for one test, removed with everything in it.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelvar-host-test.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Scratch() { std::filesystem::remove_all(path_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

struct HostResult {
  int exit_code;  // 128 + signal when it died of one
  std::string out;
  std::string err;
};

// Runs zelvar-host with `args` in the folder `cwd`, no input, its output
// caught in files so that neither stream can block the other.
inline HostResult RunHost(const std::vector<std::string>& args, const std::filesystem::path& cwd) {
  std::vector<std::string> command = {ZELVAR_HOST_COMMAND};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  const Scratch streams;
  const std::string out = streams / "stdout";
  const std::string err = streams / "stderr";
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out_file = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_file = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out_file < 0 || err_file < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(in, STDIN_FILENO);
    dup2(out_file, STDOUT_FILENO);
    dup2(err_file, STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(out), ReadFile(err)};
}

}  // namespace zelvar_test

#endif  // ZELVAR_TESTS_HOST_RUNNER_H_
