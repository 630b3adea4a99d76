// The send queue QRTLNK.SND after the session: completing the run's records from the engine
// status file, "2006" for records without a usable status, pruning completed records at 43 day
// numbers, and keeping the blocks of failed sends in QRTLNK.SAV.
#pragma once

#include <cstdio>

namespace kv {

// `status_file`: the engine status file open for reading at its start, or nullptr when there is
// none (no status file, or the connection failed). Reads the run's interchange list
// (run_state().interchange_list) but neither merges nor removes it. Leaves `status_file` open at
// an unspecified position. Returns true when a status line with the command word WACHTWOORD was
// seen (the password-changed flag); lines passed over after a completed send are not examined, so
// the caller looks again when this is false.
bool update_send_queue(std::FILE* status_file);

// update_send_queue_without_status() and clean_send_queue() (/C) are declared in entry_points.h.

}  // namespace kv
