#include "client/common/append_file.h"

#include <cstdio>

#include "platform/fs.h"

namespace kv {

namespace {

class Stream {
 public:
  Stream(const std::string& name, const char* mode) : f_(std::fopen(name.c_str(), mode)) {}
  ~Stream() {
    if (f_) std::fclose(f_);
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  std::FILE* get() const { return f_; }
  // Closes now and reports whether everything buffered reached the file.
  bool close() {
    std::FILE* f = f_;
    f_ = nullptr;
    return f == nullptr || std::fclose(f) == 0;
  }

 private:
  std::FILE* f_;
};

}  // namespace

int append_file(const std::string& source, const std::string& target) {
  Stream in(source, "rb");
  if (!in.get()) return kAppendSourceNotOpened;
  Stream out(target, "ab");
  if (!out.get()) return kAppendTargetNotOpened;

  char buffer[8192];
  for (;;) {
    std::size_t got = std::fread(buffer, 1, sizeof buffer, in.get());
    if (got > 0 && std::fwrite(buffer, 1, got, out.get()) != got) return kAppendWriteFailed;
    if (got < sizeof buffer) {
      if (std::ferror(in.get())) return kAppendReadFailed;
      break;
    }
  }
  if (!out.close()) return kAppendWriteFailed;
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
