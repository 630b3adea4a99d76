// Update mode (/U=): the application file holds copies of QRTLNK.RCV records that the application
// has taken over. Every stored record found there leaves the store with its part files, and the
// line that matched is crossed out with "X" in place, so that it is used only once and the file
// keeps its size. The application file is read once and indexed by line text; each record takes
// the first line equal to it that is not used yet.
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/line_reader.h"
#include "client/appfiles/rcv_record.h"
#include "client/common/file_rewrite.h"
#include "client/common/home.h"
#include "client/common/open_files.h"
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
  return fs::check_fault("write", name) == 0 && seek_to(file, place.start) &&
         std::fwrite(crosses.data(), 1, crosses.size(), file) == crosses.size();
}

}  // namespace

void update_receive_store(const std::string& application_file) {
  OpenFile application(app_home().fopen(application_file, "r+b"));
  if (!application) return;
  LineIndex index = index_application_file(application.get());

  FileRewrite store;
  if (!store.begin(kReceiveStore, {.set_aside = true})) return;
  // Part files go only once the new store is in place: until then every record is whole in the
  // store.
  std::vector<std::string> taken_over;
  LineReader reader(store.in());
  TextLine line;
  while (reader.next(line)) {
    busy_indicator();
    trim_trailing(line.text);
    if (line.text.empty()) continue;
    auto found = index.find(line.text);
    if (found == index.end() || found->second.empty() ||
        !cross_out(application.get(), application_file, found->second.front())) {
      store.write_line(line.text);
      continue;
    }
    found->second.pop_front();
    taken_over.push_back(line.text);
  }
  std::fflush(application.get());
  application.close();
  store.commit_or_fail("schrijven QRTLNK.RCV");
  for (const std::string& record : taken_over) {
    busy_indicator();
    remove_part_files(record);
  }
}

}  // namespace kv
