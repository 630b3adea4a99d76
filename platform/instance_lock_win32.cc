// Single instance on Windows: a run's status window is a top-level window of the class named
// after the program ("KOVENDI"), which FindWindow finds. A start that finds one is refused and
// brings that window to the top. Because the window exists only from the end of start-up on, a
// run also holds a lock (LockFileEx) on "<program>.lock" in the user's local application data
// folder from its first step: two starts in the same instant cannot both pass. (Not in the
// temporary directory: TMP is the application's setting for work files and may differ from run
// to run.) The lock file carries what the holder publishes (its home directory) for the refused
// start.
#include <windows.h>
#include <shlobj.h>

#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/instance_lock.h"
#include "platform/win32_names.h"

namespace kv {
namespace {

std::wstring window_class_of(const std::string& program_name) {
  std::string upper = program_name;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return win32::widen(upper);
}

std::string program_of(const std::string& lock_path) {
  std::string name = fs::last_component(lock_path);
  return name.substr(0, name.rfind('.'));
}

HWND running_window(const std::string& lock_path) {
  return ::FindWindowW(window_class_of(program_of(lock_path)).c_str(), nullptr);
}

// The user's local application data folder (the temporary directory when it is unknown).
std::string lock_directory() {
  wchar_t folder[MAX_PATH];
  if (::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
    return fs::temp_directory();
  }
  return win32::program_path(folder);
}

}  // namespace

InstanceLock::InstanceLock(std::string program_name)
    : path_(fs::join(lock_directory(), program_name + ".lock")) {}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::try_acquire() {
  if (fd_ >= 0) return true;
  if (running_window(path_) != nullptr) return false;
  int fd = fs::open_existing_file(path_);
  if (fd < 0) fd = fs::create_new_file(path_, 0600);
  if (fd < 0) fd = fs::open_existing_file(path_);  // made by another start meanwhile
  if (fd < 0) {
    // No lock file can be made: the window rule alone keeps runs apart, as it always did.
    return true;
  }
  if (!fs::try_lock_exclusive(fd)) {
    fs::close_descriptor(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::release() {
  if (fd_ < 0) return;
  fs::close_descriptor(fd_);  // closing the handle releases the lock
  fd_ = -1;
}

void InstanceLock::publish(const std::string& text) {
  if (fd_ < 0 || !fs::truncate_synced(fd_, path_).ok()) return;
  fs::append_synced(fd_, text, path_);
}

std::string InstanceLock::published() const {
  std::string text;
  fs::read_whole_file(path_, text);
  return text;
}

void InstanceLock::request_raise_of_holder() {
  HWND window = running_window(path_);
  if (window == nullptr) return;
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::SetForegroundWindow(window);
  ::BringWindowToTop(window);
}

// The refused start raises the window itself: nothing is left for the holder to do.
bool InstanceLock::take_raise_request() { return false; }

}  // namespace kv
