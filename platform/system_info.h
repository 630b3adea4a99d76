// What the operating system reports about memory, for the overview in the engine's journal (all
// sizes in bytes, may exceed 32 bits), and about the processor time this process has used.
#pragma once

#include <cstdint>

namespace kv::system_info {

struct MemoryStatus {
  int percent_in_use = 0;             // share of physical memory in use
  std::uint64_t physical_total = 0;   // installed physical memory
  std::uint64_t physical_free = 0;    // physical memory available for new work
  std::uint64_t commit_total = 0;     // physical memory plus swap (what may be committed)
  std::uint64_t commit_free = 0;      // free physical memory plus free swap
  std::uint64_t address_space_total = 0;  // user address space of this process
  std::uint64_t address_space_free = 0;   // user address space not yet reserved
};

// False when the system could not be asked (the fields then stay 0).
bool memory_status(MemoryStatus* status);

// Processor time (user and system) this process has used, in seconds; what a busy machine does
// not stretch, unlike the wall clock (which std::clock() counts on Windows).
double processor_seconds();

}  // namespace kv::system_info
