// The engine's journal (default qrt400.log) and the messaging layer's debug.log, both in the
// engine home directory; every call opens, appends and closes.
#pragma once

#include <string>

namespace kv {

struct JournalSettings {
  std::string file_name = "qrt400.log";
  bool enabled = false;   // off until the engine configuration switches it on
  bool maximal = false;   // LOGGING=M / MAX
};
JournalSettings& journal_settings();

// Removes the journal file unless its base name begins with "VQ" and it is not empty.
void journal_remove_previous(const std::string& name);
int journal_open(const std::string& name);
int journal_write(int level, const std::string& text);
int journal_close();
void debug_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The lines that the application-file layer writes to the journal ("%s": a value, see filled()).
// A status line that could not be built for want of memory.
inline constexpr char kNoMemoryForStatusText[] = "Not enough memory to write status";
// A killed run's send whose outcome the next session asks the service for.
inline constexpr char kKilledSendAskedNextTime[] =
    "zending %s van een afgebroken run: de uitkomst wordt bij de volgende verbinding nagevraagd";

}  // namespace kv
