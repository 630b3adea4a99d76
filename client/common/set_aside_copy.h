// Setting a file aside before it is rewritten: the file is copied byte for byte to the first free
// name "QLX_ddmm.nnn" of the application home directory (day and month of today, counter 001 to
// 998). The file itself stays in place until its rewrite replaces it in one step (FileRewrite);
// the copy is removed when the rewrite ends.
#pragma once

#include <string>

#include "client/common/home.h"

namespace kv {

// Copies `name` (resolved against the application home directory) aside and returns the name of
// the copy (relative to the home directory), or an empty text when `name` does not exist. When no
// name is free or the copy fails, the run fails with error 30.
std::string set_aside_copy(const std::string& name);

// Puts a set-aside copy back under the file's own name (whatever stands there is replaced).
// 0 on success, -1 when the copy could not be renamed (it then stays for the operator).
int restore_set_aside_copy(const std::string& copy, const std::string& name);

// The name "QLX_ddmm.nnn" for counter `n` on the given day and month.
std::string set_aside_name(int day, int month, int n);

// The first of today's names "QLX_ddmm.nnn", counter 1 to `last_counter`, that does not exist in
// `home`; empty when all exist.
std::string first_free_set_aside_name(const HomeDirectory& home, int last_counter);

}  // namespace kv
