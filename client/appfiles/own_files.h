// The client's own files. A file that the application names for the client to write (an output
// file, the application file of /U=, the status file of /S=, the request of /O=) must never be one
// of them: writing it would lose or mix up what they hold.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

// What the application names a file for: each use may name the client's own file of that use.
enum class OwnFileUse {
  kOutput,       // /FIL= of /R and /C, the application file of /U=
  kStatusFile,   // /S=: the status file (qrtlnk.sts) itself
  kCommandFile,  // /O=: the request file (qrtlnk.scr) itself
};

// True when `name` (against the application home directory) is, or leads to (a symbolic link,
// another letter case, a path through ".."; also a hard link), a file the client reads or writes:
// the receive store and the send queue with its block file, the busy, status, error, user and
// request files and their names of this run, qrt_lnk.old, the engine's configuration $qrt400.prm,
// its journal (also the one LOGFILE= names) and debug.log, the client library's log, the dial-up
// helper's result file, scriptin.dir, a work or copy file of the client (KVnnnnnn.ext, QLX_ddmm.nnn
// and the temporaries of rewrites and the error reserve, in the home or TMP directory), a part
// file that a record of the receive store names, and anything inside the message store that
// SRV=file: names.
bool is_own_file(const std::string& name, OwnFileUse use = OwnFileUse::kOutput);

// Ends the run with `error` when `name` is one of the client's own files.
void refuse_own_file(const std::string& name, AppError error, OwnFileUse use = OwnFileUse::kOutput);

}  // namespace kv
