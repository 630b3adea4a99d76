// What a command returns to the command loop, and so the loop to the session: whether the session
// goes on or ends. The steps inside a command return the same values as ints (a step that counts
// returns its count where it succeeds); session_result_of turns such a value into a SessionResult.
#pragma once

namespace kv::engine {

enum SessionResult : int {
  kGoOn = 0,
  kRefused = -1,       // the command failed; its code is in the status record; the session goes on
  kEndSession = -2,    // a command-file line too long, or Escape
  kFatalVerdict = -3,  // the messaging interface gave a verdict after which the session ends
};

// The two ends of the session pass through; another negative value is a refusal; zero or a count
// goes on.
constexpr SessionResult session_result_of(int step_result) {
  if (step_result == kEndSession || step_result == kFatalVerdict) {
    return static_cast<SessionResult>(step_result);
  }
  return step_result < 0 ? kRefused : kGoOn;
}

// Whether the session ends after a command with this result.
constexpr bool ends_session(SessionResult result) {
  return result == kEndSession || result == kFatalVerdict;
}

}  // namespace kv::engine
