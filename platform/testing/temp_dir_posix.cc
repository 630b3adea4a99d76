// Test directories on POSIX systems: fresh names, permission bits and removal.
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/testing/temp_dir.h"

namespace kv::testing {

bool running_as_root() { return ::geteuid() == 0; }

bool files_have_permission_bits() { return true; }

std::string make_fresh_directory(const std::string& prefix) {
  std::string templ = prefix + "XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return templ;
}

}  // namespace kv::testing
