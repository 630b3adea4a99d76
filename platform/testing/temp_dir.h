// A fresh directory for one test, removed with everything in it (write protection included)
// when the test ends.
#pragma once

#include <string>
#include <vector>

namespace kv::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` to `name` (relative to the directory), creating directories on the way.
  void write(const std::string& name, const std::string& content) const;
  // Whole content of `name`; empty when it does not exist.
  std::string read(const std::string& name) const;
  bool exists(const std::string& name) const;
  // Lines of `name` without their line ends.
  std::vector<std::string> lines(const std::string& name) const;
  void make_dir(const std::string& name) const;

 private:
  std::string path_;
};

// Whole content of the file at `path`; empty when it does not exist.
std::string read_file(const std::string& path);
// Lines of the file at `path` without their line ends.
std::vector<std::string> read_lines(const std::string& path);

// Names in the directory `dir`, sorted.
std::vector<std::string> list_dir(const std::string& dir);

// True when the tests run as root (permission checks cannot fail then; such tests skip).
bool running_as_root();
// False where files carry no POSIX permission bits (Windows: only a read-only mark).
bool files_have_permission_bits();

// Creates a new directory whose name is `prefix` and six characters; its path. Throws when none
// can be made.
std::string make_fresh_directory(const std::string& prefix);

}  // namespace kv::testing
