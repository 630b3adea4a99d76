// Each application error in English words: what it means and its usual cause. The error file
// keeps its Dutch catalogue text (app_error.h); these words go with every error into the journal
// and, from a terminal, to standard error, and the manual's table of errors gives them.
#pragma once

#include <string>

#include "client/common/app_error.h"

namespace kv {

// The explanation of `number` (1..55), with "%s" where the catalogue text has it; nullptr for
// unknown numbers.
const char* app_error_explanation(int number);

// The reason line of an error as it is written: "qrtlnk.err 0004: " and the explanation with the
// parameter filled in.
std::string app_error_reason(int number, const std::string& parameter);

}  // namespace kv
