// Fault injection for the file-system facility.
#include "platform/testing/fault_injection.h"

#include "platform/fs.h"

namespace kv::testing {

FaultInjector::FaultInjector(bool count_lookups) {
  fs::set_fault_hook(
      [this](const char* operation, const std::string& path) { return consult(operation, path); },
      count_lookups);
}

FaultInjector::~FaultInjector() { fs::set_fault_hook(nullptr); }

void FaultInjector::fail_nth(const std::string& operation, int n, int error,
                             const std::string& path_part, bool and_later) {
  operation_ = operation;
  path_part_ = path_part;
  n_ = n;
  error_ = error;
  and_later_ = and_later;
  matching_calls_ = 0;
  armed_ = true;
  triggered_ = false;
}

void FaultInjector::clear() {
  armed_ = false;
  triggered_ = false;
  counts_.clear();
  log_.clear();
}

int FaultInjector::calls(const std::string& operation) const {
  auto it = counts_.find(operation);
  return it == counts_.end() ? 0 : it->second;
}

int FaultInjector::consult(const char* operation, const std::string& path) {
  std::string op = operation;
  ++counts_[op];
  log_.push_back(op + " " + path);
  if (!armed_) return 0;
  if (!operation_.empty() && operation_ != op) return 0;
  if (!path_part_.empty() && path.find(path_part_) == std::string::npos) return 0;
  ++matching_calls_;
  if (matching_calls_ == n_ || (and_later_ && matching_calls_ > n_)) {
    triggered_ = true;
    return error_;
  }
  return 0;
}

}  // namespace kv::testing
