// What the Windows black-box tests do to the programs' windows, and the program directories
// they run them from. Window handles travel as void* so that windows.h stays in the .cc file.
#pragma once

#include <string>

namespace windows {

// The top-level window of class `class_name` (of process `pid`, or of any process for 0), after
// waiting up to `timeout_ms` for it to appear; nullptr when there is none.
void* find_window(const std::string& class_name, int pid, int timeout_ms);
// Whether the window was shown within `timeout_ms`. A program places its window before it shows
// it, so a shown window stands where the program put it.
bool wait_until_shown(void* window, int timeout_ms);
std::string caption(void* window);
// Text of the control `id` of the window.
std::string item_text(void* window, int id);
// Size of the window's client area, and the distance of the window's centre from the screen's
// centre (in pixels, largest of the two directions).
int client_width(void* window);
int client_height(void* window);
int distance_from_screen_centre(void* window);

// The Escape key pressed in, and the close box clicked of, the top-level window of process
// `pid` (waiting up to ten seconds for it); false when it has none.
bool press_escape(int pid);
bool click_close_box(int pid);

// A program directory of the test's own: kovendi.exe and kovedial.exe of the build, and the
// fake jvm.dll at `jvm_place` below it (for example "jre/bin/client/jvm.dll"; empty: none).
void make_program_directory(const std::string& dir, const std::string& jvm_place);
// Where the build put the fake jvm.dll.
std::string fake_jvm();

}  // namespace windows
