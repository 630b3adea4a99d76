// The send-queue record (snd_stat_rec): one line of QRTLNK.SND per recipient of a send request,
// 48 bar-separated fields. Every value is cut to its field's width and a "|" in a value becomes
// "!"; trailing bars are removed when the line is written.
#pragma once

#include <string>

#include "client/common/snd_layout.h"

namespace kv {

// An empty record: 49 bars.
std::string new_snd_record();
// A record as read from QRTLNK.SND lacks its trailing empty fields: puts the bars back, so that
// every field can be set.
void pad_snd_record(std::string& record);
// insert_veld with the field's width.
void set_snd_field(std::string& record, int field, const std::string& value);
// The record as written to QRTLNK.SND: trailing bars removed (at least one character kept),
// without line end.
std::string snd_record_line(const std::string& record);
// Fields 11 to 15 of a completed record: "1", one blank, two blanks, two blanks, twelve blanks.
void set_snd_completed_delivery(std::string& record);

}  // namespace kv
