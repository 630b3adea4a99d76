#include "client/common/append_file.h"

#include <cstdio>

#include "client/common/open_files.h"
#include "platform/fs.h"

namespace kv {

int append_file(const std::string& source, const std::string& target) {
  OpenFile in(fs::open_stream(source, "rb"));
  if (!in) return kAppendSourceNotOpened;
  OpenFile out(fs::open_stream(target, "ab"));
  if (!out) return kAppendTargetNotOpened;

  char buffer[8192];
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, in.get());
    if (got > 0 && fs::write_stream(out.get(), std::string(buffer, got), target) != got) {
      return kAppendWriteFailed;
    }
    if (got < sizeof buffer) {
      if (std::ferror(in.get())) return kAppendReadFailed;
      break;
    }
  }
  if (out.close() != 0) return kAppendWriteFailed;
  return kAppendOk;
}

std::FILE* open_for_appending_lines(const std::string& path) {
  std::FILE* f = fs::open_stream(path, "ab+");
  if (f == nullptr) return nullptr;
  // Only a file with content can end in an unfinished line (devices report no size).
  bool ends_open = fs::status(path).size > 0 && std::fseek(f, -1, SEEK_END) == 0 &&
                   std::fgetc(f) != '\n';
  // Writes of an "a" stream always go to the end; the seek only switches from reading.
  if (std::fseek(f, 0, SEEK_END) != 0 ||
      (ends_open && (fs::write_stream(f, "\n", path) != 1 || std::fflush(f) != 0))) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

}  // namespace kv
