// Appending one file to another, byte for byte (binary). Used by the engine to collect received
// files into one output file and to move list files, and by the application-file layer.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

enum AppendFileResult {
  kAppendOk = 0,
  kAppendSourceNotOpened = 1,
  kAppendTargetNotOpened = 2,
  kAppendReadFailed = 3,
  kAppendWriteFailed = 4,
};

// Appends the whole of `source` to `target` (created when missing). Both names are opened as
// given: callers pass full paths (HomeDirectory::fullpath) so that relative names resolve against
// their own home directory. Returns one of AppendFileResult. When writing fails the target may
// hold part of the source; a source that cannot be opened leaves the target untouched (not even
// created).
int append_file(const std::string& source, const std::string& target);

// Opens the file at `path` (created when missing) for appending lines. When its last line has no
// line end, "\n" is added first, so that the next line never runs on from it. nullptr when the
// file cannot be opened or the line end not written.
std::FILE* open_for_appending_lines(const std::string& path);

}  // namespace kv
