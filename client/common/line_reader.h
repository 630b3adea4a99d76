// Reading a text file line by line with the position of every line, for the steps that rewrite
// lines in place or continue reading at a remembered place. Lines of any length are read whole;
// "\n" and "\r\n" both end a line. (Lines with a length limit: read_line in text.h.)
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
  // Reads lines up to the next one that is not empty once its trailing blanks (and carriage
  // returns) are removed, and returns it without them; `per_line`, when given, is called for
  // every line read (the busy indicator). False at the end of the file.
  bool next_nonblank(TextLine& line, void (*per_line)() = nullptr);
  // Offset just after the last line read (its line end included).
  long long position() const { return pos_; }

 private:
  std::FILE* stream_;
  long long pos_;
};

// Reads the next line that is not empty: everything up to the line feed, without a carriage
// return before it. Trailing blanks belong to the line (fixed-width record fields). False at the
// end of the file.
bool read_record_line(std::FILE* stream, std::string& line);

// Reads the next physical line with the offset where it starts; its line end and trailing blanks
// are removed. False at the end of the file.
bool read_positioned_line(std::FILE* stream, std::string& line, long& start);

// Positions `stream` at `offset`; false when that fails.
bool seek_to(std::FILE* stream, long long offset);

}  // namespace kv
