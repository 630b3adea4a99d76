// Settling the run's records of the send queue QRTLNK.SND from the engine's ZEND status lines:
// pure functions over the records, the blocks of QRTLNK.SAV and the status lines. Reading and
// writing the files is send_queue_update.cc's part.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "client/appfiles/killed_session.h"
#include "client/common/snd_layout.h"
#include "client/common/status_layout.h"

namespace kv {

// One ZEND line of the engine status file.
struct ZendStatusLine {
  StatusRecord fields;
  std::string tag;  // the command line (field 1), upper-cased
  std::string stamp;
  std::string code;
  std::string mid;
};

// The status line as a ZEND line; false (and `out` untouched) for a line of another command.
bool read_zend_status_line(const std::string& line, ZendStatusLine& out);

// A block of QRTLNK.SAV: the request block of one send, kept for the next run unless it succeeded.
struct SavBlock {
  std::vector<std::string> lines;  // command line first
  bool succeeded = true;           // every record of the block got "0000"
};

struct SavFile {
  std::vector<std::string> leading;  // lines before the first command line (kept as they are)
  std::vector<SavBlock> blocks;

  // Adds the next line of the file: a command line starts a block.
  void add_line(const std::string& line);
};

// What the run's other files say about its sends.
struct SendFacts {
  // Interchanges sent per QRTLNK.SAV block number (from 1), from the run's interchange list;
  // a block that is not here is a plain send.
  std::unordered_map<long, std::size_t> interchanges_per_block;
  // The sends whose outcome a killed run left open, with the service's answers.
  SendQuestions questions;
};

// Settles the run's records (`open`: the indexes into `records` of the records without a result
// stamp, in file order) from the ZEND status lines, and marks the blocks of `sav` whose sends did
// not all succeed. `today` is the stamp of a record that no status line dates. The work is linear
// in the records and lines, apart from the pairing within one send.
void settle_run_records(std::vector<SndRecord>& records, const std::vector<std::size_t>& open,
                        SavFile& sav, const SendFacts& facts,
                        const std::vector<ZendStatusLine>& status, const std::string& today);

}  // namespace kv
