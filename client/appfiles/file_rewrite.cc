#include "client/appfiles/file_rewrite.h"

#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/common/set_aside_copy.h"
#include "platform/fs.h"

namespace kv {

FileRewrite::FileRewrite(const std::string& name) : name_(name), copy_(set_aside_copy(name)) {
  existed_ = !copy_.empty();
  done_ = copy_.empty();
}

FileRewrite::~FileRewrite() {
  if (!done_) restore();
}

bool FileRewrite::open() {
  if (copy_.empty()) return false;
  in_ = OpenFile(app_home().fopen(copy_, "rb"));
  if (in_) out_ = OpenFile(app_home().fopen(name_, "wb"));
  if (!in_ || !out_) {
    restore();
    return false;
  }
  return true;
}

void FileRewrite::write_line(const std::string& line) {
  if (!out_) return;
  if (std::fwrite(line.data(), 1, line.size(), out_.get()) != line.size() ||
      std::fputc('\n', out_.get()) == EOF) {
    write_failed_ = true;
  }
}

bool FileRewrite::good() const {
  return !write_failed_ && out_ && std::ferror(out_.get()) == 0;
}

bool FileRewrite::commit() {
  if (done_) return false;
  bool ok = good() && std::fflush(out_.get()) == 0;
  if (out_.close() != 0) ok = false;
  in_.close();
  if (ok && fs::sync_file(app_home().fullpath(name_)) != 0) ok = false;
  if (!ok) {
    restore();
    return false;
  }
  record_intent(intent::kRewritten, copy_);
  app_home().remove(copy_);
  copy_.clear();
  done_ = true;
  return true;
}

void FileRewrite::restore() {
  in_.close();
  out_.close();
  if (!copy_.empty()) restore_set_aside_copy(copy_, name_);
  copy_.clear();
  done_ = true;
}

}  // namespace kv
