// Line reading and small text helpers.
#include "client/common/text.h"

#include <cctype>
#include <climits>
#include <cstdarg>
#include <vector>

namespace kv {
namespace {

bool only_blanks(const std::string& line) {
  return line.find_first_not_of(' ') == std::string::npos;
}

// Reads the characters of one line. 0: line end reached; 1: end of file reached (with or without
// characters); -2: `maximum` characters read before the line end.
int read_raw_line(std::string& line, std::FILE* stream, std::size_t maximum) {
  line.clear();
  if (maximum == 0) return -2;
  for (;;) {
    int c = std::getc(stream);
    if (c == EOF) return 1;
    if (c == '\n') return 0;
    if (c == '\r') {
      int next = std::getc(stream);
      if (next == '\n') return 0;
      if (next == EOF) return 1;
      std::ungetc(next, stream);
    }
    line += static_cast<char>(c);
    if (line.size() >= maximum) return -2;
  }
}

char upper_char(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

}  // namespace

int read_line(std::string& line, std::FILE* stream, std::size_t maximum, LineFlavour flavour) {
  for (;;) {
    int rc = read_raw_line(line, stream, maximum);
    if (rc == -2) return -2;
    if (!only_blanks(line)) return 0;
    if (rc == 1) {
      line.clear();
      return flavour == LineFlavour::application ? -1 : 0;
    }
  }
}

void trim_trailing(std::string& text) {
  std::string::size_type end = text.find_last_not_of(" \r\n");
  text.erase(end == std::string::npos ? 0 : end + 1);
}

std::string date_to_stamp(const std::string& date) {
  // Missing positions of a short date count as "0".
  std::string padded = date;
  if (padded.size() < 14) padded.append(14 - padded.size(), '0');
  auto piece = [&](std::size_t position) { return padded.substr(position, 2); };
  std::string year = piece(6);
  int two_digit_year = static_cast<int>(leading_number(year));
  std::string century = two_digit_year < 91 ? "20" : "19";
  return century + year + piece(3) + piece(0) + piece(9) + piece(12);
}

std::string to_upper(std::string text) {
  for (char& c : text) c = upper_char(c);
  return text;
}

bool equals_ignore_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper_char(a[i]) != upper_char(b[i])) return false;
  }
  return true;
}

bool starts_with_ignore_case(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && equals_ignore_case(text.substr(0, prefix.size()), prefix);
}

long long leading_number(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    int digit = text[i] - '0';
    if (value > (LLONG_MAX - digit) / 10) {
      value = LLONG_MAX;  // saturate instead of overflowing
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string result = vformat(fmt, args);
  va_end(args);
  return result;
}

std::string vformat(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string result;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, args);
    result.assign(buffer.data(), static_cast<std::size_t>(needed));
  }
  return result;
}

std::string filled(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string line;
  line.reserve(text.size() + 32);
  auto value = values.begin();
  std::size_t from = 0;
  for (std::size_t at = text.find("%s"); at != std::string_view::npos && value != values.end();
       at = text.find("%s", from)) {
    line.append(text.substr(from, at - from));
    line.append(*value++);
    from = at + 2;
  }
  line.append(text.substr(from));
  return line;
}

}  // namespace kv
