// A scripted stand-in for the messaging interface (the API_ operations of client/msgapi/api.h),
// linked into the engine's unit tests instead of the real one. A test queues the calls it expects,
// in order, with what each returns, what it fills into the records, which verdict
// API_verdictValue reports afterwards, and whether the user presses Escape during the call.
// Every call is recorded; a call that does not match the next queued step is recorded as
// unexpected and fails with verdict 0.
//
// Needs no script: API_initOrname (clears the record), API_verdictValue (the verdict of the last
// call), API_version (300), and the two announcement operations (0, nothing changed).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "client/msgapi/api.h"

namespace kv::engine::testing {

// The arguments of one call, as far as the operation has them.
struct FakeCallArgs {
  std::string op;                 // "API_open", "API_sendMsg", ...
  OpenSession* open = nullptr;
  SessionInfo* info = nullptr;
  MessageOut* out = nullptr;
  MessageIn* in = nullptr;
  MessageSummary* page = nullptr;
  short page_length = 0;
  ORName* orname = nullptr;
  short* alias_status = nullptr;
  std::string list_id;            // API_getMsg, API_delMsg
  std::string previous_list_id;   // API_listMbxInNext
  std::string filter;             // API_listMbxInNext
  std::string directory;          // API_getMsg receive directory
  std::string text;               // alias (API_aliasToOrname), new password, message identifier
                                  // (API_acceptedSince)
  long long since = 0;            // API_acceptedSince
  short* accepted = nullptr;      // API_acceptedSince: the fill sets it (0 unless set)
  ApiId handle = nullptr;
};

struct FakeStep {
  std::string op;             // the operation expected
  short result = 0;           // what it returns (rows for the listing)
  short verdict = 1;          // what API_verdictValue reports after it
  std::string verdict_text;   // what API_verdictText reports after it
  bool press_escape = false;  // the user presses Escape during the call (sets the user stop flag)
  std::function<void(FakeCallArgs&)> fill;  // fills the records; may set the result from the rows
};

class FakeApi {
 public:
  // Forgets the script, the records of calls and the verdict.
  void reset();
  // Queues a step; returns it so a test can add `fill`.
  FakeStep& expect(const std::string& op, short result = 0, short verdict = 1);
  FakeStep& expect_failure(const std::string& op, short verdict) {
    return expect(op, -1, verdict);
  }

  // Names of all calls in order (scripted or not; API_verdictValue included).
  const std::vector<std::string>& calls() const { return calls_; }
  // Calls that found no matching step ("API_delMsg(...) expected API_getMsg").
  const std::vector<std::string>& unexpected() const { return unexpected_; }
  // Steps queued but never called.
  std::size_t remaining() const { return script_.size(); }
  // Arguments of every scripted call, in order (the record pointers are only valid in fill).
  const std::vector<FakeCallArgs>& history() const { return history_; }
  // Number of calls of one operation.
  int count(const std::string& op) const;
  // Answers every call that the script does not foresee with `result` and `verdict` instead of
  // recording it as unexpected (a session driven by arbitrary command files); reset() ends it.
  void answer_unscripted(short result, short verdict) {
    unscripted_ = true;
    unscripted_result_ = result;
    unscripted_verdict_ = verdict;
  }

  // Used by the API_ functions.
  short call(FakeCallArgs args);
  short verdict() const { return verdict_; }
  const std::string& verdict_text() const { return verdict_text_; }
  void note(const std::string& op) { calls_.push_back(op); }

 private:
  std::deque<FakeStep> script_;
  std::vector<std::string> calls_;
  std::vector<std::string> unexpected_;
  std::vector<FakeCallArgs> history_;
  short verdict_ = -1;
  bool unscripted_ = false;
  short unscripted_result_ = 0;
  short unscripted_verdict_ = 1;
  std::string verdict_text_;
};

FakeApi& fake_api();

// Copies `text` into a fixed character field, cut to fit, always terminated.
void copy_field(char* field, std::size_t width, const std::string& text);
template <std::size_t N>
void copy_field(char (&field)[N], const std::string& text) {
  copy_field(field, N, text);
}

}  // namespace kv::engine::testing
