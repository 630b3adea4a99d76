// The engine's journal and the messaging layer's debug.log.
#include "client/common/journal.h"

#include <cstdarg>
#include <cstdio>

#include "client/common/home.h"
#include "client/common/text.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv {
namespace {

const char kDebugLogName[] = "debug.log";

const char* level_marker(int level) {
  switch (level) {
    case 1: return "  |";
    case 2: return "!!|";
    case 3: return "**|";
    default: return nullptr;
  }
}

bool write_piece(std::FILE* file, const std::string& piece, const std::string& path) {
  return fs::write_stream(file, piece, path) == piece.size();
}

std::string two_digits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

// "------------------- Open  journal ------------------- dd/mm/yy hh:mm:ss\n" and its Close twin.
std::string open_close_line(const char* word) {
  LocalTime t = clock().local_time();
  char buffer[128];
  std::snprintf(buffer, sizeof buffer,
                "------------------- %s journal ------------------- %02d/%02d/%02d %02d:%02d:%02d%s",
                word, t.day % 100, t.month % 100, t.year % 100, t.hour % 100, t.minute % 100,
                t.second % 100, "\n");
  return buffer;
}

int append_line(const std::string& line) {
  std::string path = engine_home().fullpath(journal_settings().file_name);
  std::FILE* file = fs::open_stream(path, "a+");
  if (file == nullptr) return -1;
  bool written = write_piece(file, line, path);
  bool closed = std::fclose(file) == 0;
  return written && closed ? 0 : -1;
}

}  // namespace

JournalSettings& journal_settings() {
  static JournalSettings settings;
  return settings;
}

void journal_remove_previous(const std::string& name) { engine_home().remove_work_file(name); }

int journal_open(const std::string& name) {
  journal_settings().file_name = name;
  if (!journal_settings().enabled) return -1;
  return append_line(open_close_line("Open "));
}

int journal_write(int level, const std::string& text) {
  const char* marker = level_marker(level);
  if (marker == nullptr || !journal_settings().enabled) return -1;
  LocalTime t = clock().local_time();
  std::string time_prefix =
      two_digits(t.hour) + ":" + two_digits(t.minute) + ":" + two_digits(t.second) + "|";
  std::string path = engine_home().fullpath(journal_settings().file_name);
  std::FILE* file = fs::open_stream(path, "a");
  if (file == nullptr) return -1;
  bool written = write_piece(file, marker, path) && write_piece(file, time_prefix, path) &&
                 write_piece(file, text, path) && write_piece(file, "\n", path);
  bool closed = std::fclose(file) == 0;
  return written && closed ? 0 : -1;
}

int journal_close() {
  if (!journal_settings().enabled) return -1;
  return append_line(open_close_line("Close"));
}

void debug_log(const char* format, ...) {
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  std::string message = vformat(format, args);
  va_end(args);
  std::string fmt = format;
  if (fmt.empty() || (fmt.back() != '\n' && fmt.back() != '\r')) message += "\n";
  std::string path = engine_home().fullpath(kDebugLogName);
  std::FILE* file = fs::open_stream(path, "a");
  if (file == nullptr) return;
  write_piece(file, message, path);
  std::fclose(file);
}

}  // namespace kv
