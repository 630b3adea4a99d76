// The answers to "--help" and "--version". They are for a person at a terminal, not part of the
// command line that applications use: they are recognised only as the one parameter, before
// anything of a run starts, so they write nothing in the current directory.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kv {

// Writes the usage or the version to `out` and answers true when `parameters` is exactly
// "--help" or "--version"; otherwise writes nothing and answers false.
bool answer_program_info(const std::vector<std::string>& parameters, std::ostream& out);

}  // namespace kv
