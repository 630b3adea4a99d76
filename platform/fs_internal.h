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

// True when the fault hook (fs.h) sees look-ups and refuses the one of `path`: the look-up then
// finds nothing.
bool lookup_refused(const std::string& path);

// The directory `dir` was flushed: its changes so far are on disk.
void forget_directory_change(const std::string& dir);

// Per platform: true when `name` exists in the directory `dir` (letter case not counting).
bool name_taken(const std::string& dir, const std::string& name);

}  // namespace kv::fs::detail
