// The error file qrtlnk.err: one line per error, its number and its catalogue text.
#include "client/common/error_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "client/common/app_error.h"
#include "client/common/app_error_explanation.h"
#include "client/common/failure_report.h"
#include "client/common/home.h"
#include "client/common/text.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/system_log.h"

namespace kv {
namespace {

constexpr std::size_t kTextWidth = 103;

const char kUnknownText[] = "*** KOVENDI FOUT; Onbekende foutkode";
const char kErrorFileName[] = "qrtlnk.err";
const char kReservePrefix[] = "KVER";
// Room for a few dozen lines of 109 characters: one block of the usual file systems.
constexpr std::size_t kReserveSize = 4096;

struct ErrorFileState {
  bool usable = true;  // false: qrtlnk.err is an old run's; errors go to the operator
  int reserve = -1;    // descriptor of the reserve, locked while it is held
  std::string reserve_path;
};

ErrorFileState& state() {
  static ErrorFileState s;
  return s;
}

// Left-aligned, padded with blanks or cut to exactly `width` characters ("%-103.103s").
std::string fixed_width(const std::string& text, std::size_t width) {
  std::string result = text.substr(0, width);
  result.append(width - result.size(), ' ');
  return result;
}

}  // namespace

std::string format_error_line(int code, const std::string& parameter) {
  std::string number;
  std::string text;
  char digits[32];
  const char* catalogue_text = app_error_text(code);
  if (catalogue_text != nullptr) {
    // Every known number has its own format "00NN "; error 9 has none between number and text.
    std::snprintf(digits, sizeof digits,
                  code == error_number(AppError::kRequestHasNoRecords) ? "%04d" : "%04d ", code);
    text = filled(catalogue_text, {parameter});
  } else {
    std::snprintf(digits, sizeof digits, "0%03d ", code);
    text = kUnknownText;
  }
  number = digits;
  number.append(fixed_width(text, kTextWidth));
  number.push_back('\n');
  return number;
}

namespace {

// Appends `line` completely or not at all: a failed write takes the file back to what it was (a
// file that this call created goes again). False, with the reason in `failure`, when it failed.
bool append_error_line(const std::string& line, int& failure) {
  const std::string path = app_home().fullpath(kErrorFileName);
  const fs::Status before = fs::status(path);
  std::FILE* file = fs::open_stream(path, "a");
  if (file == nullptr) {
    failure = fs::last_failure().error;
    return false;
  }
  bool written = fs::write_stream(file, line, path) == line.size();
  if (!written) failure = fs::last_failure().error;
  const fs::Result flushed = fs::flush_stream(file, path);
  if (!flushed.ok() && written) {
    written = false;
    failure = flushed.error;
  }
  if (std::fclose(file) != 0 && written) {
    written = false;
    failure = errno;
  }
  if (written) return true;
  if (before.exists) {
    fs::truncate_file(path, before.size);
  } else {
    fs::remove_file(path);
  }
  return false;
}

// The line without its padding and line end, for the operator.
std::string trimmed(const std::string& line) {
  const std::string::size_type end = line.find_last_not_of(" \n");
  return end == std::string::npos ? "" : line.substr(0, end + 1);
}

}  // namespace

void schrijf_QRTLNK_error_bestand(AppError error, const std::string& parameter) {
  // The reason in words for whoever looks: the journal and a terminal.
  report_reason(app_error_reason(error_number(error), parameter));
  const std::string line = format_error_line(error_number(error), parameter);
  ErrorFileState& s = state();
  int failure = 0;
  if (s.usable) {
    if (append_error_line(line, failure)) return;
    // The reserved room is given back for this line (a full disk).
    if (release_error_room() && append_error_line(line, failure)) return;
  }
  std::string reason =
      s.usable ? fs::error_text(failure) : "an earlier error file cannot be removed";
  // The run's clean-up goes on regardless; the operator learns the code.
  report_to_operator(fs::join(app_home().dir(), kErrorFileName) + " cannot be written (" + reason +
                     "): " + trimmed(line));
}

void start_error_file() {
  ErrorFileState& s = state();
  s.usable = true;
  const std::string path = app_home().fullpath(kErrorFileName);
  if (!fs::remove_file(path).ok() && fs::status(path).exists) s.usable = false;
}

bool is_error_reserve(const std::string& name) {
  const std::string prefix = kReservePrefix;
  return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

bool reserve_error_room() {
  ErrorFileState& s = state();
  if (s.reserve >= 0) return true;
  const std::string dir = app_home().dir();
  // A killed run's reserve is held by nobody; a file larger than a reserve is none.
  for (const std::string& name : fs::list_directory(dir)) {
    if (!is_error_reserve(name)) continue;
    const std::string path = fs::join(dir, name);
    if (fs::status(path).size > static_cast<std::int64_t>(kReserveSize)) continue;
    const int fd = fs::open_existing_file(path);
    if (fd < 0) continue;
    if (fs::try_lock_exclusive(fd)) fs::remove_file(path);
    fs::close_descriptor(fd);
  }
  const std::string path =
      fs::make_unique_name(fs::join(dir, std::string(kReservePrefix) + "XXXXXX"));
  const int fd = path.empty() ? -1 : fs::create_new_file(path, 0600);
  if (fd < 0) return false;
  // Blanks written and flushed: the file system has given the room, not only promised it.
  if (!fs::try_lock_exclusive(fd) ||
      !fs::append_synced(fd, std::string(kReserveSize, ' '), path).ok()) {
    fs::remove_file(path);
    fs::close_descriptor(fd);
    return false;
  }
  s.reserve = fd;
  s.reserve_path = path;
  return true;
}

bool release_error_room() {
  ErrorFileState& s = state();
  if (s.reserve < 0) return false;
  fs::remove_file(s.reserve_path);
  fs::close_descriptor(s.reserve);
  s.reserve = -1;
  s.reserve_path.clear();
  return true;
}

void report_to_operator(const std::string& text) {
  std::fprintf(stderr, "kovendi: %s\n", text.c_str());
  std::fflush(stderr);
  system_log::write_error("kovendi", text);
}

}  // namespace kv
