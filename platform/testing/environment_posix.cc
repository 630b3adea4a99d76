// Changing the test process's own environment, on POSIX systems.
#include <stdlib.h>

#include "platform/testing/environment.h"

namespace kv::testing {

void set_env(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void unset_env(const std::string& name) { ::unsetenv(name.c_str()); }

}  // namespace kv::testing
