// Selection files (the SEL attribute): one criterion per line, written as an attribute line;
// "or" joins two neighbouring criteria (a line "or", a line beginning with "or " or ending in
// " or"); other criteria are and-joined.
#pragma once

#include <string>

#include "client/common/home.h"

namespace kv::engine {

// Appends the criteria of the selection file `name` (resolved against the engine directory) to
// `filter` as " & (" criterion joint criterion ... " )", checking each keyword against the mask
// of `command_kind`. 0, or -1 with the code in `code`:
//   2007 unknown keyword; the not-accepted code (21xx) of a keyword the command does not take,
//   with its second digit "6" for one it takes only as a plain attribute; 2160, 22xx, 24xx as for
//   attribute lines; 2516 file not opened; 2517 line too long; 2518 first line begins with "or";
//   2519 "or" on both sides of a line break; 2520 file ends after "or"; 2521 no criterion;
//   2523 the filter would exceed its room.
int append_selection_file(const HomeDirectory& home, std::string& filter, const std::string& name,
                          int command_kind, std::string& code);

}  // namespace kv::engine
