// Standard error as the headless status window uses it: whether it is a terminal, how wide
// that is, and writing to it without a stream buffer. Private to platform/.
#pragma once

#include <string>

namespace kv::terminal {

bool standard_error_is_terminal();
// Columns of the terminal on standard error; 0 when unknown.
int standard_error_columns();
void write_standard_error(const std::string& text);

}  // namespace kv::terminal
