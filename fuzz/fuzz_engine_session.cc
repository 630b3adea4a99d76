// The engine's command-file reader, attribute checks and commands: a whole session on an
// arbitrary command file against a messaging service that answers every call alike (successes,
// or refusals that do not end the session, by the input's first byte). Invariants: the session
// returns -1, 0 or 1; every status line is within its length and carries a four-digit code; and
// the result is 1 exactly when a status line carries a code other than "0000".
#include <cctype>

#include "client/common/home.h"
#include "client/common/run_state.h"
#include "client/common/status_callbacks.h"
#include "client/common/status_layout.h"
#include "client/engine/engine_context.h"
#include "client/engine/session_runner.h"
#include "client/engine/status_file.h"
#include "client/engine/testing/fake_api.h"
#include "fuzz/support.h"
#include "platform/testing/fake_clock.h"
#include "platform/testing/fake_runner.h"

namespace {

constexpr short kMessageNotFound = 5;  // a refusal after which the session goes on

bool is_code(const std::string& code) {
  if (code.size() != 4) return false;
  for (char c : code) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Waits pass on the fake clock; the dial-up helper is never started.
  static kv::testing::FakeClock clock;
  static kv::testing::FakeRunner runner([](const kv::testing::RunnerCall&) { return 1; });
  clock.set_local_time(2026, 12, 9, 10, 30, 15);
  clock.set_tick_step(250);
  const std::string& home = kvfuzz::fresh_home();
  kv::status_callbacks() = kv::StatusCallbacks{};
  kv::engine::testing::fake_api().reset();
  const bool refusing = size > 0 && (data[0] & 1) != 0;
  kv::engine::testing::fake_api().answer_unscripted(refusing ? -1 : 0,
                                                    refusing ? kMessageNotFound : 1);
  kvfuzz::write_home_file("qrtlnk.scr", kvfuzz::text_of(data, size));
  kv::engine::EngineContext context(kv::engine_home(), kv::engine_control(), kv::run_state());
  const int result = kv::engine::run_session(context, nullptr, "qrtlnk.scr", "qrtlnk.sts", home);
  FUZZ_CHECK(result == -1 || result == 0 || result == 1);
  bool any_failure = false;
  for (const std::string& line : kvfuzz::lines_of(kvfuzz::read_home_file("qrtlnk.sts"))) {
    FUZZ_CHECK(line.size() <= kv::status::kLineLimit);
    const std::string code = kv::engine::result_code(line);
    FUZZ_CHECK(is_code(code));
    any_failure = any_failure || code != "0000";
  }
  if (result != -1) FUZZ_CHECK((result == 1) == any_failure);
  return 0;
}
