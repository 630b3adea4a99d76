// The status window on Windows: a top-level window of the template's class (registered with the
// dialog's extra bytes, the button-face background and the arrow cursor), with static and
// button controls laid out in the dialog units of "MS Sans Serif" 8 points, system timers, and
// a message loop that also takes the console's control events (take_pending_signals). The
// Escape key reaches the handler as the character 27, also when a control has the focus; the
// close box as the close message.
#include <windows.h>

#include <map>

#include "platform/win32_names.h"
#include "platform/window.h"
#include "platform/window_loop.h"

namespace kv {
namespace {

constexpr DWORD kIdleWaitMs = 50;
constexpr int kIconSize = 32;

// Base units of the dialog font, from which dialog units become pixels.
struct DialogUnits {
  int base_x = 6;
  int base_y = 13;
  int x(int units) const { return ::MulDiv(units, base_x, 4); }
  int y(int units) const { return ::MulDiv(units, base_y, 8); }
};

HFONT dialog_font() {
  static HFONT font = [] {
    HDC screen = ::GetDC(nullptr);
    int height = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    return ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
  }();
  return font;
}

DialogUnits dialog_units() {
  DialogUnits units;
  HDC screen = ::GetDC(nullptr);
  HGDIOBJ previous = ::SelectObject(screen, dialog_font());
  TEXTMETRICW metrics;
  SIZE extent;
  static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (::GetTextMetricsW(screen, &metrics) && ::GetTextExtentPoint32W(screen, kAlphabet, 52, &extent)) {
    units.base_x = (extent.cx / 26 + 1) / 2;
    units.base_y = metrics.tmHeight;
  }
  ::SelectObject(screen, previous);
  ::ReleaseDC(nullptr, screen);
  return units;
}

// The program's icon, drawn here: an envelope on a blue square.
HICON program_icon() {
  static HICON icon = [] {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kIconSize;
    info.bmiHeader.biHeight = -kIconSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP colour = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (colour == nullptr) return static_cast<HICON>(nullptr);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < kIconSize; ++y) {
      for (int x = 0; x < kIconSize; ++x) {
        bool edge = (y == 8 || y == 23) && x >= 5 && x <= 26;
        bool side = (x == 5 || x == 26) && y >= 8 && y <= 23;
        bool flap = y >= 8 && y <= 16 && (x - 5 == (y - 8) * 21 / 16 || 26 - x == (y - 8) * 21 / 16);
        pixels[y * kIconSize + x] = (edge || side || flap) ? 0xffffffff : 0xff1f4e9c;
      }
    }
    HBITMAP mask = ::CreateBitmap(kIconSize, kIconSize, 1, 1, nullptr);
    ICONINFO parts{TRUE, 0, 0, mask, colour};
    HICON made = ::CreateIconIndirect(&parts);
    ::DeleteObject(mask);
    ::DeleteObject(colour);
    return made;
  }();
  return icon;
}

class DesktopWindow : public LoopingWindow {
 public:
  DesktopWindow(const WindowTemplate& tmpl, WindowHandler& handler)
      : tmpl_(tmpl), handler_(handler), units_(dialog_units()) {
    for (const WindowControl& control : tmpl.controls) items_[control.id] = control.text;
    title_ = tmpl.caption;
  }

  ~DesktopWindow() override {
    if (window_ == nullptr) return;
    // The handler may be gone already: nothing more reaches it.
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    if (!destroyed_) ::DestroyWindow(window_);
  }

  // Registers the class and creates the window (the handler receives the create message on the
  // way); false when the system refuses.
  bool create() {
    std::wstring class_name = win32::widen(tmpl_.class_name.empty() ? "KOVENDI" : tmpl_.class_name);
    if (!register_class(class_name)) return false;
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (tmpl_.minimise_box) style |= WS_MINIMIZEBOX;
    RECT frame{0, 0, pixels_x(tmpl_.width), pixels_y(tmpl_.height)};
    ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME, class_name.c_str(),
                                win32::widen(tmpl_.caption).c_str(), style, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, ::GetModuleHandleW(nullptr), this);
    return window_ != nullptr;
  }

  void set_item_text(int control_id, const std::string& text) override {
    items_[control_id] = text;
    if (usable()) ::SetDlgItemTextW(window_, control_id, win32::widen(text).c_str());
  }
  std::string item_text(int control_id) const override {
    auto it = items_.find(control_id);
    return it == items_.end() ? "" : it->second;
  }
  void set_title(const std::string& title) override {
    title_ = title;
    if (usable()) ::SetWindowTextW(window_, win32::widen(title).c_str());
  }
  std::string title() const override { return title_; }
  bool is_minimised() const override { return usable() && ::IsIconic(window_); }

  // Shown as the program was asked to show itself (the show-command of its start).
  void show() override {
    if (!usable()) return;
    ::ShowWindow(window_, SW_SHOWDEFAULT);
    ::UpdateWindow(window_);
  }

  void centre_on_screen() override {
    if (!usable()) return;
    RECT frame;
    ::GetWindowRect(window_, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = ::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    int y = ::GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void bring_to_top() override {
    if (!usable()) return;
    if (::IsIconic(window_)) ::ShowWindow(window_, SW_RESTORE);
    ::SetForegroundWindow(window_);
    ::BringWindowToTop(window_);
  }

  void start_timer(int timer_id, unsigned period_ms) override {
    if (usable()) ::SetTimer(window_, static_cast<UINT_PTR>(timer_id), period_ms, nullptr);
  }
  void stop_timer(int timer_id) override {
    if (usable()) ::KillTimer(window_, static_cast<UINT_PTR>(timer_id));
  }

  // The quit reaches the loop as WM_QUIT, through the message queue.
  void post_quit(int value) override {
    quit_value_ = value;
    ::PostQuitMessage(value);
  }

  void destroy() override {
    if (destroyed_) return;
    destroyed_ = true;
    if (window_ != nullptr) ::DestroyWindow(window_);  // the handler gets WM_DESTROY
  }

 private:
  bool usable() const { return window_ != nullptr && !destroyed_; }
  int pixels_x(int units) const { return tmpl_.dialog_units ? units_.x(units) : units; }
  int pixels_y(int units) const { return tmpl_.dialog_units ? units_.y(units) : units; }

  static bool register_class(const std::wstring& name) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = &DesktopWindow::procedure;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hIcon = program_icon();
    window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = name.c_str();
    return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  void create_controls() {
    for (const WindowControl& control : tmpl_.controls) {
      const wchar_t* kind = L"STATIC";
      DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
      switch (control.kind) {
        case WindowControl::kIcon: style = WS_CHILD | WS_VISIBLE | SS_ICON; break;
        case WindowControl::kCentredText: style |= SS_CENTER; break;
        case WindowControl::kLeftText: style |= SS_LEFT; break;
        case WindowControl::kButton:
          kind = L"BUTTON";
          style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
          break;
      }
      HWND child = ::CreateWindowExW(
          0, kind, win32::widen(items_[control.id]).c_str(), style, pixels_x(control.x),
          pixels_y(control.y), pixels_x(control.width), pixels_y(control.height), window_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), ::GetModuleHandleW(nullptr),
          nullptr);
      if (child == nullptr) continue;
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font()), FALSE);
      if (control.kind == WindowControl::kIcon) {
        ::SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(program_icon()), 0);
      }
    }
  }

  // Console events count as waiting work too.
  bool dispatch_waiting() override {
    bool worked = take_console_events();
    MSG message;
    while (!quit_ && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      worked = true;
      if (message.message == WM_QUIT) {
        quit_ = true;
        quit_value_ = static_cast<int>(message.wParam);
        break;
      }
      if (is_escape_key(message)) {
        handler_.on_char(27);  // taken here: it is not translated into a second character 27
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    return worked;
  }

  // The Escape key pressed in the window or in one of its controls (which would otherwise keep
  // it): it belongs to the window.
  bool is_escape_key(const MSG& message) const {
    if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE || window_ == nullptr) {
      return false;
    }
    return message.hwnd == window_ || ::IsChild(window_, message.hwnd);
  }

  void wait_for_work() override {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, kIdleWaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

  bool take_console_events() {
    PendingSignals pending = take_pending_signals();
    for (int i = 0; i < pending.interrupts && !destroyed_; ++i) handler_.on_char(27);
    for (int i = 0; i < pending.closes && !destroyed_; ++i) handler_.on_close();
    return pending.interrupts > 0 || pending.closes > 0;
  }

  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_CREATE:
        create_controls();
        handler_.on_create();
        return 0;
      case WM_TIMER:
        handler_.on_timer(static_cast<int>(wparam));
        return 0;
      case WM_CHAR:
        handler_.on_char(static_cast<int>(wparam));
        return 0;
      case WM_CLOSE:
        handler_.on_close();
        return 0;
      case WM_DESTROY:
        destroyed_ = true;
        handler_.on_destroy();
        return 0;
      case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) handler_.on_button(LOWORD(wparam));
        return 0;
      case WM_CTLCOLORSTATIC: {
        HDC context = reinterpret_cast<HDC>(wparam);
        ::SetBkColor(context, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      default:
        return ::DefWindowProcW(window_, message, wparam, lparam);
    }
  }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* created = reinterpret_cast<CREATESTRUCTW*>(lparam);
      auto* self = static_cast<DesktopWindow*>(created->lpCreateParams);
      self->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<DesktopWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
  }

  WindowTemplate tmpl_;
  WindowHandler& handler_;
  DialogUnits units_;
  HWND window_ = nullptr;
  std::map<int, std::string> items_;
  std::string title_;
};

}  // namespace

std::unique_ptr<StatusWindow> create_desktop_window(const WindowTemplate& tmpl,
                                                    WindowHandler& handler) {
  auto window = std::make_unique<DesktopWindow>(tmpl, handler);
  if (!window->create()) return nullptr;
  return window;
}

}  // namespace kv
