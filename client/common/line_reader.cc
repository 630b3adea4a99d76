// Line reading with positions.
#include "client/common/line_reader.h"

#include "client/common/text.h"

namespace kv {
namespace {

// Reads the characters up to the next line feed, which is consumed but not kept; `ended` tells
// whether there was one. False at the end of the file (nothing read).
bool read_physical_line(std::FILE* stream, std::string& text, bool& ended) {
  text.clear();
  ended = false;
  int c = std::getc(stream);
  if (c == EOF) return false;
  for (; c != EOF; c = std::getc(stream)) {
    if (c == '\n') {
      ended = true;
      break;
    }
    text += static_cast<char>(c);
  }
  return true;
}

void drop_carriage_return(std::string& text) {
  if (!text.empty() && text.back() == '\r') text.pop_back();
}

}  // namespace

bool LineReader::next(TextLine& line) {
  line.start = pos_;
  if (!read_physical_line(stream_, line.text, line.has_end)) return false;
  pos_ += static_cast<long long>(line.text.size()) + (line.has_end ? 1 : 0);
  if (line.has_end) drop_carriage_return(line.text);
  return true;
}

bool LineReader::next_nonblank(TextLine& line, void (*per_line)()) {
  while (next(line)) {
    if (per_line != nullptr) per_line();
    trim_trailing(line.text);
    if (!line.text.empty()) return true;
  }
  return false;
}

bool read_record_line(std::FILE* stream, std::string& line) {
  bool ended = false;
  while (read_physical_line(stream, line, ended)) {
    drop_carriage_return(line);
    if (!line.empty()) return true;
  }
  return false;
}

bool read_positioned_line(std::FILE* stream, std::string& line, long& start) {
  start = std::ftell(stream);
  bool ended = false;
  if (!read_physical_line(stream, line, ended)) return false;
  trim_trailing(line);
  return true;
}

bool seek_to(std::FILE* stream, long long offset) {
  return std::fseek(stream, static_cast<long>(offset), SEEK_SET) == 0;
}

}  // namespace kv
