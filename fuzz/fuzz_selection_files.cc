// The selection files: the retrieve's (/SEL=) and the engine's (SEL attribute). The input is a
// selection file, optionally followed by "\n#REC#\n" and receive-store records. Invariants: the
// retrieve's file is judged the same way every time, and a record's verdict does not depend on
// the records judged before; the engine's filter stays within its 511 characters, keeps the text
// it was given in front and encloses the file's criteria in " & (" ... " )"; a refusal has its
// four-digit code.
#include "client/appfiles/selection_file.h"
#include "client/common/home.h"
#include "client/common/text.h"
#include "client/engine/mailbox_filter.h"
#include "client/engine/selection_file.h"
#include "fuzz/support.h"

namespace {

constexpr int kCommandKinds[] = {2, 3, 5, 6};  // ONTVANG, RAPPORT, VERWIJDER, LIJST

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input =
      kvfuzz::split_input(kvfuzz::text_of(data, size), "\n#REC#\n");
  const std::vector<std::string> lines = kvfuzz::lines_of(input[0], true);
  const std::vector<std::string> records = kvfuzz::lines_of(input[1]);

  for (bool texts : {false, true}) {
    kv::SelectionFile first;
    kv::SelectionFile second;
    const bool valid = first.parse(lines, texts);
    FUZZ_CHECK(second.parse(lines, texts) == valid);
    if (!valid) continue;
    std::vector<bool> verdicts;
    for (const std::string& record : records) {
      verdicts.push_back(first.accepts(kv::RcvRecord(record)));
    }
    for (std::size_t i = records.size(); i-- > 0;) {
      FUZZ_CHECK(second.accepts(kv::RcvRecord(records[i])) == verdicts[i]);
    }
  }

  kvfuzz::fresh_home();
  kvfuzz::write_home_file("select.sel", input[0]);
  const std::string prefix = "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )";
  for (int kind : kCommandKinds) {
    std::string filter = prefix;
    std::string code;
    const int rc =
        kv::engine::append_selection_file(kv::engine_home(), filter, "select.sel", kind, code);
    FUZZ_CHECK(rc == 0 || rc == -1);
    FUZZ_CHECK(filter.size() <= kv::engine::kMaxFilterLength);
    if (rc != 0) {
      FUZZ_CHECK(code.size() == 4);
      continue;
    }
    FUZZ_CHECK(filter.compare(0, prefix.size(), prefix) == 0);
    FUZZ_CHECK(filter.size() >= 2 && filter.compare(filter.size() - 2, 2, " )") == 0);
    FUZZ_CHECK(filter.compare(prefix.size(), 4, " & (") == 0);
  }
  return 0;
}
