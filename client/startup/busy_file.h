// The busy file qrtlnk.bsy keeps two runs in one home directory apart. The run that owns it holds
// it locked from the busy check to the end; it doubles as the run's intent record (run_intent.h).
// A busy file that nobody holds locked is the trace of a killed run: the next start recovers
// what that run left and takes the file over.
#pragma once

#include <string>

namespace kv {

constexpr const char* kBusyFileName = "qrtlnk.bsy";

// Refuses the run with error 5 when a live run holds qrtlnk.bsy (its file stays); recovers a
// killed run's leftovers when nobody holds it; else creates it. Error 6 when it cannot be made.
void busy_check();

// Removes qrtlnk.bsy when this run owns it; another run's busy file is never touched.
void remove_busy_file();
// Forgets the busy file of an earlier run in this process (a fresh process).
void reset_busy_file();

}  // namespace kv
