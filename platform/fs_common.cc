// The parts of the file-system facility that are the same on every platform: name syntax,
// unique names, whole-file reading, stream writes and the fault-injection hook.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <random>
#include <set>

#include "platform/fs.h"
#include "platform/fs_internal.h"

namespace kv::fs {
namespace {

thread_local Result g_last_failure;
FaultHook g_fault_hook;
bool g_hook_sees_lookups = false;

// Directories with entry changes not yet flushed.
std::set<std::string>& changed_directories() {
  static std::set<std::string> dirs;
  return dirs;
}

char random_name_character(std::mt19937& generator) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(kAlphabet)) - 2);
  return kAlphabet[pick(generator)];
}

// Seeded from the clock and the system's random source, so that two processes started in the
// same instant draw different names.
std::mt19937& name_generator() {
  static std::mt19937 generator(static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ std::random_device{}()));
  return generator;
}

}  // namespace

namespace detail {

Result failure(int error, const char* call, const std::string& path,
               const std::string& second_path) {
  // A call that failed without saying why still fails.
  if (error == 0) error = EIO;
  g_last_failure = Result{error, call, path, second_path};
  errno = error;
  return g_last_failure;
}

Result outcome(bool done, const char* call, const std::string& path,
               const std::string& second_path) {
  if (!done) return failure(errno, call, path, second_path);
  return Result{0, call, path, second_path};
}

int fail_with(int error, const char* call, const std::string& path) {
  failure(error, call, path);
  return -1;
}

std::vector<std::string> split_components(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::vector<std::string> fold_dots(const std::vector<std::string>& parts) {
  std::vector<std::string> folded;
  for (const std::string& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!folded.empty()) folded.pop_back();
      continue;
    }
    folded.push_back(part);
  }
  return folded;
}

bool lookup_refused(const std::string& path) {
  return g_hook_sees_lookups && check_fault("lookup", path) != 0;
}

void forget_directory_change(const std::string& dir) { changed_directories().erase(dir); }

}  // namespace detail

void set_fault_hook(FaultHook hook, bool with_lookups) {
  g_fault_hook = std::move(hook);
  g_hook_sees_lookups = g_fault_hook && with_lookups;
}

int check_fault(const char* operation, const std::string& path) {
  if (!g_fault_hook) return 0;
  int error = g_fault_hook(operation, path);
  if (error != 0) detail::failure(error, operation, path);
  return error;
}

Result last_failure() { return g_last_failure; }

std::string Result::text() const {
  std::string line = call;
  if (!path.empty()) line += " \"" + path + "\"";
  if (!second_path.empty()) line += " to \"" + second_path + "\"";
  return line + ": " + (ok() ? std::string("ok") : error_text(error));
}

char drive_letter(const std::string& name) {
  if (name.size() >= 2 && name[1] == ':') {
    unsigned char c = static_cast<unsigned char>(name[0]);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
  }
  return 0;
}

std::string to_slashes(const std::string& name) {
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string last_component(const std::string& path) {
  std::string::size_type cut = path.find_last_of("/\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool read_whole_file(const std::string& path, std::string& content) {
  content.clear();
  std::FILE* f = open_stream(path, "rb");
  if (f == nullptr) return false;
  char buffer[8192];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, got);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

std::size_t write_stream(std::FILE* stream, const std::string& data, const std::string& path) {
  return write_stream(stream, data.data(), data.size(), path);
}

std::size_t write_stream(std::FILE* stream, const char* data, std::size_t length,
                         const std::string& path) {
  if (check_fault("write", path) != 0) return 0;
  std::size_t written = std::fwrite(data, 1, length, stream);
  if (written != length) detail::failure(errno, "write", path);
  return written;
}

Result flush_stream(std::FILE* stream, const std::string& path) {
  if (int injected = check_fault("flush", path)) return detail::failure(injected, "flush", path);
  return detail::outcome(std::fflush(stream) == 0, "flush", path);
}

void note_directory_change(const std::string& path) { changed_directories().insert(dir_name(path)); }

// A directory removed since its change no longer needs its entries kept.
Result sync_changed_directories() {
  const std::set<std::string> dirs = changed_directories();
  Result result{0, "sync", "", ""};
  for (const std::string& dir : dirs) {
    Result synced = sync_directory(dir);
    if (!synced.ok() && is_directory(dir) && result.ok()) result = synced;
  }
  return result;
}

// One flush per file, then one per directory among them.
Result sync_files(const std::vector<std::string>& paths) {
  Result result{0, "sync", "", ""};
  std::vector<std::string> dirs;
  for (const std::string& path : paths) {
    Result synced = sync_file(path);
    if (!synced.ok() && result.ok()) result = synced;
    const std::string dir = dir_name(path);
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
  }
  for (const std::string& dir : dirs) {
    Result synced = sync_directory(dir);
    if (!synced.ok() && result.ok()) result = synced;
  }
  return result;
}

std::string make_unique_name(const std::string& templ) {
  std::string::size_type end = templ.size();
  std::string::size_type start = end;
  std::string::size_type component_start = templ.find_last_of("/\\");
  component_start = component_start == std::string::npos ? 0 : component_start + 1;
  while (start > component_start && templ[start - 1] == 'X') --start;
  std::string dir = component_start == 0 ? "." : to_slashes(templ.substr(0, component_start));
  if (start == end) {
    return detail::name_taken(dir, templ.substr(component_start)) ? "" : templ;
  }
  for (int attempt = 0; attempt < 100000; ++attempt) {
    std::string candidate = templ;
    for (std::string::size_type i = start; i < end; ++i) {
      candidate[i] = random_name_character(name_generator());
    }
    if (!detail::name_taken(dir, candidate.substr(component_start))) return candidate;
  }
  return "";
}

}  // namespace kv::fs
