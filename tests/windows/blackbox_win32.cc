// The black-box support of tests/blackbox.h on Windows: programs started with CreateProcessW in
// a clean environment, their output collected through pipes. A "signal" is what a user does to
// a windowed program there: SIGINT presses Escape in its window, SIGTERM clicks its close box,
// anything else ends the process (TerminateProcess).
#include <signal.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "platform/fs.h"
#include "platform/process.h"
#include "platform/win32_names.h"
#include "tests/blackbox.h"
#include "tests/windows/windows_support.h"

namespace kvtest {

std::string bin_dir() {
  bool found = false;
  std::string dir = kv::process::get_env("KOVENDI_BIN_DIR", &found);
  if (found && !dir.empty()) return dir;
  return kv::fs::dir_name(kv::process::program_directory()) + "/bin";
}

std::string program(const std::string& name) { return bin_dir() + "/" + name; }

namespace {

std::mutex g_processes_lock;
std::map<int, HANDLE> g_processes;  // the started processes that are not collected yet

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// The test's environment without DISPLAY and TMP (names compared without regard to case, as
// Windows does), with the options' changes: a UTF-16 environment block.
std::wstring environment_block(const RunOptions& options) {
  std::map<std::string, std::string> env;  // upper-cased name -> "name=value"
  wchar_t* strings = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
    std::string text = kv::win32::narrow(entry);
    std::string::size_type eq = text.find('=', 1);
    if (eq == std::string::npos) continue;
    env[upper(text.substr(0, eq))] = text;
  }
  ::FreeEnvironmentStringsW(strings);
  env.erase("DISPLAY");
  env.erase("TMP");
  for (const std::string& name : options.unset_env) env.erase(upper(name));
  for (const auto& [name, value] : options.env) env[upper(name)] = name + "=" + value;
  std::wstring block;
  for (const auto& [key, entry] : env) block += kv::win32::widen(entry) + L'\0';
  return block + L'\0';
}

std::string executable(const std::string& program) {
  if (kv::fs::last_component(program).find('.') == std::string::npos) return program + ".exe";
  return program;
}

struct Child {
  HANDLE process = nullptr;
  int pid = -1;
};

Child start(const std::string& prog, const std::vector<std::string>& args, const std::string& dir,
            const RunOptions& options, HANDLE in, HANDLE out, HANDLE err) {
  Child child;
  std::wstring command = kv::win32::widen(kv::win32::command_line(prog, args));
  std::wstring application = kv::win32::system_path(executable(prog));
  std::wstring directory = kv::win32::system_path(dir);
  std::wstring environment = environment_block(options);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), directory.c_str(),
                        &startup, &info)) {
    return child;
  }
  ::CloseHandle(info.hThread);
  child.process = info.hProcess;
  child.pid = static_cast<int>(info.dwProcessId);
  return child;
}

HANDLE inheritable_null() {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, OPEN_EXISTING, 0, nullptr);
}

// A pipe whose end for the child is inheritable.
void make_pipe(HANDLE* ours, HANDLE* theirs, bool child_reads) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end, write_end;
  ::CreatePipe(&read_end, &write_end, &inherit, 0);
  *ours = child_reads ? write_end : read_end;
  *theirs = child_reads ? read_end : write_end;
  ::SetHandleInformation(*ours, HANDLE_FLAG_INHERIT, 0);
}

// Reads what the child writes until it has ended and the pipe is empty. The end of the pipe is
// not waited for: a process that the child's run started (under Wine the desktop's explorer.exe)
// may hold the child's handles long after the child has gone.
void read_all(HANDLE from, std::string* into, const std::atomic<bool>* ended) {
  char buffer[4096];
  for (;;) {
    bool was_ended = ended->load();
    DWORD available = 0;
    if (!::PeekNamedPipe(from, nullptr, 0, nullptr, &available, nullptr)) return;  // closed
    if (available == 0) {
      if (was_ended) return;
      ::Sleep(5);
      continue;
    }
    DWORD got = 0;
    DWORD wanted = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
    if (!::ReadFile(from, buffer, wanted, &got, nullptr) || got == 0) return;
    into->append(buffer, got);
  }
}

void deliver(int pid, int signal_number, HANDLE process) {
  if (signal_number == SIGINT) {
    windows::press_escape(pid);
  } else if (signal_number == SIGTERM) {
    windows::click_close_box(pid);
  } else {
    ::TerminateProcess(process, 128 + 9);
  }
}

void collect(HANDLE process, RunResult* result) {
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  result->exit_code = code == 128 + 9 ? -1 : static_cast<int>(code);
  result->signal = code == 128 + 9 ? 9 : 0;
}

}  // namespace

RunResult run(const std::string& prog, const std::vector<std::string>& args,
              const std::string& dir, const RunOptions& options) {
  RunResult result;
  HANDLE in_ours, in_theirs, out_ours, out_theirs, err_ours, err_theirs;
  make_pipe(&in_ours, &in_theirs, true);
  make_pipe(&out_ours, &out_theirs, false);
  make_pipe(&err_ours, &err_theirs, false);
  auto started = std::chrono::steady_clock::now();
  Child child = start(prog, args, dir, options, in_theirs, out_theirs, err_theirs);
  for (HANDLE h : {in_theirs, out_theirs, err_theirs}) ::CloseHandle(h);
  if (child.process == nullptr) {
    for (HANDLE h : {in_ours, out_ours, err_ours}) ::CloseHandle(h);
    return result;
  }
  std::atomic<bool> ended{false};
  std::thread out_reader(read_all, out_ours, &result.out, &ended);
  std::thread err_reader(read_all, err_ours, &result.err, &ended);
  DWORD wrote = 0;
  if (!options.stdin_text.empty()) {
    ::WriteFile(in_ours, options.stdin_text.data(), static_cast<DWORD>(options.stdin_text.size()),
                &wrote, nullptr);
  }
  ::CloseHandle(in_ours);
  auto deadline = started + std::chrono::seconds(options.timeout_seconds);
  bool signal_sent = options.send_signal == 0;
  while (::WaitForSingleObject(child.process, 20) == WAIT_TIMEOUT) {
    auto now = std::chrono::steady_clock::now();
    if (!signal_sent && now >= started + std::chrono::milliseconds(options.signal_after_ms)) {
      deliver(child.pid, options.send_signal, child.process);
      signal_sent = true;
    }
    if (now > deadline) {
      ::TerminateProcess(child.process, 128 + 9);
      ::WaitForSingleObject(child.process, INFINITE);
      break;
    }
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  collect(child.process, &result);
  ::CloseHandle(child.process);
  ended = true;
  out_reader.join();
  err_reader.join();
  ::CloseHandle(out_ours);
  ::CloseHandle(err_ours);
  return result;
}

Background::Background(const std::string& prog, const std::vector<std::string>& args,
                       const std::string& dir, const RunOptions& options)
    : timeout_seconds_(options.timeout_seconds) {
  HANDLE nothing = inheritable_null();
  Child child = start(prog, args, dir, options, nothing, nothing, nothing);
  ::CloseHandle(nothing);
  if (child.process == nullptr) return;
  pid_ = child.pid;
  std::lock_guard<std::mutex> hold(g_processes_lock);
  g_processes[pid_] = child.process;
}

namespace {

HANDLE process_of(int pid) {
  std::lock_guard<std::mutex> hold(g_processes_lock);
  auto it = g_processes.find(pid);
  return it == g_processes.end() ? nullptr : it->second;
}

void forget(int pid) {
  std::lock_guard<std::mutex> hold(g_processes_lock);
  auto it = g_processes.find(pid);
  if (it == g_processes.end()) return;
  ::CloseHandle(it->second);
  g_processes.erase(it);
}

}  // namespace

Background::~Background() {
  HANDLE process = process_of(pid_);
  if (!collected_ && process != nullptr) {
    ::TerminateProcess(process, 128 + 9);
    ::WaitForSingleObject(process, INFINITE);
  }
  forget(pid_);
}

bool Background::running() {
  HANDLE process = process_of(pid_);
  if (collected_ || process == nullptr) return false;
  if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return true;
  collected_ = true;
  collect(process, &result_);
  return false;
}

void Background::signal(int signal_number) {
  if (running()) deliver(pid_, signal_number, process_of(pid_));
}

RunResult Background::wait() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds_);
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) ::TerminateProcess(process_of(pid_), 128 + 9);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return result_;
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace kvtest
