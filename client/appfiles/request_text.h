// Reading and recognising the lines of a request (the application's command file) and of the
// other line-oriented files of the application layer.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

// The request line limit: a line of this many characters or more is too long.
constexpr std::size_t kRequestLineLimit = 300;

// Reads the next line that is not empty or only blanks, without its line end and with trailing
// blanks removed. A line is read whole (up to a generous safety bound), so that a too-long line
// can be passed on unchanged for the engine to refuse. False at the end of the file.
bool read_whole_line(std::FILE* stream, std::string& line);

bool is_command_line(const std::string& line);
// The command name: the line from its fifth character (empty for shorter lines).
std::string command_name(const std::string& line);
// A command line whose name is `name`, compared without regard to case.
bool is_command(const std::string& line, const char* name);
// The keyword of an attribute line: its first four characters upper-cased; four blanks when the
// line has fewer than three characters.
std::string attribute_keyword(const std::string& line);
// Value of an attribute line ("KEY=value"): the line from its fifth character.
std::string attribute_value(const std::string& line);
// The line begins with `prefix`, compared without regard to case.
bool line_begins(const std::string& line, const char* prefix);

}  // namespace kv
