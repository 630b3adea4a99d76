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

// True when the tests run as root (permission checks cannot fail then; such tests skip).
bool running_as_root();

}  // namespace kv::testing
