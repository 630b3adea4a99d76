// The Windows status window: a real window of the template's class with its controls, timers,
// the message loop and its end, and the messages a user causes (Escape, also with a button
// focused; the close box; a button click).
#include "platform/window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32_names.h"

namespace kv {
namespace {

struct Recorder : WindowHandler {
  StatusWindow* window = nullptr;
  std::vector<std::string> events;
  void on_create() override { events.push_back("create"); }
  void on_timer(int id) override {
    events.push_back("timer " + std::to_string(id));
    window->stop_timer(id);
  }
  void on_char(int ch) override { events.push_back("char " + std::to_string(ch)); }
  void on_close() override {
    events.push_back("close");
    window->destroy();
  }
  void on_destroy() override {
    events.push_back("destroy");
    window->post_quit(5);
  }
  void on_button(int id) override { events.push_back("button " + std::to_string(id)); }
};

WindowTemplate form(bool dialog_units) {
  WindowTemplate tmpl;
  tmpl.class_name = dialog_units ? "KVTESTDIALOG" : "KVTESTFORM";
  tmpl.caption = "Kovendi test";
  tmpl.width = dialog_units ? 187 : 322;
  tmpl.height = dialog_units ? 95 : 123;
  tmpl.dialog_units = dialog_units;
  tmpl.controls = {{1002, WindowControl::kIcon, 8, 8, 32, 32, ""},
                   {1003, WindowControl::kCentredText, 6, 51, 310, 13, "..."},
                   {7, WindowControl::kButton, 124, 84, 75, 25, "Annuleren"}};
  return tmpl;
}

HWND top_level(const std::string& class_name) {
  return ::FindWindowW(win32::widen(class_name).c_str(), nullptr);
}

// The window of `tmpl` with `handler`, as the system shows it: its handle and client area.
struct Shown {
  std::unique_ptr<StatusWindow> window;
  HWND handle = nullptr;
  RECT client{};
};

Shown show(const WindowTemplate& tmpl, Recorder& handler) {
  Shown shown;
  shown.window = create_desktop_window(tmpl, handler);
  if (!shown.window) return shown;
  handler.window = shown.window.get();
  shown.handle = top_level(tmpl.class_name);
  if (shown.handle != nullptr) ::GetClientRect(shown.handle, &shown.client);
  return shown;
}

TEST(DesktopWindow, ControlsTimersAndTheEndOfTheLoop) {
  Recorder handler;
  Shown shown = show(form(false), handler);
  if (!shown.window) GTEST_SKIP() << "no desktop to create windows on";
  StatusWindow* window = shown.window.get();
  HWND found = shown.handle;
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(shown.client.right, 322);  // a pixel template keeps its size
  EXPECT_EQ(shown.client.bottom, 123);
  window->set_item_text(1003, "Verbinding wordt opgebouwd \xe9\xe9n");
  EXPECT_EQ(window->item_text(1003), "Verbinding wordt opgebouwd \xe9\xe9n");
  wchar_t text[128];
  ::GetDlgItemTextW(found, 1003, text, 128);
  EXPECT_EQ(win32::narrow(text), "Verbinding wordt opgebouwd \xe9\xe9n");
  window->set_title("KOVENDI [45%]");
  ::GetWindowTextW(found, text, 128);
  EXPECT_EQ(win32::narrow(text), "KOVENDI [45%]");
  EXPECT_FALSE(window->is_minimised());
  window->show();
  window->centre_on_screen();

  window->start_timer(1, 100);
  DWORD started = ::GetTickCount();
  while (handler.events.size() < 2 && ::GetTickCount() - started < 5000) window->pump_messages();
  EXPECT_GE(::GetTickCount() - started, 90u);
  EXPECT_EQ(handler.events, (std::vector<std::string>{"create", "timer 1"}));

  window->destroy();
  EXPECT_TRUE(window->destroyed());
  EXPECT_EQ(window->run_message_loop(), 5);
  EXPECT_EQ(handler.events.back(), "destroy");
  EXPECT_EQ(top_level("KVTESTFORM"), nullptr);
}

TEST(DesktopWindow, EscapeCloseBoxAndButtonReachTheHandler) {
  Recorder handler;
  Shown shown = show(form(true), handler);
  if (!shown.window) GTEST_SKIP() << "no desktop to create windows on";
  StatusWindow* window = shown.window.get();
  HWND found = shown.handle;
  ASSERT_NE(found, nullptr);
  EXPECT_GT(shown.client.right, shown.client.bottom);  // dialog units of the 8-point font
  EXPECT_GT(shown.client.right, 187);
  HWND button = ::GetDlgItem(found, 7);
  ASSERT_NE(button, nullptr);

  // Escape, pressed in the window and with the button focused.
  ::PostMessageW(found, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::PostMessageW(found, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(window->run_message_loop(), 5);
  EXPECT_EQ(handler.events, (std::vector<std::string>{"create", "char 27", "char 27", "button 7",
                                                      "close", "destroy"}));
}

}  // namespace
}  // namespace kv
