// What the file-system implementations of the platforms share (fs_common.cc) and what each of
// them provides to it. Private to platform/.
#pragma once

#include <string>
#include <vector>

namespace kv::fs::detail {

// Records `error` as the errno value of the failing call (errno and last_error()); returns -1.
int fail_with(int error);

// The components of a "/"-separated path, empty ones left out.
std::vector<std::string> split_components(const std::string& path);
// `parts` with "." dropped and ".." taking back the component before it.
std::vector<std::string> fold_dots(const std::vector<std::string>& parts);

// Per platform: true when `name` exists in the directory `dir` (letter case not counting).
bool name_taken(const std::string& dir, const std::string& name);

}  // namespace kv::fs::detail
