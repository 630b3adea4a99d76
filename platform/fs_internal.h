// What the file-system implementations of the platforms share (fs_common.cc) and what each of
// them provides to it. Private to platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/fs_result.h"

namespace kv::fs::detail {

// Records the failure of `call` on `path` (and `second_path`) with `error` as the last one (errno
// and last_failure()) and returns it; an `error` of 0 is recorded as EIO.
Result failure(int error, const char* call, const std::string& path,
               const std::string& second_path = "");
// The success of the call when `done`, else its failure with the errno value it left.
Result outcome(bool done, const char* call, const std::string& path,
               const std::string& second_path = "");
// failure() for the calls that return a descriptor or a count: -1.
int fail_with(int error, const char* call, const std::string& path);

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
