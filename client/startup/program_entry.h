// The program entry of kovendi: start-up, the status window and its message loop, the final
// clean-up. The exit code is always 0; the application learns the outcome from the files.
#pragma once

#include <string>
#include <vector>

namespace kv {

// `parameters` without the program name.
int program_entry(const std::vector<std::string>& parameters);

}  // namespace kv
