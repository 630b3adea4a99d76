// Gathering of stored EDI messages: a receiving command that asks for EDI messages of one kind
// into one application file (FIL=) also collects the matching messages that earlier runs left in
// the receive store. Their part files go to the front of the FIL= file in store order, their
// records leave QRTLNK.RCV, and the engine status file gets one "0000" line per gathered message
// before the command's own line.
#pragma once

#include <string>

#include "client/appfiles/command_blocks.h"
#include "client/common/open_files.h"

namespace kv {

struct GatheringRequest {
  std::string status_file;        // name of the engine status file
  const CommandBlock* block = nullptr;
  long long line_start = 0;       // offset of the current status line
  long long line_end = 0;         // offset just after it
};

// A message identifier of the kind that `pattern` names: the same first three characters and the
// same characters 7 to 9, without regard to case.
bool same_edi_kind(const std::string& pattern, const std::string& message_id);

// Closes `status` and `store` and hands them back reopened: the status file for reading at the
// returned offset (where the receive recording goes on), QRTLNK.RCV for appending. Either may come
// back closed when it cannot be reopened.
long long gather_stored_edi_messages(const GatheringRequest& request, OpenFile& status,
                                     OpenFile& store);

}  // namespace kv
