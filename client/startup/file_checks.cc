// File-name checks of the command line and of the TMP directory.
#include "client/startup/file_checks.h"

#include <new>

#include "client/common/abort.h"
#include "client/common/home.h"
#include "platform/fs.h"

namespace kv {
namespace {

constexpr std::size_t kMaximumFullPath = 260;
constexpr unsigned kReadWrite = 0600;

// Creates `path` and removes it again; true when both worked.
bool can_create_and_remove(const std::string& path) {
  int fd = fs::create_file(path, kReadWrite);
  if (fd < 0) return false;
  fs::close_descriptor(fd);
  return fs::remove_file(path).ok();
}

// The directory that holds an existing file, as the writability test wants it: the name up to
// and including its last separator, else up to and including its drive colon, else the home
// directory (empty).
std::string directory_of_name(const std::string& name) {
  std::string::size_type cut = name.find_last_of("/\\");
  if (cut != std::string::npos) return name.substr(0, cut + 1);
  if (name.size() >= 2 && name[1] == ':') return name.substr(0, 2);
  return "";
}

}  // namespace

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool is_bare_drive(const std::string& name) {
  return name.size() == 2 && fs::drive_letter(name) != 0;
}

bool is_drive_root(const std::string& name) {
  return name.size() == 3 && fs::drive_letter(name) != 0 && is_separator(name[2]);
}

int drive_exists(const std::string& name) {
  char letter = fs::drive_letter(name);
  if (letter == 0) return 1;
  return fs::drive_exists(letter) ? 1 : 0;
}

int is_directory(const std::string& name) {
  if (!drive_exists(name)) return 0;
  if (name.size() == 2 && name[1] == ':') return 1;
  if (name.empty()) return 0;
  return fs::is_directory(app_home().fullpath(name)) ? 1 : 0;
}

int directory_writable(const std::string& directory) {
  try {
    std::string unique = app_home().mktemp(directory + "TMXXXXXX");
    if (unique.empty()) return 0;
    // Where the system allows it the probe has no name: a run killed meanwhile leaves none.
    return fs::can_create_beside(unique, kReadWrite) ? 1 : 0;
  } catch (const std::bad_alloc&) {
    fail_run(AppError::kNoMemory, "Controleren bestandsnaam");
  }
}

int name_writable(const std::string& name) {
  if (name.empty() || is_bare_drive(name) || is_drive_root(name)) return 0;
  if (fs::drive_letter(name) != 0 && !drive_exists(name)) return 0;
  std::string full = app_home().fullpath(name);
  if (full.empty() || full.size() > kMaximumFullPath || is_separator(full.back())) return 0;
  if (is_separator(name.back())) return 0;
  std::string directory = fs::dir_name(full);
  fs::Status existing = fs::status(full);
  if (existing.exists) {
    // An existing directory cannot receive the output.
    if (existing.is_directory || !fs::is_writable(full)) return 0;
    return directory_writable(directory_of_name(name));
  }
  if (!fs::is_directory(directory) || !fs::is_writable(directory)) return 0;
  return can_create_and_remove(full) ? 1 : 0;
}

}  // namespace kv
