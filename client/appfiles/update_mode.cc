// Update mode (/U=): the application file holds copies of QRTLNK.RCV records that the application
// has taken over. Every stored record found there leaves the store with its part files, and the
// line that matched is crossed out with "X" in place, so that it is used only once and the file
// keeps its size. The application file is read once and indexed by line text; each record takes
// the first line equal to it that is not used yet.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/own_files.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/run_intent.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {
namespace {

struct LinePlace {
  long long start = 0;
  std::size_t length = 0;  // characters before the line end, trailing blanks included
};

using LineIndex = std::unordered_map<std::string, std::deque<LinePlace>>;

LineIndex index_application_file(std::FILE* file) {
  LineIndex index;
  LineReader reader(file);
  TextLine line;
  while (reader.next(line)) {
    busy_indicator();
    const std::size_t length = line.text.size();
    trim_trailing(line.text);
    if (line.text.empty()) continue;
    index[line.text].push_back({line.start, length});
  }
  return index;
}

bool cross_out(std::FILE* file, const std::string& name, const LinePlace& place) {
  const std::string crosses(place.length, 'X');
  return seek_to(file, place.start) && fs::write_stream(file, crosses, name) == crosses.size();
}

// The part files of a record, as remove_part_files finds them.
void add_part_files(const RcvRecord& record, std::vector<std::string>& parts) {
  const std::string first = record.str(rcv::kFirstFile);
  if (first.empty()) return;
  for (int k = 1; k <= std::max(1, rcv_file_count(record)); ++k) {
    parts.push_back(k == 1 ? first : part_file_name(first, k));
  }
}

}  // namespace

// The application file's lines are crossed out, and the part files removed, only once the new
// store is in place; the next start finishes both for a run killed in between, from the places
// and names recorded before the store was replaced.
void update_receive_store(const std::string& application_file) {
  refuse_own_file(application_file, AppError::kUpdateFileIsOwnFile);
  OpenFile application(app_home().open(application_file, "r+b"));
  if (!application) return;
  LineIndex index = index_application_file(application.get());

  FileRewrite store;
  if (!store.begin(kReceiveStore, {.set_aside = true})) return;
  std::vector<std::string> taken_over;
  std::vector<std::string> crossings;
  std::vector<LinePlace> places;
  LineReader reader(store.in());
  TextLine line;
  while (reader.next_nonblank(line, busy_indicator)) {
    auto found = index.find(line.text);
    if (found == index.end() || found->second.empty()) {
      store.write_line(line.text);
      continue;
    }
    const LinePlace place = found->second.front();
    found->second.pop_front();
    places.push_back(place);
    crossings.push_back(std::to_string(place.start) + "|" + std::to_string(place.length));
    add_part_files(RcvRecord(line.text), taken_over);
  }
  // What the next start needs to finish, announced in one flushed append.
  std::vector<IntentLine> announced = {
      {intent::kCommandFile, app_home().fullpath(application_file)}};
  for (const std::string& crossing : crossings) announced.push_back({intent::kCrossOut, crossing});
  for (const std::string& part : taken_over) announced.push_back({intent::kHandedOver, part});
  record_intents(announced);
  store.commit_or_fail("schrijven QRTLNK.RCV");
  for (const LinePlace& place : places) cross_out(application.get(), application_file, place);
  fs::flush_stream(application.get(), application_file);
  application.close();
  fs::sync_file(app_home().fullpath(application_file));
  for (const std::string& part : taken_over) {
    busy_indicator();
    app_home().remove_work_file(part);
  }
}

void finish_killed_update(const std::vector<IntentLine>& record) {
  if (!rewrite_done(record, app_home().fullpath(kReceiveStore))) return;
  std::string application_file;
  std::vector<LinePlace> places;
  std::vector<std::string> parts;
  for (const IntentLine& line : record) {
    if (line.key == intent::kCommandFile) application_file = line.value;
    if (line.key == intent::kHandedOver) parts.push_back(line.value);
    if (line.key != intent::kCrossOut) continue;
    const std::vector<std::string> place = intent_parts(line.value);
    const long long start = place.size() == 2 ? std::atoll(place[0].c_str()) : -1;
    const long long length = place.size() == 2 ? std::atoll(place[1].c_str()) : 0;
    if (start >= 0 && length > 0) places.push_back({start, static_cast<std::size_t>(length)});
  }
  if (application_file.empty() || places.empty()) return;
  // Crossing out again writes the same characters: lines done before the kill stay as they are.
  OpenFile application(fs::open_stream(application_file, "r+b"));
  if (!application) return;
  for (const LinePlace& place : places) cross_out(application.get(), application_file, place);
  fs::flush_stream(application.get(), application_file);
  application.close();
  fs::sync_file(application_file);
  for (const std::string& part : parts) app_home().remove_work_file(part);
}

}  // namespace kv
