// Files of the command in hand that the handlers share with the front-ends: the report file of
// RAPPORT and the removal file in which a LIJST listing notes the messages that KILL handling
// removed. The front-ends set them; nothing outlives the command.
#pragma once

#include <cstdio>
#include <string>

namespace kv::engine {

struct CommandContext {
  std::string report_file;            // RAPPORT: FIL, or DIR followed by "qrt400.rap"
  std::FILE* removal_file = nullptr;  // LIJST: one list identifier per removed message
  std::string removal_path;           // the removal file's full path
  int removed_by_kill = 0;            // list identifiers written to the removal file
  int report_items_fetched = 0;       // RAPPORT: items whose records went to the report file
  int report_items_failed = 0;        // RAPPORT: items with a status line of their own
};

}  // namespace kv::engine
