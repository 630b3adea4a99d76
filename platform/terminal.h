// Standard error as a person's terminal: the headless status window keeps a line updated there,
// and the reasons of failures are shown there only when a person started the program from a
// terminal; a program that an application starts writes nothing to it.
#pragma once

#include <string>

namespace kv::terminal {

// Whether standard error is a terminal (a console on Windows).
bool stderr_is_terminal();

// Columns of the terminal on standard error; 0 when unknown.
int stderr_columns();

// Writes `text` to standard error as it is, without a stream buffer.
void write_stderr(const std::string& text);

// Writes `text` and a line feed to standard error, first clearing the line that the headless
// status display keeps updating there (the display draws itself again with its next text).
void write_error_line(const std::string& text);

}  // namespace kv::terminal
