// The engine session state: everything one engine session owns from qrt400_session's start to its
// return. It is part of the session's EngineContext (engine_context.h), through which every step
// reaches it as ctx.session. The command kind, the session phase and the user stop flag are in
// ctx.control (engine_control.h), because the exported escape check reads and sets them too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/engine/engine_control.h"
#include "client/msgapi/api.h"

namespace kv {
class StatusWindow;
}

namespace kv::engine {

struct EngineContext;

// Most identifiers kept in the sent-message list (the first 14 characters of a MID).
constexpr std::size_t kSentMessageIdWidth = 14;

struct EngineSession {
  StatusWindow* window = nullptr;     // shows status texts in item 1003; nullptr: none
  std::string engine_dir;             // engine home directory of this session

  // Messaging records, allocated at session start (fixed layouts of the messaging interface).
  std::unique_ptr<OpenSession> open_parameters;
  std::unique_ptr<SessionInfo> session_info;
  std::unique_ptr<MessageOut> outgoing;
  std::unique_ptr<MessageIn> incoming;
  ApiId session_handle = nullptr;     // set by API_open, passed to every later operation

  std::string status_file_path;       // absolute path of the engine status file
  std::string command_file_name;      // as given by the caller
  std::string status_record;          // the status line being built (43 bars when empty)
  std::string result_text;            // four-digit code of the last step ("" when none)
  bool any_failure = false;           // a status line with field 3 other than "0000" went out
  int status_write_failure = 0;       // error value of the first status line that was lost

  std::string dialup_entry;           // ISP value of the CONNECT block; empty: no dial-up
  bool already_connected = false;     // the helper found the connection up before dialing
  std::vector<std::string> sent_messages;  // MIDs (at most 14 characters) sent with ANS
};

// Allocates the four messaging records, zero-filled; false when memory is short.
bool allocate_session_records(EngineContext& ctx);

// Thrown by abandon_session; caught only at the recovery point of qrt400_session, which closes
// every engine file and returns -1 without a status line, without closing the session and
// without hanging up.
struct SessionAbandoned {
  std::string reason;
};

// The two fatal conditions (command file missing; no memory for a status field): journals
// `journal_text` at level 3 and unwinds to the recovery point.
[[noreturn]] void abandon_session(const std::string& journal_text);

// Every engine stream is held by an owner that closes it when it goes out of scope (the command
// file by the reader, work files by their users), so unwinding to the recovery point closes them.
// close_engine_files() closes the command file explicitly (end of session, preparation failures).
void close_engine_files(EngineContext& ctx);

// Shows a status text in item 1003 of the session's window; nothing when there is none.
void show_status_text(EngineContext& ctx, const std::string& text);

}  // namespace kv::engine
