// Support for the black-box tests: running the real programs in a fresh directory.
#include "tests/blackbox.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kvtest {

std::string bin_dir() {
  const char* dir = getenv("KOVENDI_BIN_DIR");
  return dir ? dir : "bin";
}

std::string program(const std::string& name) { return bin_dir() + "/" + name; }

namespace {

// A runtime directory of this test process alone: the programs keep their per-user
// single-instance lock there, so tests running side by side never take each other for a
// second instance. Removed when the test process ends.
struct PrivateRuntimeDir {
  std::string path;
  PrivateRuntimeDir() {
    std::string templ = std::filesystem::temp_directory_path().string() + "/kvtest-run-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path = buf.data();
  }
  ~PrivateRuntimeDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

const std::string& private_runtime_dir() {
  static const PrivateRuntimeDir dir;
  return dir.path;
}

std::vector<std::string> build_environment(const RunOptions& options) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    auto eq = entry.find('=');
    if (eq == std::string::npos) continue;
    env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  env.erase("DISPLAY");
  env.erase("TMP");
  env["XDG_RUNTIME_DIR"] = private_runtime_dir();
  for (const auto& name : options.unset_env) env.erase(name);
  for (const auto& [k, v] : options.env) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

// In a child: runs `prog` with `args` and the environment `env` in `dir`; never returns.
[[noreturn]] void exec_in(const std::string& dir, const std::string& prog,
                          const std::vector<std::string>& args, std::vector<std::string>& env) {
  if (chdir(dir.c_str()) != 0) _exit(127);
  std::vector<char*> argv{const_cast<char*>(prog.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  execve(prog.c_str(), argv.data(), envp.data());
  _exit(127);
}

void drain(int fd, std::string& into, bool& open) {
  char buf[4096];
  ssize_t n = read(fd, buf, sizeof buf);
  if (n > 0) into.append(buf, static_cast<size_t>(n));
  else open = false;
}

}  // namespace

RunResult run(const std::string& prog, const std::vector<std::string>& args,
              const std::string& dir, const RunOptions& options) {
  RunResult result;
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) || pipe(err_pipe) || pipe(in_pipe)) return result;
  std::vector<std::string> env = build_environment(options);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      close(fd);
    exec_in(dir, prog, args, env);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (!options.stdin_text.empty()) {
    ssize_t ignored = write(in_pipe[1], options.stdin_text.data(), options.stdin_text.size());
    (void)ignored;
  }
  close(in_pipe[1]);
  bool out_open = true, err_open = true;
  auto started = std::chrono::steady_clock::now();
  auto deadline = started + std::chrono::seconds(options.timeout_seconds);
  bool signal_sent = options.send_signal == 0;
  while (out_open || err_open) {
    if (!signal_sent && std::chrono::steady_clock::now() >=
                            started + std::chrono::milliseconds(options.signal_after_ms)) {
      kill(pid, options.send_signal);
      signal_sent = true;
    }
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    int ready = poll(fds, 2, 200);
    if (ready > 0) {
      if (out_open && (fds[0].revents & (POLLIN | POLLHUP))) drain(out_pipe[0], result.out, out_open);
      if (err_open && (fds[1].revents & (POLLIN | POLLHUP))) drain(err_pipe[0], result.err, err_open);
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
  }
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  while (!signal_sent) {
    // The program ended its output early; deliver the signal at its time if it still runs.
    if (waitpid(pid, &status, WNOHANG) == pid) {
      result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
      if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
      return result;
    }
    if (std::chrono::steady_clock::now() >=
        started + std::chrono::milliseconds(options.signal_after_ms)) {
      kill(pid, options.send_signal);
      signal_sent = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  waitpid(pid, &status, 0);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

Background::Background(const std::string& prog, const std::vector<std::string>& args,
                       const std::string& dir, const RunOptions& options)
    : timeout_seconds_(options.timeout_seconds) {
  std::vector<std::string> env = build_environment(options);
  pid_ = fork();
  if (pid_ == 0) {
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    exec_in(dir, prog, args, env);
  }
}

Background::~Background() {
  if (!collected_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool Background::running() {
  if (collected_ || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    collected_ = true;
    if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
    return false;
  }
  return true;
}

void Background::signal(int signal_number) {
  if (running()) kill(pid_, signal_number);
}

RunResult Background::wait() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds_);
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) kill(pid_, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return result_;
}

std::string shell_output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace kvtest
