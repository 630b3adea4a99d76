// The send-queue record (snd_stat_rec): one line of QRTLNK.SND per recipient of a send request,
// 48 bar-separated fields (SndRecord, client/common/snd_layout.h). Every value is cut to its
// field's width and a "|" in a value becomes "!"; trailing bars are removed when the line is
// written.
#pragma once

#include "client/common/snd_layout.h"

namespace kv {

// Fields 11 to 15 of a completed record: "1", one blank, two blanks, two blanks, twelve blanks.
void set_snd_completed_delivery(SndRecord& record);

}  // namespace kv
