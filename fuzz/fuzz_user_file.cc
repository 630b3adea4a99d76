// The user file qrtlnk.gns and the passwords of the command file. The input is a user file,
// optionally followed by "\n#PIN#\n" and a new password. Invariants: after a password change the
// user file has the same lines except its PIN= lines, each of which reads back as the new
// password (letter case aside) when the scrambling keeps it, and the file has no rights for
// others; scrambling a command file's passwords leaves every other line alone, never scrambles
// one twice, and each scrambled password reads back as it was.
#include "client/appfiles/entry_points.h"
#include "client/appfiles/user_file_pin.h"
#include "client/common/home.h"
#include "client/common/pin_scramble.h"
#include "client/common/text.h"
#include "fuzz/support.h"
#include "platform/fs.h"

namespace {

bool is_pin_line(const std::string& line) { return kv::starts_with_ignore_case(line, "PIN="); }

std::string value_of(std::string line) {
  kv::trim_trailing(line);
  return line.substr(4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> input =
      kvfuzz::split_input(kvfuzz::text_of(data, size), "\n#PIN#\n");
  const std::string& user_file = input[0];
  const std::string new_pin = input[1].substr(0, input[1].find_first_of("\r\n"));

  kvfuzz::fresh_home();
  kvfuzz::write_home_file("qrtlnk.gns", user_file);
  kv::fs::set_permissions(kv::app_home().dir() + "/qrtlnk.gns", 0644);
  if (!new_pin.empty() && kv::scrambling_keeps(new_pin)) {
    kv::vervang_pin(new_pin);
    const std::vector<std::string> before = kvfuzz::lines_of(user_file);
    const std::vector<std::string> after = kvfuzz::lines_of(kvfuzz::read_home_file("qrtlnk.gns"));
    FUZZ_CHECK(before.size() == after.size());
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
      if (!is_pin_line(before[i])) {
        FUZZ_CHECK(after[i] == before[i]);
        continue;
      }
      std::string back = value_of(after[i]);
      kv::unscramble_pin(back);
      FUZZ_CHECK(back == kv::to_upper(new_pin));
    }
    const kv::fs::Status st = kv::fs::status(kv::app_home().dir() + "/qrtlnk.gns");
    FUZZ_CHECK(st.exists && (st.mode & 0007) == 0);
  }

  // The same text as a command file whose passwords are scrambled after the session.
  kvfuzz::write_home_file("qrtlnk.scr", user_file);
  kv::versleutel_pins("qrtlnk.scr");
  const std::string once = kvfuzz::read_home_file("qrtlnk.scr");
  kv::versleutel_pins("qrtlnk.scr");
  FUZZ_CHECK(kvfuzz::read_home_file("qrtlnk.scr") == once);
  const std::vector<std::string> before = kvfuzz::lines_of(user_file);
  const std::vector<std::string> after = kvfuzz::lines_of(once);
  FUZZ_CHECK(before.size() == after.size());
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
    if (!is_pin_line(before[i]) || value_of(before[i]).empty() ||
        kv::is_scrambled_pin(value_of(before[i]))) {
      FUZZ_CHECK(after[i] == before[i]);
      continue;
    }
    if (!kv::scrambling_keeps(value_of(before[i]))) continue;
    std::string back = value_of(after[i]);
    kv::unscramble_pin(back);
    FUZZ_CHECK(back == kv::to_upper(value_of(before[i])));
  }
  return 0;
}
