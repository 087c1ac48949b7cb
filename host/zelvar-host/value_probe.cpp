#include "value_probe.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace zelvar_host {

namespace {

// What the child writes to the pipe, followed by the value's bytes.
struct Answer {
  ProbeResult::Outcome outcome;
  int32_t error_code;
  int32_t reported;
  uint32_t length;
  uint64_t nanoseconds;
};

Answer* g_child_answer = nullptr;  // set in the child only, which has one thread

int ZELVAR_CDECL RecordFailure(int32_t, int32_t, int32_t, const char*, const char*) {
  g_child_answer->reported = 1;
  return 0;
}

void WriteAll(int descriptor, const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
}

[[noreturn]] void AnswerInChild(const Plugin& plugin, const Parameter& parameter, int descriptor) {
  Answer answer{};
  g_child_answer = &answer;
  ParamHostContext context{};
  context.report_error = &RecordFailure;
  ParamHostRecord record{};
  record.param_id = parameter.id;
  record.section = parameter.section;
  record.context = &context;
  const char* text = nullptr;
  CParamExt* object = plugin.Create(&record, parameter.type.c_str());
  if (object == nullptr) {
    answer.outcome = ProbeResult::Outcome::kNoObject;
  } else {
    int32_t length = 0;
    const auto start = std::chrono::steady_clock::now();
    answer.error_code = object->GetValue(&text, &length);
    answer.nanoseconds = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
    answer.length = text != nullptr ? static_cast<uint32_t>(length) : 0;
    answer.outcome = answer.error_code != UDF_OK ? ProbeResult::Outcome::kFailed
                     : text == nullptr           ? ProbeResult::Outcome::kNull
                                                 : ProbeResult::Outcome::kValue;
  }
  WriteAll(descriptor, &answer, sizeof answer);
  if (text != nullptr) WriteAll(descriptor, text, answer.length);
  _exit(0);
}

std::string ReadAll(int descriptor) {
  std::string data;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(descriptor, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return data;
    data.append(buffer, static_cast<size_t>(count));
  }
}

ProbeResult Decode(const std::string& data, int status) {
  ProbeResult result{};
  if (WIFSIGNALED(status)) {
    result.outcome = ProbeResult::Outcome::kCrashed;
    result.signal = WTERMSIG(status);
    return result;
  }
  Answer answer;
  if (data.size() < sizeof answer) {
    result.outcome = ProbeResult::Outcome::kNoAnswer;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }
  std::memcpy(&answer, data.data(), sizeof answer);
  result.outcome = answer.outcome;
  result.value = data.substr(sizeof answer, answer.length);
  result.nanoseconds = answer.nanoseconds;
  result.error_code = answer.error_code;
  result.reported = answer.reported != 0;
  return result;
}

}  // namespace

ProbeResult ProbeFirstValue(const Plugin& plugin, const Parameter& parameter) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    throw std::runtime_error(std::string("fork: ") + std::strerror(error));
  }
  if (child == 0) {
    close(pipe_ends[0]);
    AnswerInChild(plugin, parameter, pipe_ends[1]);
  }
  close(pipe_ends[1]);
  const std::string data = ReadAll(pipe_ends[0]);
  close(pipe_ends[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return Decode(data, status);
}

}  // namespace zelvar_host
