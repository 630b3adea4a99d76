// Open streams. Every stream held by an OpenFile is registered, so that the abort clean-up can
// close all of them ("close every open stream"); streams are opened through kv::fs (or
// HomeDirectory::open), so that every open is seen by the file system's fault injection.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

class OpenFile {
 public:
  OpenFile() = default;
  explicit OpenFile(std::FILE* f);
  ~OpenFile();
  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  std::FILE* get() const { return f_; }
  explicit operator bool() const { return f_ != nullptr; }
  int close();  // fclose result; 0 when already closed

 private:
  std::FILE* f_ = nullptr;
};

// Closes every registered stream.
void close_all_open_files();
int open_file_count();

}  // namespace kv
