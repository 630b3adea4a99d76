// rcv_rec, a record of the receive store QRTLNK.RCV: one line per received message whose files
// the client named itself, 30 bar-separated fields, trailing empty fields left off.
#pragma once

#include <string>

#include "client/common/rcv_layout.h"

namespace kv {

inline constexpr const char* kReceiveStore = "qrtlnk.rcv";

// The record of a received message from its engine status line and the run's App-id (three
// blanks stand for none). Every value is cut to its field's width; "|" becomes "!".
RcvRecord build_rcv_record(const std::string& app_id, const StatusRecord& status_line);

// Number of files of the message (field 5, one digit); 0 when it is not a digit.
int rcv_file_count(const RcvRecord& record);

// Name of part k: the name of part 1 with its last character replaced by the digit k.
std::string part_file_name(const std::string& first_file, int k);

// Removes the message's part files (part 1 under field 6, then parts 2 to n) with the guarded
// remove of the home directory.
void remove_part_files(const RcvRecord& record);

}  // namespace kv
