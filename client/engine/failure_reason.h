// The reason of each failure of an engine session in words: one journal line (level 3) per failure,
// which a terminal also shows (client/common/failure_report.h). The step that fails leaves the
// particulars it knows (the refused line, the path, the service's verdict and its own message);
// the status line that carries the failure code then brings out the whole reason: the command,
// the code, its meaning, the particulars and the usual cause.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// Adds to the particulars of the failure at hand (after those noted before, separated by "; ");
// the next status line takes them all and forgets them.
void note_failure_detail(const std::string& detail);
// Forgets particulars that no status line took (at the start of a session).
void clear_failure_detail();

// The particulars of a failed messaging operation: the verdict in words, the service's own
// message and where the messaging client's log is.
std::string verdict_detail(EngineContext& ctx, int verdict);

// Called for every status line that goes out: a failure code gets its reason line.
void explain_status_line(const std::string& record);

// A failure that ends the session without a status line of its own; `what` says what failed,
// the particulars noted are added.
void explain_session_failure(const std::string& what);

// An attribute line as the journal may show it: the value of a PIN line is left out.
std::string shown_line(const std::string& line);

}  // namespace kv::engine
