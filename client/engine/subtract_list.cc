// Taking the messages that KILL handling removed out of a LIJST list file.
#include "client/engine/subtract_list.h"

#include <cstdio>
#include <unordered_set>
#include <vector>

#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/line_writer.h"
#include "client/common/run_intent.h"
#include "client/common/set_aside_copy.h"
#include "client/common/text.h"
#include "client/engine/engine_context.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace kv::engine {

namespace {

constexpr std::size_t kListLineMaximum = 200;     // list lines of at most 199 characters
constexpr int kLastListCounter = 999;               // the 999th name is taken when all exist
constexpr std::size_t kRemovalLineMaximum = 24;   // removal lines of at most 23 characters

std::string line_key(const std::string& line) {
  std::string key = line.substr(0, line.find('|'));
  return key.substr(0, key.find(' '));
}

// Reads every line of a text file; lines over `maximum` - 1 characters are taken whole.
std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> lines;
  OpenFile f(fs::open_stream(path, "r"));
  if (!f) return lines;
  LineReader reader(f.get());
  TextLine line;
  while (reader.next_nonblank(line)) lines.push_back(line.text);
  return lines;
}

}  // namespace

std::string dated_list_name(EngineContext& ctx) {
  const std::string name = first_free_set_aside_name(ctx.home, kLastListCounter);
  if (!name.empty()) return name;
  const LocalTime now = clock().local_time();
  return set_aside_name(now.day, now.month, kLastListCounter);
}

int subtract_list(EngineContext& ctx, const std::string& list_file,
                  const std::string& removal_file) {
  const std::string list_path = ctx.home.fullpath(list_file);
  std::unordered_set<std::string> removed;
  for (const std::string& line : read_lines(ctx.home.fullpath(removal_file))) {
    removed.insert(line_key(line.substr(0, kRemovalLineMaximum - 1)));
  }
  // The kept lines go to the dated work file first; only a complete new list replaces the old.
  const std::string work = ctx.home.fullpath(dated_list_name(ctx));
  if (!record_intent(intent::kTemporary, work)) return -1;
  OpenFile out(fs::open_stream(work, "w"));
  if (!out) return -1;
  int kept = 0;
  bool written = true;
  for (const std::string& line : read_lines(list_path)) {
    if (removed.count(line_key(line.substr(0, kListLineMaximum - 1))) != 0) continue;
    written = write_line(out.get(), line.c_str(), work) && written;
    ++kept;
  }
  if (out.close() != 0 || !written) {
    ctx.home.remove(work);
    return -1;
  }
  if (kept == 0) {
    ctx.home.remove(work);
    ctx.home.remove(list_path);
    return 0;
  }
  if (!ctx.home.rename(work, list_path).ok()) {
    ctx.home.remove(work);
    return -1;
  }
  return kept;
}

}  // namespace kv::engine
