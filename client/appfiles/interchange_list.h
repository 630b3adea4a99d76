// The run's interchange list (run_state().interchange_list): one line per EDIFACT interchange
// that the scanning split off into a work file,
//     <application file, exactly as in its FIL= line>|<work-file name>|<send block>|
// The send block is the number of the request's block in QRTLNK.SAV (counted from 1 over the
// whole run, the requests of scriptin.dir included) for an interchange that is sent; it is empty
// for a piece that is only kept back. Lines of one application file are consecutive, in the
// order of the interchanges in the file. Both names resolve against the application home
// directory.
#pragma once

#include <cstddef>
#include <string>

#include "client/common/record.h"

namespace kv {

namespace interchange {

enum Field : int {
  kApplicationFile = 1,
  kWorkFile = 2,
  kSendBlock = 3,
};

struct Layout {
  using Field = interchange::Field;
  static constexpr int kEmptyBars = 3;
  static constexpr std::size_t width(Field) { return kNoLimit; }
};

}  // namespace interchange

using InterchangeRecord = Record<interchange::Layout>;

// The line for one interchange, without line end ("|" in a name becomes "!"); `send_block` empty
// for a piece that is only kept back.
std::string interchange_list_line(const std::string& application_file, const std::string& work_file,
                                  const std::string& send_block);
// Longest line a reader must accept (a FIL= value of up to 295 characters, the work-file name
// and the bars).
constexpr std::size_t kInterchangeListLineLimit = 600;

}  // namespace kv
