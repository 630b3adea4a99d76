// What the Windows black-box tests do to the programs' windows, and where they run them from.
#include "tests/windows/windows_support.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/fs.h"
#include "platform/win32_names.h"
#include "tests/blackbox.h"

namespace windows {
namespace {

HWND as_window(void* window) { return static_cast<HWND>(window); }

struct Search {
  std::wstring class_name;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK match(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (search->pid != 0 && owner != search->pid) return TRUE;
  if (!search->class_name.empty()) {
    wchar_t name[256];
    if (::GetClassNameW(window, name, 256) == 0 || search->class_name != name) return TRUE;
  } else if (!::IsWindowVisible(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND wait_for(const std::string& class_name, int pid, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    Search search{kv::win32::widen(class_name), static_cast<DWORD>(pid), nullptr};
    ::EnumWindows(match, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr || std::chrono::steady_clock::now() > deadline) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

void* find_window(const std::string& class_name, int pid, int timeout_ms) {
  return wait_for(class_name, pid, timeout_ms);
}

bool wait_until_shown(void* window, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!::IsWindowVisible(as_window(window))) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::string caption(void* window) {
  wchar_t text[512] = L"";
  ::GetWindowTextW(as_window(window), text, 512);
  return kv::win32::narrow(text);
}

std::string item_text(void* window, int id) {
  wchar_t text[512] = L"";
  ::GetDlgItemTextW(as_window(window), id, text, 512);
  return kv::win32::narrow(text);
}

int client_width(void* window) {
  RECT area;
  ::GetClientRect(as_window(window), &area);
  return area.right - area.left;
}

int client_height(void* window) {
  RECT area;
  ::GetClientRect(as_window(window), &area);
  return area.bottom - area.top;
}

int distance_from_screen_centre(void* window) {
  RECT frame;
  ::GetWindowRect(as_window(window), &frame);
  int dx = (frame.left + frame.right) / 2 - ::GetSystemMetrics(SM_CXSCREEN) / 2;
  int dy = (frame.top + frame.bottom) / 2 - ::GetSystemMetrics(SM_CYSCREEN) / 2;
  return std::max(std::abs(dx), std::abs(dy));
}

bool press_escape(int pid) {
  HWND window = wait_for("", pid, 10000);
  if (window == nullptr) return false;
  // As the keyboard delivers it: the key goes down and up; the program's message loop turns it
  // into the character 27.
  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xc0010001);
  return true;
}

bool click_close_box(int pid) {
  HWND window = wait_for("", pid, 10000);
  if (window == nullptr) return false;
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return true;
}

std::string fake_jvm() { return kvtest::bin_dir() + "/../tests-bin/fake-jvm/jvm.dll"; }

void make_program_directory(const std::string& dir, const std::string& jvm_place) {
  namespace stdfs = std::filesystem;
  for (const char* program : {"kovendi.exe", "kovedial.exe"}) {
    stdfs::copy_file(kvtest::bin_dir() + "/" + program, dir + "/" + program,
                     stdfs::copy_options::overwrite_existing);
  }
  if (jvm_place.empty()) return;
  const std::string target = dir + "/" + jvm_place;
  stdfs::create_directories(kv::fs::dir_name(target));
  stdfs::copy_file(fake_jvm(), target, stdfs::copy_options::overwrite_existing);
}

}  // namespace windows
