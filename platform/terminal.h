// Standard error as a person's terminal. The reasons of failures are shown there only when a
// person started the program from a terminal; a program that an application starts writes
// nothing to it.
#pragma once

#include <string>

namespace kv::terminal {

// Whether standard error is a terminal.
bool stderr_is_terminal();

// Writes `text` and a line feed to standard error, first clearing the line that the headless
// status display keeps updating there (the display draws itself again with its next text).
void write_error_line(const std::string& text);

}  // namespace kv::terminal
