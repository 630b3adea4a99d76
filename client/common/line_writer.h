// Writing text lines to a stream. The writes go through kv::fs, so that the file system's fault
// injection reaches them.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

// Writes `line` and "\n" to `stream`, which is open on `path`; false when not all of it was
// written or there is no stream.
bool write_line(std::FILE* stream, const std::string& line, const std::string& path);

}  // namespace kv
