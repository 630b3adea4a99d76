#include "client/common/append_file.h"

#include <cstdio>

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

}  // namespace kv
