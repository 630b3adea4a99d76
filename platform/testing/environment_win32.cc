// Changing the test process's own environment, on Windows.
#include <stdlib.h>

#include "platform/testing/environment.h"

namespace kv::testing {

// Through the C library, which keeps the copy that getenv reads and hands the change on to the
// process environment that started programs inherit.
void set_env(const std::string& name, const std::string& value) {
  ::_putenv_s(name.c_str(), value.c_str());
}

void unset_env(const std::string& name) { ::_putenv_s(name.c_str(), ""); }

}  // namespace kv::testing
