// Appending one file to another, byte for byte (binary).
#include "client/common/append_file.h"

#include <cstdio>
#include <vector>

#include "platform/fs.h"

namespace kv {

namespace {
constexpr std::size_t kBlockSize = 1 << 16;
}  // namespace

int append_file(const std::string& source, const std::string& target) {
  std::vector<char> block(kBlockSize);
  const int in = fs::open_descriptor(source, fs::kRead, false);
  if (in < 0) return kAppendSourceNotOpened;
  const int out = fs::open_descriptor(target, fs::kWrite | fs::kCreate | fs::kAppend, false);
  if (out < 0) {
    fs::close_descriptor(in);
    return kAppendTargetNotOpened;
  }
  // Large blocks straight between the descriptors: a store of many megabytes is set aside in a
  // few hundred calls.
  int result = kAppendOk;
  long got = 0;
  while ((got = fs::read_descriptor(in, block.data(), block.size())) > 0) {
    if (!fs::write_descriptor(out, block.data(), static_cast<std::size_t>(got), target)) {
      result = kAppendWriteFailed;
      break;
    }
  }
  if (result == kAppendOk && got < 0) result = kAppendReadFailed;
  fs::close_descriptor(in);
  if (fs::close_descriptor(out) != 0 && result == kAppendOk) result = kAppendWriteFailed;
  return result;
}

std::FILE* open_for_appending_lines(const std::string& path) {
  std::FILE* f = fs::open_stream(path, "ab+");
  if (f == nullptr) return nullptr;
  // Only a file with content can end in an unfinished line (devices report no size).
  bool ends_open = fs::status(path).size > 0 && std::fseek(f, -1, SEEK_END) == 0 &&
                   std::fgetc(f) != '\n';
  // Writes of an "a" stream always go to the end; the seek only switches from reading.
  if (std::fseek(f, 0, SEEK_END) != 0 ||
      (ends_open && (fs::write_stream(f, "\n", path) != 1 || !fs::flush_stream(f, path).ok()))) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

}  // namespace kv
