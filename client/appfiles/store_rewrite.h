// Rewriting a file of the application home directory through its set-aside copy: the file is
// set aside ("QLX_ddmm.nnn"), the copy is read and a fresh file is written under the file's own
// name; the copy is removed only once the fresh file is complete on disk. So at every moment each
// line is in the file, in the copy, or was handed on by the caller.
#pragma once

#include <cstdio>
#include <string>

#include "client/common/open_files.h"

namespace kv {

class StoreRewrite {
 public:
  StoreRewrite() = default;
  // A rewrite whose copy was not discarded (an exception passing) puts the copy back.
  ~StoreRewrite();
  StoreRewrite(const StoreRewrite&) = delete;
  StoreRewrite& operator=(const StoreRewrite&) = delete;

  // Sets `name` aside and opens the copy for reading and a fresh file for writing. false when the
  // file does not exist, or when the copy cannot be read or the fresh file not created (the file
  // is then restored from the copy). A set-aside failure ends the run with error 30.
  bool begin(const std::string& name);

  std::FILE* copy() const { return copy_.get(); }
  const std::string& copy_name() const { return copy_name_; }
  const std::string& name() const { return name_; }

  // Writes one line and its line end to the fresh file.
  void write_line(const std::string& line);

  // Bytes written to the fresh file so far.
  long long written() const { return written_; }

  // Closes both files and removes the copy. When the fresh file could not be written completely,
  // the copy is put back under the file's name instead and the run ends with error 10
  // (`error_text`), so that nothing is lost.
  void finish(const std::string& error_text);
  // finish() in two steps, for callers that hand lines on elsewhere before the copy may go:
  // complete() closes the fresh file (with finish()'s failure rule), discard_copy() removes the copy.
  void complete(const std::string& error_text);
  void discard_copy();

  // Closes both files and puts the copy back: the file is as it was before begin().
  void restore();

 private:
  std::string name_;
  std::string copy_name_;
  OpenFile copy_;
  OpenFile fresh_;
  long long written_ = 0;
  bool write_failed_ = false;
  bool active_ = false;
  bool completed_ = false;
};

}  // namespace kv
