// Line reading with positions.
#include "client/common/line_reader.h"

#include "client/common/text.h"

namespace kv {

bool LineReader::next(TextLine& line) {
  line.text.clear();
  line.start = pos_;
  line.has_end = false;
  int c = std::getc(stream_);
  if (c == EOF) return false;
  while (c != EOF) {
    ++pos_;
    if (c == '\n') {
      line.has_end = true;
      break;
    }
    line.text += static_cast<char>(c);
    c = std::getc(stream_);
  }
  if (line.has_end && !line.text.empty() && line.text.back() == '\r') line.text.pop_back();
  return true;
}

bool read_record_line(std::FILE* stream, std::string& line) {
  for (;;) {
    line.clear();
    int c = std::fgetc(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::fgetc(stream)) line += static_cast<char>(c);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) return true;
  }
}

bool read_positioned_line(std::FILE* stream, std::string& line, long& start) {
  line.clear();
  start = std::ftell(stream);
  int c = std::fgetc(stream);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::fgetc(stream)) line += static_cast<char>(c);
  trim_trailing(line);
  return true;
}

bool seek_to(std::FILE* stream, long long offset) {
  return std::fseek(stream, static_cast<long>(offset), SEEK_SET) == 0;
}

}  // namespace kv
