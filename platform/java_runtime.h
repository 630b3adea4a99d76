// Where the Java virtual machine library of a program is found, and how a class path is
// written on this system.
#pragma once

#include <string>
#include <vector>

namespace kv::java_runtime {

// The machine libraries to try, in order, for a program that lies in `program_dir`; the first
// is the one in the runtime beside the program.
std::vector<std::string> machine_libraries(const std::string& program_dir);

// The separator between the entries of a class path.
const char* class_path_separator();

}  // namespace kv::java_runtime
