// Request translation. The input is a request (qrtlnk.scr), optionally followed by "\n#GNS#\n" and
// a user file. Invariants: a translation either completes or leaves the request, the send queue
// and its block file as they were, with no work file and one error line; a completed one starts
// the command file with its CONNECT block and writes send records with no more fields than the
// record has; and every password of the user file still reads back as it was given (letter case
// aside): scrambled only when the scrambling keeps it.
#include <algorithm>

#include "client/appfiles/entry_points.h"
#include "client/appfiles/request_text.h"
#include "client/common/abort.h"
#include "client/common/home.h"
#include "client/common/pin_scramble.h"
#include "client/common/snd_layout.h"
#include "client/common/text.h"
#include "fuzz/support.h"
#include "platform/testing/temp_dir.h"

namespace {

const char kDefaultUserFile[] = "POS=USER1\nPIN=secret7\nSRV=file:store\n";

std::vector<std::string> pins_of(const std::string& user_file) {
  std::vector<std::string> pins;
  for (std::string line : kvfuzz::lines_of(user_file)) {
    kv::trim_trailing(line);
    if (kv::starts_with_ignore_case(line, "PIN=")) pins.push_back(line.substr(4));
  }
  return pins;
}

// An interchange work file ("KVnnnnnn.edi").
bool any_work_file() {
  for (const std::string& name : kv::testing::list_dir(kv::app_home().dir())) {
    if (name.size() > 6 && name.rfind("KV", 0) == 0 &&
        kv::equals_ignore_case(name.substr(name.size() - 4), ".edi")) {
      return true;
    }
  }
  return false;
}

// Each password reads back: unchanged, or scrambled into a text that unscrambles to it.
void check_passwords(const std::string& before_file) {
  const std::vector<std::string> before = pins_of(before_file);
  const std::vector<std::string> after = pins_of(kvfuzz::read_home_file("qrtlnk.gns"));
  FUZZ_CHECK(before.size() == after.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    FUZZ_CHECK(!kv::is_scrambled_pin(before[i]) && kv::is_scrambled_pin(after[i]));
    std::string back = after[i];
    kv::unscramble_pin(back);
    FUZZ_CHECK(back == kv::to_upper(before[i]));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input =
      kvfuzz::split_input(kvfuzz::text_of(data, size), "\n#GNS#\n");
  const std::string& request = input[0];
  const std::string user_file = input[1].empty() ? kDefaultUserFile : input[1];
  kvfuzz::fresh_home();
  kvfuzz::write_home_file("qrtlnk.scr", request);
  kvfuzz::write_home_file("qrtlnk.gns", user_file);
  bool completed = true;
  try {
    kv::vertaal_opdrachten("qrtlnk.scr");
  } catch (const kv::RunAborted&) {
    completed = false;
  }
  check_passwords(user_file);
  if (!completed) {
    FUZZ_CHECK(kvfuzz::lines_of(kvfuzz::read_home_file("qrtlnk.err")).size() == 1);
    FUZZ_CHECK(kvfuzz::read_home_file("qrtlnk.scr") == request);
    FUZZ_CHECK(kvfuzz::read_home_file("qrtlnk.snd").empty());
    FUZZ_CHECK(kvfuzz::read_home_file("qrtlnk.sav").empty());
    FUZZ_CHECK(!any_work_file());
    return 0;
  }
  FUZZ_CHECK(!kvfuzz::home_file_exists("qrtlnk.err"));
  const std::vector<std::string> requested = kvfuzz::lines_of(request);
  const std::vector<std::string> commands = kvfuzz::lines_of(kvfuzz::read_home_file("qrtlnk.scr"));
  std::string first;
  for (std::string line : requested) {
    kv::trim_trailing(line);
    if (!line.empty()) {
      first = line;
      break;
    }
  }
  if (!kv::is_command(first, "CONNECT")) {
    FUZZ_CHECK(!commands.empty() && commands.front() == "*000CONNECT");
  }
  for (const std::string& record : kvfuzz::lines_of(kvfuzz::read_home_file("qrtlnk.snd"))) {
    FUZZ_CHECK(std::count(record.begin(), record.end(), '|') <= kv::snd::kFieldCount);
  }
  return 0;
}
