// The outcome of one file-system call: its errno value with the call and the path it was made on,
// so that whoever reports a failure can say what failed where.
#pragma once

#include <string>

namespace kv::fs {

// `call` is the name under which the fault hook (fs.h) sees the operation ("remove", "rename",
// "chmod", "mkdir", "truncate", "sync", "create", "open-read", "open-write", "write", "flush",
// "link", "lookup"), or "list", "close" or "read"; `path` the file it was made on (empty for a
// call on an open descriptor) and `second_path` the other name of a rename or link (empty for the
// other calls). `error` is the errno value, 0 for a success; a
// failure always carries a non-zero value.
//
// text() words it in one line, in this fixed form:
//   CALL "PATH": ERROR                  remove "/h/a.tmp": Permission denied
//   CALL "PATH" to "SECOND": ERROR      rename "/h/a.tmp" to "/h/a": No space left on device
//   CALL: ERROR                         (a call on an open descriptor that names no path)
// where ERROR is error_text(error) (fs.h), and "ok" for a success. The paths are given as the
// call received them, between double quotes and without escapes.
struct Result {
  int error = 0;
  std::string call;
  std::string path;
  std::string second_path;

  bool ok() const { return error == 0; }
  explicit operator bool() const { return ok(); }
  std::string text() const;
};

}  // namespace kv::fs
