// Line reading and small text helpers shared by both halves.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kv {

enum class LineFlavour { application, engine };

// Reads one line (without "\n" or "\r\n"); lines that are empty or only blanks are skipped.
// 0: a line was read; -2: `maximum` characters read without reaching the line end (the line is
// too long; the rest of it stays unread); -1 at end of file (application flavour; the engine
// flavour returns 0 with an empty line and its callers test feof).
int read_line(std::string& line, std::FILE* stream, std::size_t maximum,
              LineFlavour flavour = LineFlavour::application);
// Removes trailing blanks, carriage returns and line feeds (not tabs).
void trim_trailing(std::string& text);
// "dd?mm?yy?hh?mi" -> "ccyymmddhhmi" (century 20 below 91, else 19).
std::string date_to_stamp(const std::string& date);
std::string to_upper(std::string text);
bool equals_ignore_case(const std::string& a, const std::string& b);
bool starts_with_ignore_case(const std::string& text, const std::string& prefix);
// Leading-digit rule of atoi: optional blanks and sign, then digits; 0 without digits.
long long leading_number(const std::string& text);
// snprintf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The same with the arguments of a variadic caller (which starts and ends `args`).
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
// A catalogue text with each "%s" replaced by the next of `values`, byte for byte (a value may
// hold any byte, "%s" included, and is not looked into); a "%s" without a value stays as it is.
std::string filled(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace kv
