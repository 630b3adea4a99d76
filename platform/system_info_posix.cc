// Memory status from /proc/meminfo (MemAvailable when the kernel offers it), sysinfo for the
// swap sizes, and /proc/self/status for the process's own address space; getrusage for the
// processor time.
#include "platform/system_info.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace kv::system_info {

namespace {

// Value in kB of the line "<key>: <n> kB" of a /proc file; false when it is not there.
bool proc_value_kb(const char* file, const char* key, std::uint64_t* kb) {
  std::FILE* f = std::fopen(file, "r");
  if (f == nullptr) return false;
  char line[256];
  std::size_t key_length = std::strlen(key);
  bool found = false;
  while (!found && std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, key, key_length) == 0 && line[key_length] == ':') {
      unsigned long long value = 0;
      found = std::sscanf(line + key_length + 1, "%llu", &value) == 1;
      *kb = value;
    }
  }
  std::fclose(f);
  return found;
}

// Size of the user address space: the address-space limit when one is set, otherwise the
// 47-bit user half of a 64-bit address space (the 32-bit user space on 32-bit systems).
std::uint64_t user_address_space() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    return static_cast<std::uint64_t>(limit.rlim_cur);
  }
  return sizeof(void*) >= 8 ? (std::uint64_t{1} << 47) : (std::uint64_t{3} << 30);
}

}  // namespace

bool memory_status(MemoryStatus* status) {
  if (status == nullptr) return false;
  *status = MemoryStatus{};
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return false;
  std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  status->physical_total = info.totalram * unit;
  status->physical_free = info.freeram * unit;
  std::uint64_t available_kb = 0;
  if (proc_value_kb("/proc/meminfo", "MemAvailable", &available_kb)) {
    status->physical_free = available_kb * 1024;
  }
  if (status->physical_free > status->physical_total) {
    status->physical_free = status->physical_total;
  }
  if (status->physical_total > 0) {
    status->percent_in_use = static_cast<int>(
        (status->physical_total - status->physical_free) * 100 / status->physical_total);
  }
  status->commit_total = status->physical_total + info.totalswap * unit;
  status->commit_free = status->physical_free + info.freeswap * unit;
  status->address_space_total = user_address_space();
  std::uint64_t used_kb = 0;
  proc_value_kb("/proc/self/status", "VmSize", &used_kb);
  std::uint64_t used = used_kb * 1024;
  status->address_space_free =
      used < status->address_space_total ? status->address_space_total - used : 0;
  return true;
}

double processor_seconds() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace kv::system_info
