#include "client/appfiles/own_files.h"

#include <vector>

#include "client/appfiles/rcv_record.h"
#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/line_reader.h"
#include "client/common/open_files.h"
#include "client/common/record_fields.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "platform/fs.h"

namespace kv {

namespace {

// `candidate` is a path through real_path().
bool leads_to(const std::string& candidate, const std::string& own_name) {
  const std::string own = app_home().fullpath(own_name);
  return fs::same_file(candidate, own) || equals_ignore_case(candidate, fs::real_path(own));
}

bool is_stored_part_file(const std::string& candidate) {
  const std::string wanted = base_name(candidate);
  OpenFile store(app_home().open(kReceiveStore, "rb"));
  if (!store) return false;
  LineReader reader(store.get());
  TextLine line;
  while (reader.next(line)) {
    const std::string first = get_veld(line.text, kRcvFirstFile);
    if (first.empty()) continue;
    const int count = rcv_file_count(line.text);
    for (int k = 1; k <= count; ++k) {
      const std::string part = k == 1 ? first : part_file_name(first, k);
      // Only a name that can match is resolved: the store may hold many records.
      if (equals_ignore_case(base_name(part), wanted) && leads_to(candidate, part)) return true;
    }
  }
  return false;
}

}  // namespace

bool is_own_file(const std::string& name) {
  const std::string candidate = fs::real_path(app_home().fullpath(name));
  const std::vector<std::string> own = {kReceiveStore, "qrtlnk.snd", "qrtlnk.sav", "qrtlnk.bsy",
                                        "qrtlnk.sts",  "qrtlnk.err", "qrtlnk.gns",
                                        run_state().status_file};
  for (const std::string& own_name : own) {
    if (leads_to(candidate, own_name)) return true;
  }
  return is_stored_part_file(candidate);
}

void refuse_own_file(const std::string& name, AppError error) {
  if (is_own_file(name)) fail_run(error);
}

}  // namespace kv
