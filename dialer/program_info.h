// The answers of kovedial to "--help" and "--version", given before the result file is touched:
// they write nothing in the current directory.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kv::dialer {

// Writes the usage or the version to `out` and answers true when `args` is exactly "--help" or
// "--version"; otherwise writes nothing and answers false.
bool answer_program_info(const std::vector<std::string>& args, std::ostream& out);

}  // namespace kv::dialer
