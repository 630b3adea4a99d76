// Rewriting a file through its set-aside copy.
#include "client/appfiles/store_rewrite.h"

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/common/set_aside_copy.h"
#include "platform/fs.h"

namespace kv {

StoreRewrite::~StoreRewrite() {
  if (active_) restore();
}

bool StoreRewrite::begin(const std::string& name) {
  name_ = name;
  copy_name_ = set_aside_copy(name);
  if (copy_name_.empty()) return false;
  active_ = true;
  copy_ = OpenFile(app_home().fopen(copy_name_, "rb"));
  if (copy_) fresh_ = OpenFile(app_home().fopen(name_, "wb"));
  if (!copy_ || !fresh_) {
    restore();
    return false;
  }
  return true;
}

void StoreRewrite::write_line(const std::string& line) {
  if (write_failed_) return;
  if (fs::check_fault("write", name_) != 0 ||
      std::fwrite(line.data(), 1, line.size(), fresh_.get()) != line.size() ||
      std::fputc('\n', fresh_.get()) == EOF) {
    write_failed_ = true;
  }
  written_ += static_cast<long long>(line.size()) + 1;
}

void StoreRewrite::finish(const std::string& error_text) {
  complete(error_text);
  discard_copy();
}

void StoreRewrite::complete(const std::string& error_text) {
  if (!active_ || completed_) return;
  if (fresh_.close() != 0) write_failed_ = true;
  if (!write_failed_ && fs::sync_file(app_home().fullpath(name_)) != 0) write_failed_ = true;
  if (write_failed_) {
    restore();
    fail_run(10, error_text);
  }
  copy_.close();
  record_intent(intent::kRewritten, copy_name_);
  completed_ = true;
}

void StoreRewrite::discard_copy() {
  if (!active_) return;
  active_ = false;
  app_home().remove_work_file(copy_name_);
}

void StoreRewrite::restore() {
  if (!active_) return;
  active_ = false;
  fresh_.close();
  copy_.close();
  restore_set_aside_copy(copy_name_, name_);
}

}  // namespace kv
