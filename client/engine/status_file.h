// The engine status file: one bar-separated line per command (and per handled message) that the
// application-file layer reads after the session. Lines are appended one by one, each with its
// own open and close, so a finished line is on disk even when the process ends abruptly. The
// fields of each kind of line are named in client/common/status_layout.h.
#pragma once

#include <cstdio>
#include <string>

#include "client/common/status_layout.h"
#include "client/engine/result_codes.h"

namespace kv::engine {

struct EngineContext;

// An empty status record (status::kFieldCount bars).
std::string empty_status_record();
// The local time as twelve digits, year month day hour minute, from the platform clock.
std::string time_stamp();
// Empty record with field 1 the command identifier and field 2 the current time stamp.
std::string start_status_line(const std::string& command_id);
// Puts `code` into the result field.
void set_result_code(std::string& record, const std::string& code);
std::string result_code(const std::string& record);
// The result field is exactly "0000" (an empty field counts as a failure).
bool has_success_result(const std::string& record);

// The named field of the record; every "|" in `value` becomes "!". Storing into a record that
// cannot grow (no memory) journals "Not enough memory to write status" and unwinds (std::bad_alloc)
// to the session's recovery point.
void set_field(std::string& record, status::Field field, const std::string& value);
std::string field(const std::string& record, status::Field field);

// The line as written: the record without its trailing bars (at least one character kept), cut
// to 1433 characters, without the line feed.
std::string status_line_text(const std::string& record);

// Appends the record as a line to the session's status file and sets the any-failure flag when
// field 3 is not "0000". A status file that cannot be opened loses the line (journal level 3
// "Fout bij openen QRT400 statusbestand") and leaves the flag alone.
void write_status_line(EngineContext& ctx, const std::string& record);
// write_status_line, and the status file flushed to disk before returning. Returns the offset at
// which the line starts (-1 when the length of the file could not be learnt).
long long write_status_line_to_disk(EngineContext& ctx, const std::string& record);
// Replaces the last line, written by write_status_line_to_disk at `offset`, by `record`.
void replace_last_status_line(EngineContext& ctx, long long offset, const std::string& record);
// The same line written to a status file that the caller holds open (several lines in a row).
void write_status_line(EngineContext& ctx, std::FILE* status_file, const std::string& record);

}  // namespace kv::engine
