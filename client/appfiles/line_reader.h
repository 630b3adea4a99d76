// Reading a text file line by line with the position of every line, for the steps that rewrite
// lines in place or continue reading at a remembered place. Lines of any length are read whole;
// "\n" and "\r\n" both end a line.
#pragma once

#include <cstdio>
#include <string>

namespace kv {

struct TextLine {
  std::string text;        // without its line end
  long long start = 0;     // offset of its first character
  bool has_end = false;    // false for a last line without a line end
};

class LineReader {
 public:
  // `stream` is positioned at `offset` by the caller.
  explicit LineReader(std::FILE* stream, long long offset = 0) : stream_(stream), pos_(offset) {}
  // Reads the next physical line; false at the end of the file.
  bool next(TextLine& line);
  // Offset just after the last line read (its line end included).
  long long position() const { return pos_; }

 private:
  std::FILE* stream_;
  long long pos_;
};

// Positions `stream` at `offset`; false when that fails.
bool seek_to(std::FILE* stream, long long offset);

}  // namespace kv
