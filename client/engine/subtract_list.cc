#include "client/engine/subtract_list.h"

#include <cstdio>
#include <unordered_set>
#include <vector>

#include "client/common/home.h"
#include "client/common/text.h"
#include "platform/clock.h"

namespace kv::engine {

namespace {

constexpr std::size_t kListLineMaximum = 200;     // list lines of at most 199 characters
constexpr std::size_t kRemovalLineMaximum = 24;   // removal lines of at most 23 characters

std::string line_key(const std::string& line) {
  std::string key = line.substr(0, line.find('|'));
  return key.substr(0, key.find(' '));
}

// Reads every line of a text file; lines over `maximum` - 1 characters are taken whole.
std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return lines;
  std::string line;
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    if (c == '\n') {
      trim_trailing(line);
      if (!line.empty()) lines.push_back(line);
      line.clear();
      any = false;
    } else {
      line += static_cast<char>(c);
      any = true;
    }
  }
  if (any) {
    trim_trailing(line);
    if (!line.empty()) lines.push_back(line);
  }
  std::fclose(f);
  return lines;
}

}  // namespace

std::string dated_list_name() {
  const LocalTime now = clock().local_time();
  std::string name;
  for (int n = 1; n <= 999; ++n) {
    name = format("QLX_%02d%02d.%03d", now.day, now.month, n);
    if (engine_home().access(name, 0) != 0) break;
  }
  return name;
}

int subtract_list(const std::string& list_file, const std::string& removal_file) {
  const std::string list_path = engine_home().fullpath(list_file);
  std::unordered_set<std::string> removed;
  for (const std::string& line : read_lines(engine_home().fullpath(removal_file))) {
    removed.insert(line_key(line.substr(0, kRemovalLineMaximum - 1)));
  }
  // The kept lines go to the dated work file first; only a complete new list replaces the old.
  const std::string work = engine_home().fullpath(dated_list_name());
  std::FILE* out = std::fopen(work.c_str(), "w");
  if (!out) return -1;
  int kept = 0;
  for (const std::string& line : read_lines(list_path)) {
    if (removed.count(line_key(line.substr(0, kListLineMaximum - 1))) != 0) continue;
    std::fprintf(out, "%s\n", line.c_str());
    ++kept;
  }
  if (std::fclose(out) != 0) {
    engine_home().remove(work);
    return -1;
  }
  if (kept == 0) {
    engine_home().remove(work);
    engine_home().remove(list_path);
    return 0;
  }
  if (engine_home().rename(work, list_path) != 0) {
    engine_home().remove(work);
    return -1;
  }
  return kept;
}

}  // namespace kv::engine
