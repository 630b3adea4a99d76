// Process facility on POSIX systems: /proc/self/exe, the environment, and fork + exec + waitpid.
#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fs.h"
#include "platform/process_output.h"

namespace kv::process {
namespace {

// Closes every descriptor above the standard three in the child (async-signal-safe).
void close_inherited_descriptors(int keep) {
#ifdef SYS_close_range
  unsigned k = static_cast<unsigned>(keep);
  if (keep >= 3 && (keep == 3 || ::syscall(SYS_close_range, 3u, k - 1, 0u) == 0) &&
      ::syscall(SYS_close_range, k + 1, ~0u, 0u) == 0) {
    return;
  }
#endif
  struct rlimit limit {};
  long highest = 4096;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    highest = static_cast<long>(limit.rlim_cur);
  }
  if (highest > 65536) highest = 65536;
  for (long fd = 3; fd < highest; ++fd) {
    if (fd != keep) ::close(static_cast<int>(fd));
  }
}

// In the child: prepare and exec; on failure report errno through `report_fd` and end.
[[noreturn]] void exec_child(const std::string& program, char* const argv[],
                             const std::string& working_dir, int report_fd) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  int error = 0;
  if (!working_dir.empty() && ::chdir(working_dir.c_str()) != 0) {
    error = errno;
  } else {
    close_inherited_descriptors(report_fd);
    if (program.find('/') != std::string::npos) {
      ::execv(program.c_str(), argv);
    } else {
      ::execvp(program.c_str(), argv);
    }
    error = errno;
  }
  ssize_t ignored = ::write(report_fd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

class PosixRunner : public Runner {
 public:
  int run_and_wait(const std::string& program, const std::vector<std::string>& args,
                   const std::string& working_dir) override {
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return -1;
    pid_t pid = ::fork();
    if (pid < 0) {
      ::close(report[0]);
      ::close(report[1]);
      return -1;
    }
    if (pid == 0) {
      ::close(report[0]);
      exec_child(program, argv.data(), working_dir, report[1]);
    }
    ::close(report[1]);
    int child_error = 0;
    ssize_t got;
    do {
      got = ::read(report[0], &child_error, sizeof child_error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);

    int status = 0;
    pid_t waited;
    do {
      waited = ::waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (got > 0 || waited < 0) return -1;  // not started (exec or chdir failed)
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
  }

  Output run_capture(const std::string& program, const std::vector<std::string>& args,
                     unsigned timeout_ms) override {
    return posix::capture_output(program, args, timeout_ms);
  }
};

}  // namespace

std::string program_directory() {
  std::string buffer(4096, '\0');
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return fs::current_directory();
  buffer.resize(static_cast<std::size_t>(length));
  return fs::dir_name(buffer);
}

Runner& system_runner() {
  static PosixRunner posix_runner;
  return posix_runner;
}

}  // namespace kv::process
