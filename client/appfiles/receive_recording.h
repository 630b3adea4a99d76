// Receive recording: every message that the engine fetched into files of its own naming gets a
// record in the receive store QRTLNK.RCV; receiving commands that ask for one kind of EDI message
// into one application file gather the stored messages of that kind first.
#pragma once

#include <string>

#include "client/common/open_files.h"

namespace kv {

// `status` is the engine status file open for reading at its start; it may come back reopened
// (the gathering rebuilds the status file). Returns true when at least one record was appended.
bool record_received_messages(const std::string& command_file, const std::string& status_file,
                              OpenFile& status);

}  // namespace kv
