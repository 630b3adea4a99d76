// Before a run writes anything, the application home directory must be one it can work in with
// its user's rights: a directory it may write, and files of the client it may read. A file of
// another user that the run may read but not write is replaced by the run's own copy when the run
// must write it, so two users of one group-writable home take turns.
#pragma once

namespace kv {

// Refuses the run with error 6 when the home directory cannot be written, or when a file of the
// client there belongs to another user and cannot be read; the operator learns the directory or
// file, its owner and the reason (standard error and the system log).
void refuse_unusable_home();

}  // namespace kv
