// Running a program and collecting what it prints, on POSIX systems.
#include "platform/process_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kv::process {

namespace {

pid_t start_child(const std::string& program, const std::vector<std::string>& args, int out_fd) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  int null_in = open("/dev/null", O_RDONLY);
  if (null_in >= 0) dup2(null_in, 0);
  dup2(out_fd, 1);
  dup2(out_fd, 2);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

namespace posix {

Output capture_output(const std::string& program, const std::vector<std::string>& args,
                      unsigned timeout_ms) {
  Output result;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return result;
  pid_t pid = start_child(program, args, fds[1]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return result;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  bool killed = false;
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    int ready = poll(&p, 1, 100);
    if (ready > 0) {
      char buf[4096];
      ssize_t n = read(fds[0], buf, sizeof buf);
      if (n <= 0) break;
      result.text.append(buf, static_cast<size_t>(n));
    }
    if (timeout_ms != 0 && std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!killed && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  return result;
}

}  // namespace posix

}  // namespace kv::process
