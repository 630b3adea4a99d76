// Fault injection for the file-system facility: counts the calls of each operation and makes a
// chosen call fail with an errno value (the operation is then not performed). While it exists
// it is the file system's fault hook.
//
// Typical loop: for n = 1, 2, ... run an operation with fail_nth("rename", n) until it succeeds
// without the fault having been used, checking the files after every failure.
#pragma once

#include <cerrno>
#include <map>
#include <string>
#include <vector>

namespace kv::testing {

class FaultInjector {
 public:
  // With `count_lookups` the look-ups of names ("lookup") are counted and can be failed too.
  explicit FaultInjector(bool count_lookups = false);
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // Fails the n-th call (from 1) of `operation` ("" for any operation) whose path contains
  // `path_part` (empty: any path). With `and_later`, every later matching call fails as well.
  void fail_nth(const std::string& operation, int n, int error = EIO,
                const std::string& path_part = "", bool and_later = false);
  void clear();

  bool triggered() const { return triggered_; }
  int calls(const std::string& operation) const;
  // "operation path" of every consulted call, in order.
  const std::vector<std::string>& log() const { return log_; }

 private:
  int consult(const char* operation, const std::string& path);

  std::string operation_;
  std::string path_part_;
  int n_ = 0;
  int error_ = 0;
  bool and_later_ = false;
  int matching_calls_ = 0;
  bool armed_ = false;
  bool triggered_ = false;
  std::map<std::string, int> counts_;
  std::vector<std::string> log_;
};

}  // namespace kv::testing
