// Starting the dial-up helper and reading its result file.
#include "client/engine/dialup.h"
#include "client/engine/engine_context.h"
#include "client/engine/result_codes.h"

#include <vector>

#include "client/common/open_files.h"
#include "client/common/run_state.h"
#include "client/common/text.h"
#include "client/engine/session_state.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace kv::engine {

namespace {

constexpr const char* kHelperName = "kovedial";
constexpr const char* kResultFileName = "kovedial.txt";
// Longest first line that the result file is read with.
constexpr std::size_t kResultLineBuffer = 293;
// The helper's code for a dial that was cancelled.
constexpr const char* kDialBrokenOff = "4005";

std::string helper_path(EngineContext& ctx) {
  std::string dir = ctx.run.program_dir;
  if (dir.empty()) dir = process::program_directory();
  return fs::join(dir, kHelperName);
}

int run_helper(EngineContext& ctx, const std::vector<std::string>& args) {
  return process::runner().run_and_wait(helper_path(ctx), args, dial_start_directory(ctx));
}

}  // namespace

std::string dial_start_directory(EngineContext& ctx) {
  const RunState& run = ctx.run;
  if (!run.start_dir.empty()) return run.start_dir;
  if (!run.home_dir.empty()) return run.home_dir;
  return ctx.session.engine_dir;
}

DialOutcome judge_dial_result(bool file_opened, bool line_read, const std::string& line) {
  DialOutcome outcome;
  if (!file_opened) {
    outcome.code = kCodeDialResultMissing;
  } else if (!line_read || line.empty()) {
    outcome.code = kCodeDialResultEmpty;
  } else {
    std::string head = line.substr(0, 4);
    if (!equals_ignore_case(head, "AAAA")) {
      outcome.code = head;  // the helper's own error code
    } else {
      outcome.connected = true;
      outcome.already_connected = head == "aaaa";
    }
  }
  return outcome;
}

DialOutcome dial(EngineContext& ctx, const std::string& entry) {
  std::string result_file = fs::resolve(dial_start_directory(ctx), kResultFileName);
  // A result left behind by an earlier run must not be taken for this dial's outcome.
  if (fs::exists(result_file)) fs::remove_file(result_file);
  const int helper_status = run_helper(ctx, {"DIAL", entry});
  if (helper_status < 0) return DialOutcome{};

  result_file = fs::resolve(dial_start_directory(ctx), kResultFileName);
  OpenFile file(fs::open_stream(result_file, "r"));
  if (!file) return judge_dial_result(false, false, "");
  std::string line;
  int rc = read_line(line, file.get(), kResultLineBuffer, LineFlavour::application);
  file.close();
  // A first line longer than the buffer still yields its first characters.
  DialOutcome outcome = judge_dial_result(true, rc == 0 || rc == -2, line);
  if (outcome.connected && helper_status != 0) {
    // The helper was ended (killed) before it finished: the "AAAA" it writes at start-up says
    // nothing about the dial, which counts as broken off.
    outcome = DialOutcome{};
    outcome.code = kDialBrokenOff;
  }
  return outcome;
}

void hang_up(EngineContext& ctx) { run_helper(ctx, {"HANGUP"}); }

}  // namespace kv::engine
