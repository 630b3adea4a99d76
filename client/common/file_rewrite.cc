// Rewriting a file so that it always holds its complete old or its complete new content.
#include "client/common/file_rewrite.h"

#include <cerrno>
#include <vector>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/run_intent.h"
#include "client/common/set_aside_copy.h"
#include "client/common/text.h"
#include "client/common/write_failure.h"
#include "platform/file_lock.h"
#include "platform/fs.h"

namespace kv {

namespace {

constexpr int kNameAttempts = 20;
// The new content is written in large blocks: a file rebuilt from thousands of small pieces
// costs a write call per block, not per piece.
constexpr std::size_t kWriteBuffer = 1 << 16;
constexpr std::size_t kCopyBlock = 1 << 16;

// A fresh temporary file in the directory of `path`; nullptr (and `name` empty) when none can be
// created.
std::FILE* create_temporary_beside(const std::string& path, unsigned mode, std::string& name) {
  const std::string templ = fs::join(fs::dir_name(path), std::string(kRewriteTemporaryPrefix) + "XXXXXX");
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name = fs::make_unique_name(templ);
    if (name.empty()) break;
    std::FILE* f = fs::create_new_stream(name, mode);
    if (f != nullptr) return f;
    if (fs::exists(name)) continue;  // taken in the meantime: another name
    break;
  }
  name.clear();
  return nullptr;
}

// The user file holds the password, scrambled by a transform without a key.
bool holds_password(const std::string& path) {
  return equals_ignore_case(fs::last_component(path), "qrtlnk.gns");
}

}  // namespace

bool is_rewrite_temporary(const std::string& name) {
  const std::string prefix = kRewriteTemporaryPrefix;
  return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

FileRewrite::~FileRewrite() {
  if (active_) abandon();
}

bool FileRewrite::begin(const std::string& name, const RewriteOptions& options) {
  if (active_) abandon();
  written_ = 0;
  prepared_ = false;
  write_failed_ = false;
  failure_ = 0;
  path_ = app_home().fullpath(name);  // an existing file is found in any letter case
  target_ = fs::link_target(path_);
  const fs::Status old = fs::status(target_);
  existed_ = old.exists && !old.is_directory;
  if (old.is_directory || (!existed_ && !options.create_when_missing)) return false;
  set_mode_ = existed_;
  mode_ = existed_ && options.keep_mode ? old.mode : options.new_file_mode;
  if (options.without_other_rights || holds_password(target_) || holds_password(path_)) {
    mode_ &= ~0007u;
  }
  if (existed_) {
    in_ = OpenFile(fs::open_stream(target_, "rb"));
    if (!in_) {
      note_failure(fs::last_failure().error);
      return false;
    }
  }
  OpenFile out(create_temporary_beside(target_, existed_ ? 0600 : mode_, temporary_));
  if (!out) {
    note_failure(fs::last_failure().error);
    in_.close();
    return false;
  }
  out_ = std::move(out);
  if (!out_buffer_) out_buffer_ = std::make_unique<char[]>(kWriteBuffer);
  std::setvbuf(out_.get(), out_buffer_.get(), _IOFBF, kWriteBuffer);
  active_ = true;
  record_intent(intent::kRewrite, path_ + "|" + fs::file_identity(path_) + "|" + temporary_);
  if (existed_ && options.set_aside) {
    copy_ = set_aside_copy(target_);  // error 30 through the run's abort; the destructor cleans up
  }
  return true;
}

void FileRewrite::write(const std::string& data) { write(data.data(), data.size()); }

void FileRewrite::write(const char* data, std::size_t length) {
  written_ += static_cast<long long>(length);
  if (write_failed_ || !out_) return;
  if (fs::write_stream(out_.get(), data, length, target_) != length) {
    write_failed_ = true;
    note_failure(fs::last_failure().error);
  }
}

void FileRewrite::write_line(const std::string& line) { write(line + "\n"); }

bool FileRewrite::copy_from(std::FILE* from) {
  char buffer[8192];
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, from);
    if (got > 0) write(std::string(buffer, got));
    if (got < sizeof buffer) return std::ferror(from) == 0 && good();
  }
}

FileRewrite::CopyResult FileRewrite::copy_file(const std::string& full_path) {
  const int fd = fs::open_descriptor(full_path, fs::kRead, false);
  if (fd < 0) return fs::exists(full_path) ? CopyResult::kFailed : CopyResult::kMissing;
  std::vector<char> block(kCopyBlock);
  long got = 0;
  while ((got = fs::read_descriptor(fd, block.data(), block.size())) > 0) {
    write(block.data(), static_cast<std::size_t>(got));
  }
  fs::close_descriptor(fd);
  return got == 0 && good() ? CopyResult::kCopied : CopyResult::kFailed;
}

bool FileRewrite::good() const { return active_ && !write_failed_ && out_ && std::ferror(out_.get()) == 0; }

bool FileRewrite::prepare() {
  if (!active_) return false;
  if (prepared_) return true;
  bool ok = good();
  if (!ok) note_failure(errno);
  if (ok && set_mode_) ok = fs::set_stream_permissions(out_.get(), temporary_, mode_).ok();
  if (ok) ok = fs::sync_stream(out_.get(), temporary_).ok();
  if (!ok) note_failure(fs::last_failure().error);
  if (out_.close() != 0) {
    note_failure(errno);
    ok = false;
  }
  if (!ok) {
    abandon();
    return false;
  }
  prepared_ = true;
  return true;
}

bool FileRewrite::commit() {
  if (!prepare()) return false;
  in_.close();
  const fs::Result renamed = fs::rename_file(temporary_, target_);
  if (!renamed.ok()) {
    note_failure(renamed.error);
    abandon();
    return false;
  }
  active_ = false;
  temporary_.clear();
  // The new content is in place; when the directory cannot be flushed, a power cut could still
  // bring the old one back, which the caller must hear of.
  const bool flushed = fs::sync_directory(fs::dir_name(target_)).ok();
  discard_set_aside_copy();
  return flushed;
}

void FileRewrite::commit_or_fail(const std::string& error_text) {
  if (!commit()) fail_run_after_write(failure_, base_name(path_), AppError::kNoMemory, error_text);
}

void FileRewrite::note_failure(int error) {
  if (failure_ == 0) failure_ = error != 0 ? error : -1;
}

void FileRewrite::abandon() {
  in_.close();
  out_.close();
  if (!temporary_.empty()) fs::remove_file(temporary_);
  temporary_.clear();
  active_ = false;
  discard_set_aside_copy();
}

void FileRewrite::discard_set_aside_copy() {
  if (copy_.empty()) return;
  app_home().remove_work_file(copy_);
  copy_.clear();
}

}  // namespace kv
