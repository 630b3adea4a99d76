// Report processing: the notifications and reports that RAPPORT commands fetched are carried into
// the QRTLNK.SND records of the messages and recipients concerned, in place (the file keeps its
// size and every other record its bytes).
#pragma once

#include <cstdio>

namespace kv {

// `status` is the engine status file open for reading at its start.
void process_reports(std::FILE* status);

}  // namespace kv
