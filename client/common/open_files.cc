// Registry of the application layer's open streams.
#include "client/common/open_files.h"

#include <algorithm>
#include <vector>

namespace kv {
namespace {

// Never destroyed: a stream held by a static object may still be closed at process exit.
std::vector<OpenFile*>& registry() {
  static auto* open = new std::vector<OpenFile*>;
  return *open;
}

void enrol(OpenFile* file) { registry().push_back(file); }

void withdraw(OpenFile* file) {
  auto& open = registry();
  open.erase(std::remove(open.begin(), open.end(), file), open.end());
}

}  // namespace

OpenFile::OpenFile(std::FILE* f) : f_(f) {
  if (f_ != nullptr) enrol(this);
}

OpenFile::~OpenFile() { close(); }

OpenFile::OpenFile(OpenFile&& other) noexcept : f_(other.f_) {
  if (f_ != nullptr) {
    withdraw(&other);
    other.f_ = nullptr;
    enrol(this);
  }
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this == &other) return *this;
  close();
  f_ = other.f_;
  if (f_ != nullptr) {
    withdraw(&other);
    other.f_ = nullptr;
    enrol(this);
  }
  return *this;
}

int OpenFile::close() {
  if (f_ == nullptr) return 0;
  withdraw(this);
  int rc = std::fclose(f_);
  f_ = nullptr;
  return rc;
}

void close_all_open_files() {
  // close() withdraws the file from the registry, so take them from the back one by one.
  while (!registry().empty()) registry().back()->close();
}

int open_file_count() { return static_cast<int>(registry().size()); }

}  // namespace kv
