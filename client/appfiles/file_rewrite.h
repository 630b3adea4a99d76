// Rewriting one of the application's files through its set-aside copy: the file is set aside,
// the copy is read and a fresh file is written under the file's own name. Either the fresh file
// is complete (commit) or the copy is put back (restore, also on destruction), so the
// application always finds the old or the new version, never a half-written one.
#pragma once

#include <cstdio>
#include <string>

#include "client/common/open_files.h"

namespace kv {

class FileRewrite {
 public:
  // Sets `name` aside (error 30 through the run's abort when that fails).
  explicit FileRewrite(const std::string& name);
  ~FileRewrite();
  FileRewrite(const FileRewrite&) = delete;
  FileRewrite& operator=(const FileRewrite&) = delete;

  // False when the file did not exist (nothing was set aside).
  bool existed() const { return existed_; }
  // Opens the copy for reading and the fresh file for writing; when either fails, the copy is
  // put back and the result is false.
  bool open();
  std::FILE* in() const { return in_.get(); }
  std::FILE* out() const { return out_.get(); }
  // Writes one line with "\n".
  void write_line(const std::string& line);
  // True while every write so far succeeded.
  bool good() const;
  // Closes the fresh file; when everything reached it, removes the copy and returns true.
  // Otherwise the copy is put back and the result is false.
  bool commit();
  // Closes both and puts the copy back.
  void restore();

 private:
  std::string name_;
  std::string copy_;
  OpenFile in_;
  OpenFile out_;
  bool existed_ = false;
  bool done_ = false;
  bool write_failed_ = false;
};

}  // namespace kv
