// The busy file qrtlnk.bsy keeps two runs in one home directory apart: it exists for exactly as
// long as a run works on the application's files.
#pragma once

namespace kv {

constexpr const char* kBusyFileName = "qrtlnk.bsy";

// Refuses the run with error 5 when qrtlnk.bsy exists (the other run's file stays), else creates
// it; error 6 when it cannot be created.
void busy_check();

// Removes qrtlnk.bsy when this run created it; another run's busy file is never touched.
void remove_busy_file();
// Forgets that this run created the busy file (a fresh process).
void reset_busy_file();

}  // namespace kv
