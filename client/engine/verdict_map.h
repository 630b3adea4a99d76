// Mapping of the mail service's verdict after a failed messaging operation to a four-digit result
// code and a session result (map_verdict itself is declared in message_commands.h).
#pragma once

#include <string>

namespace kv::engine {

struct VerdictMapping {
  std::string code;  // "1504" .. "1537", "1513" for unknown verdicts
  int result;        // kFatalVerdict: the session ends; kRefused: only the command fails
};

// 0 "1504" -3; 1, 2 "1513"; 3 "1506" -3; 4 "1507" -3; 5 "1512"; 6..9 "1508".."1511";
// 10..26 "1521".."1537"; anything else (-1 included) "1513".
VerdictMapping map_verdict_value(int verdict);

}  // namespace kv::engine
