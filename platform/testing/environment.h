// Changing the test process's own environment, the same way on every platform.
#pragma once

#include <string>

namespace kv::testing {

void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);

}  // namespace kv::testing
