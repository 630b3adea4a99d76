// Process facility on Windows: the module path, the environment, and CreateProcessW with a wait
// on the process.
#include <windows.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/process.h"
#include "platform/process_output.h"
#include "platform/win32_names.h"

namespace kv::process {
namespace {

// The file to start: a program named by a path, with ".exe" added when the name has none; a
// bare name is left to the system's search of PATH (empty).
std::wstring program_file(const std::string& program) {
  if (program.find_first_of("/\\") == std::string::npos) return std::wstring();
  std::string name = program;
  if (fs::last_component(name).find('.') == std::string::npos && !fs::exists(name)) name += ".exe";
  return win32::system_path(name);
}

// Exit codes above INT_MAX are the system's codes for a program that failed (an exception, an
// abort); they are reported as 255, a program that ended but not well.
int exit_status_of(HANDLE process) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(process, &code)) return -1;
  return code > static_cast<DWORD>(INT_MAX) ? 255 : static_cast<int>(code);
}

struct Started {
  PROCESS_INFORMATION info{};
  bool ok = false;
};

Started start(const std::string& program, const std::vector<std::string>& args,
              const std::string& working_dir, STARTUPINFOW* startup, bool inherit, DWORD flags) {
  Started started;
  std::wstring application = program_file(program);
  if (application.empty() && program.find_first_of("/\\") != std::string::npos) return started;
  std::wstring line = win32::widen(win32::command_line(program, args));
  std::wstring directory = working_dir.empty() ? std::wstring() : win32::system_path(working_dir);
  if (!working_dir.empty() && directory.empty()) return started;
  started.ok = ::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(),
                                nullptr, nullptr, inherit ? TRUE : FALSE, flags, nullptr,
                                directory.empty() ? nullptr : directory.c_str(), startup,
                                &started.info) != 0;
  if (started.ok) ::CloseHandle(started.info.hThread);
  return started;
}

class WindowsRunner : public Runner {
 public:
  int run_and_wait(const std::string& program, const std::vector<std::string>& args,
                   const std::string& working_dir) override {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    Started started = start(program, args, working_dir, &startup, false, 0);
    if (!started.ok) return -1;
    ::WaitForSingleObject(started.info.hProcess, INFINITE);
    int status = exit_status_of(started.info.hProcess);
    ::CloseHandle(started.info.hProcess);
    return status;
  }

  Output run_capture(const std::string& program, const std::vector<std::string>& args,
                     unsigned timeout_ms) override {
    Output result;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) return result;
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    Started started = start(program, args, "", &startup, true, CREATE_NO_WINDOW);
    ::CloseHandle(write_end);
    if (nothing != INVALID_HANDLE_VALUE) ::CloseHandle(nothing);
    if (started.ok) {
      result.exit_status = collect(started.info.hProcess, read_end, timeout_ms, &result.text);
      ::CloseHandle(started.info.hProcess);
    }
    ::CloseHandle(read_end);
    return result;
  }

 private:
  // Reads what the program prints until it ends; ends it after `timeout_ms` (0: no limit). The
  // end of the pipe is not waited for, since a process the program started may still hold it.
  static int collect(HANDLE process, HANDLE output, unsigned timeout_ms, std::string* text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
      DWORD waiting = 0;
      if (!::PeekNamedPipe(output, nullptr, 0, nullptr, &waiting, nullptr)) break;  // all read
      if (waiting > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(output, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        text->append(buffer, got);
        continue;
      }
      if (ended) break;
      if (timeout_ms != 0 && std::chrono::steady_clock::now() > deadline) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, INFINITE);
        return -1;
      }
      ::WaitForSingleObject(process, 20);
    }
    ::WaitForSingleObject(process, INFINITE);
    return exit_status_of(process);
  }
};

}  // namespace

std::string program_directory() {
  std::vector<wchar_t> buffer(32768);
  DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return fs::current_directory();
  return fs::dir_name(win32::program_path(std::wstring(buffer.data(), length)));
}

Runner& system_runner() {
  static WindowsRunner windows_runner;
  return windows_runner;
}

}  // namespace kv::process
