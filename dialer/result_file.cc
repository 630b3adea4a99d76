// The helper's result file.
#include "dialer/result_file.h"

#include <cstdio>

#include "platform/fs.h"

namespace kv::dialer {

std::string dial_error_result(unsigned code) {
  std::string digits = std::to_string(static_cast<unsigned long>(code) + 14000UL);
  return digits.substr(1, 4);
}

std::string ResultFile::path() const {
  // The client reads "kovedial.txt" without regard to case: reuse an existing file of any case.
  return fs::resolve(directory_, "kovedial.txt");
}

bool ResultFile::save(const std::string& line) {
  line_ = line;
  std::string target = path();
  std::string temp = target + ".new";
  std::FILE* f = fs::open_stream(temp, "wb");
  if (!f) return false;
  std::string content = line + "\n";
  bool ok = fs::write_stream(f, content, temp) == content.size();
  ok = (std::fclose(f) == 0) && ok;
  // Replace in one step, so a reader never sees a half-written line.
  if (!ok || !fs::rename_file(temp, target).ok()) {
    fs::remove_file(temp);
    return false;
  }
  return true;
}

}  // namespace kv::dialer
