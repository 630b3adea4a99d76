// Taking the messages that KILL handling removed out of a LIJST list file.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// Rewrites `list_file` without the lines whose key (field 1 cut at its first blank) stands in
// `removal_file` (one list identifier per line, in any order). The kept lines are written to the
// work file "QLX_ddmm.nnn" in the engine directory, which then replaces the list; a list left
// without lines is removed. The old list stays untouched when the new one cannot be written
// (result -1). Both names are full paths or names against the engine directory. Returns the
// number of lines kept.
int subtract_list(EngineContext& ctx, const std::string& list_file,
                  const std::string& removal_file);

// The dated name "QLX_%02d%02d.%03d" (day, month, sequence) that the move uses: the first that
// does not exist in the engine directory, from 001 to 999 (the 999th when all exist).
std::string dated_list_name(EngineContext& ctx);

}  // namespace kv::engine
