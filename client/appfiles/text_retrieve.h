// Writing stored messages as text (/RT): a header block with the message's data before its first
// part, the parts' non-empty lines, and form feeds between pages of TXT_REGELS lines.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "client/common/rcv_layout.h"

namespace kv {

// The header block of a stored record, as written (without the leading form feed).
std::string text_header_block(const RcvRecord& record);
// Number of lines of that block.
long long text_header_lines(const RcvRecord& record);

class TextAppender {
 public:
  // `page_length`: TXT_REGELS; 0 or less means no pagination. `output_path` names the output
  // file the streams given to append_part write to.
  TextAppender(long long page_length, std::string output_path)
      : page_length_(page_length), output_path_(std::move(output_path)) {}

  // Appends part file `part` (full path) to `output` as text, with the header block of `record`
  // in front when `with_header`. false when the part could not be read or the output not
  // written completely.
  bool append_part(const std::string& part, std::FILE* output, const RcvRecord& record,
                   bool with_header);

  long long line_counter() const { return counter_; }

 private:
  bool write_text_line(std::FILE* out, const std::string& line);

  long long page_length_;
  std::string output_path_;
  long long counter_ = 0;  // one counter for the whole run
};

}  // namespace kv
