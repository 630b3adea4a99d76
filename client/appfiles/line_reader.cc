// Line reading with positions.
#include "client/appfiles/line_reader.h"

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

bool seek_to(std::FILE* stream, long long offset) {
  return std::fseek(stream, static_cast<long>(offset), SEEK_SET) == 0;
}

}  // namespace kv
