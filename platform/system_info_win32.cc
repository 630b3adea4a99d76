// Memory status on Windows (GlobalMemoryStatusEx) and the process's processor time
// (GetProcessTimes).
#include <windows.h>

#include "platform/system_info.h"

namespace kv::system_info {

bool memory_status(MemoryStatus* status) {
  if (status == nullptr) return false;
  *status = MemoryStatus{};
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (!::GlobalMemoryStatusEx(&memory)) return false;
  status->percent_in_use = static_cast<int>(memory.dwMemoryLoad);
  status->physical_total = memory.ullTotalPhys;
  status->physical_free = memory.ullAvailPhys;
  status->commit_total = memory.ullTotalPageFile;
  status->commit_free = memory.ullAvailPageFile;
  status->address_space_total = memory.ullTotalVirtual;
  status->address_space_free = memory.ullAvailVirtual;
  return true;
}

double processor_seconds() {
  FILETIME created, ended, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0.0;
  auto seconds = [](const FILETIME& t) {  // in units of 100 ns
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace kv::system_info
