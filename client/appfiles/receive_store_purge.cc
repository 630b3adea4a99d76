// Purge of the receive store.
#include "client/appfiles/receive_store_purge.h"

#include <cctype>
#include <string>
#include <vector>

#include "client/appfiles/rcv_record.h"
#include "client/common/day_number.h"
#include "client/common/file_rewrite.h"
#include "client/common/line_reader.h"
#include "client/common/status_callbacks.h"
#include "client/common/text.h"

namespace kv {
namespace {

// A stamp whose date part is not eight digits gives no usable age; such a record is kept rather
// than purged on the strength of a made-up date.
bool has_date(const std::string& stamp) {
  if (stamp.size() < 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(stamp[i]))) return false;
  }
  return true;
}

}  // namespace

void purge_receive_store() {
  const long today = day_number(current_time_stamp());
  FileRewrite store;
  if (!store.begin(kReceiveStore, {.set_aside = true})) return;
  // Part files go only once the new store is in place: until then the records stay whole in the
  // store.
  std::vector<RcvRecord> purged;
  LineReader reader(store.in());
  TextLine line;
  while (reader.next_nonblank(line, busy_indicator)) {
    RcvRecord record(line.text);
    const std::string stamp = record.str(rcv::kStamp);
    if (has_date(stamp) && today - day_number(stamp) >= kReceiveStoreKeepDays) {
      purged.push_back(std::move(record));
      continue;
    }
    store.write_line(line.text);
  }
  store.commit_or_fail("schrijven QRTLNK.RCV");
  for (const RcvRecord& record : purged) remove_part_files(record);
}

}  // namespace kv
