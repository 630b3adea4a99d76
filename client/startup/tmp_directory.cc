// TMP directory check.
#include "client/startup/tmp_directory.h"

#include <string>

#include "client/common/abort.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "client/startup/file_checks.h"
#include "platform/process.h"

namespace kv {
namespace {

constexpr std::size_t kMaximumTmpLength = 64;

void trim_blanks(std::string& text) {
  std::string::size_type end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
}

bool is_root(const std::string& text) { return text.size() == 1 && is_separator(text[0]); }

// Removes one trailing separator or full stop; the root directory keeps its separator. A removed
// separator is remembered in `removed`.
void strip_one_trailing_mark(std::string& text, char& removed) {
  if (text.empty() || is_root(text)) return;
  if (is_separator(text.back())) removed = text.back();
  if (is_separator(text.back()) || text.back() == '.') text.pop_back();
}

// The separator to append: the one the value ended in, else the kind it uses, else "/".
char separator_style(const std::string& text, char removed) {
  if (removed != 0) return removed;
  std::string::size_type last = text.find_last_of("/\\");
  return last == std::string::npos ? '/' : text[last];
}

[[noreturn]] void refuse(AppError error) {
  run_state().tmp_dir.clear();
  fail_run(error);
}

}  // namespace

void check_tmp_directory() {
  run_state().tmp_dir.clear();
  bool found = false;
  std::string value = process::get_env("TMP", &found);
  if (!found) return;
  value = value.substr(0, kMaximumTmpLength);
  trim_blanks(value);
  char removed = 0;
  if (value != ".") {
    strip_one_trailing_mark(value, removed);
    strip_one_trailing_mark(value, removed);
  }
  // An empty value or "." names the current directory of the current drive: the home directory,
  // where work files go without a directory in front of their names.
  if (value.empty() || value == ".") {
    if (!directory_writable("")) refuse(AppError::kTmpDirectoryNotWritable);
    return;
  }
  if (!is_directory(value)) refuse(AppError::kTmpDirectoryMissing);
  if (!is_bare_drive(value) && !is_separator(value.back())) {
    value += separator_style(value, removed);
  }
  if (!directory_writable(value)) refuse(AppError::kTmpDirectoryNotWritable);
  trim_blanks(value);
  run_state().tmp_dir = value;
}

}  // namespace kv
