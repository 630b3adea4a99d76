// Writing text lines to a stream.
#include "client/common/line_writer.h"

#include "platform/fs.h"

namespace kv {

bool write_line(std::FILE* stream, const std::string& line, const std::string& path) {
  if (stream == nullptr) return false;
  const std::string text = line + "\n";
  return fs::write_stream(stream, text, path) == text.size();
}

}  // namespace kv
