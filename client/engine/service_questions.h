// The open questions that killed runs left (client/common/open_questions.h), asked in this
// session when it is logged in to their mailbox: a password change whose outcome is unknown
// decides which password logs in; sends whose outcome is unknown are asked with
// API_acceptedSince; items that a killed run fetched but did not record are fetched again, each
// with a status line of its own ("*000ONTVANG", or one "*000RAPPORT" for the notifications), so
// that the application layer records them like any other.
#pragma once

#include <string>

#include "client/msgapi/api.h"

namespace kv::engine {

struct EngineContext;

// The mailbox of the open parameters as the questions name it.
std::string session_mailbox(EngineContext& ctx);

// API_open with the open parameters. When a password change of this mailbox is open, the new
// password is tried first and then the command file's; the one that works is the answer.
short log_in(EngineContext& ctx);

// After the log-in: asks the service about every open send of this mailbox.
void ask_send_questions(EngineContext& ctx);

// After the commands: fetches again what killed runs fetched from this mailbox but did not record.
void fetch_stranded_items(EngineContext& ctx);

}  // namespace kv::engine
