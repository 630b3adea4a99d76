// Test directories on Windows: fresh names, permission bits and removal.
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/fs.h"
#include "platform/testing/temp_dir.h"

namespace kv::testing {

// Windows has no permission bits that keep a file's owner out (only "read-only"): the tests
// that need them are skipped as they are for root.
bool running_as_root() { return true; }

bool files_have_permission_bits() { return false; }

std::string make_fresh_directory(const std::string& prefix) {
  // A free name is taken by creating it; another process may have made the same one meanwhile.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = fs::make_unique_name(prefix + "XXXXXX");
    std::error_code error;
    if (!name.empty() && std::filesystem::create_directory(name, error)) return name;
  }
  throw std::runtime_error("no temporary directory could be made");
}

}  // namespace kv::testing
