// Appending one file to another, byte for byte (binary). Used by the engine to collect received
// files into one output file and to move list files, and by the application-file layer.
#pragma once

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

}  // namespace kv
