// X11 status window with Xlib only: a fixed-size window centred on the screen, an icon, text
// items, push buttons, timers and a message loop. Escape and the window manager's close button
// reach the handler as the character 27 and the close message; SIGINT, SIGTERM and SIGHUP do the
// same as in the headless window. When the X server goes away (a desktop session ends), Xlib's
// fatal-error path would end the process; instead the window is marked lost and carries on like
// the headless window: texts are kept, timers, signals and the message loop go on, nothing is
// drawn, and the run reaches its own end.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>

#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window_loop.h"
#include "platform/window_queue.h"

namespace kv {
namespace {

// An 8-point sans font has base units of about 6 by 13 pixels: a dialog unit is a quarter of
// the width and an eighth of the height.
int x_pixels(const WindowTemplate& t, int units) { return t.dialog_units ? units * 6 / 4 : units; }
int y_pixels(const WindowTemplate& t, int units) { return t.dialog_units ? units * 13 / 8 : units; }

constexpr unsigned long kButtonFace = 0xd4d0c8;
constexpr unsigned long kShadow = 0x808080;
constexpr unsigned long kHighlight = 0xffffff;
constexpr unsigned long kText = 0x000000;
constexpr unsigned long kIconBlue = 0x1f4e9c;
constexpr unsigned kIdleMs = 20;

std::string latin1_to_utf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

class X11Window : public LoopingWindow {
 public:
  X11Window(Display* display, const WindowTemplate& tmpl, WindowHandler& handler)
      : display_(display), tmpl_(tmpl), handler_(handler) {
    for (const WindowControl& c : tmpl.controls) items_[c.id] = c.text;
    XSetIOErrorExitHandler(display_, &X11Window::display_lost, this);
    create_window();
  }

  ~X11Window() override {
    // A lost connection is left alone: nothing of it can be used or released any more.
    if (lost_) return;
    if (!destroyed_) XDestroyWindow(display_, window_);
    if (font_) XFreeFont(display_, font_);
    XFreeGC(display_, gc_);
    XCloseDisplay(display_);
  }

  bool lost() const { return lost_; }

  void set_item_text(int id, const std::string& text) override {
    items_[id] = text;
    redraw();
  }
  std::string item_text(int id) const override {
    auto it = items_.find(id);
    return it == items_.end() ? "" : it->second;
  }
  void set_title(const std::string& title) override {
    title_ = title;
    if (!usable()) return;
    XStoreName(display_, window_, title.c_str());
    XSetIconName(display_, window_, title.c_str());
    std::string utf8 = latin1_to_utf8(title);
    Atom utf8_string = XInternAtom(display_, "UTF8_STRING", False);
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
      XChangeProperty(display_, window_, XInternAtom(display_, name, False), utf8_string, 8,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                      static_cast<int>(utf8.size()));
    }
    XFlush(display_);
  }
  std::string title() const override { return title_; }

  bool is_minimised() const override {
    if (!usable()) return false;
    Atom wm_state = XInternAtom(display_, "WM_STATE", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool iconic = false;
    if (XGetWindowProperty(display_, window_, wm_state, 0, 2, False, wm_state, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && count > 0 && format == 32) {
      iconic = reinterpret_cast<long*>(data)[0] == IconicState;
    }
    if (data) XFree(data);
    return iconic || unmapped_after_map_;
  }

  void show() override {
    if (!usable()) return;
    XMapRaised(display_, window_);
    XFlush(display_);
  }

  void centre_on_screen() override {
    if (!usable()) return;
    int screen = DefaultScreen(display_);
    int x = DisplayWidth(display_, screen) / 2 - width_ / 2;
    int y = DisplayHeight(display_, screen) / 2 - height_ / 2;
    XMoveWindow(display_, window_, x, y);
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = PPosition | PMinSize | PMaxSize;
    hints->x = x;
    hints->y = y;
    hints->min_width = hints->max_width = width_;
    hints->min_height = hints->max_height = height_;
    XSetWMNormalHints(display_, window_, hints);
    XFree(hints);
    XFlush(display_);
  }

  void bring_to_top() override {
    if (!usable()) return;
    XMapRaised(display_, window_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
  }

  void start_timer(int id, unsigned period_ms) override { queue_.start_timer(id, period_ms); }
  void stop_timer(int id) override { queue_.stop_timer(id); }

  void destroy() override {
    if (destroyed_) return;
    destroyed_ = true;
    queue_.clear();
    if (!lost_) {
      XDestroyWindow(display_, window_);
      XFlush(display_);
    }
    handler_.on_destroy();
  }

 private:
  using Message = WindowQueue::Message;

  bool usable() const { return !destroyed_ && !lost_; }

  // Called by Xlib in place of ending the process when the connection to the X server breaks;
  // from then on the display is not touched again.
  static void display_lost(Display*, void* self) { static_cast<X11Window*>(self)->lost_ = true; }

  void create_window() {
    int screen = DefaultScreen(display_);
    width_ = x_pixels(tmpl_, tmpl_.width);
    height_ = y_pixels(tmpl_, tmpl_.height);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, width_, height_, 0,
                                  BlackPixel(display_, screen), kButtonFace);
    XSelectInput(display_, window_,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask | PropertyChangeMask);
    XClassHint* class_hint = XAllocClassHint();
    std::string name = tmpl_.class_name.empty() ? "kovendi" : tmpl_.class_name;
    class_hint->res_name = name.data();
    class_hint->res_class = name.data();
    XSetClassHint(display_, window_, class_hint);
    XFree(class_hint);
    wm_delete_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &wm_delete_, 1);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    for (const char* pattern : {"-*-helvetica-medium-r-normal--12-*-*-*-*-*-iso8859-1",
                                "-*-dejavu sans-medium-r-normal--12-*-*-*-*-*-iso8859-1",
                                "-*-*-medium-r-normal--12-*-*-*-p-*-iso8859-1", "fixed"}) {
      font_ = XLoadQueryFont(display_, pattern);
      if (font_) break;
    }
    if (font_) XSetFont(display_, gc_, font_->fid);
    set_title(tmpl_.caption);
  }

  bool dispatch_waiting() override {
    if (take_raise_request()) bring_to_top();
    take_x_events();
    queue_.take_signals();
    queue_.take_due_timers();
    if (queue_.empty()) return false;
    while (!queue_.empty() && !destroyed_) queue_.dispatch(queue_.pop(), handler_);
    if (destroyed_) queue_.clear();
    return true;
  }

  void wait_for_work() override {
    int ms = static_cast<int>(queue_.sleep_ms(kIdleMs));
    if (lost_) {
      ::poll(nullptr, 0, ms);
      return;
    }
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    ::poll(&p, 1, ms);
  }

  void take_x_events() {
    while (usable() && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      translate(event);
    }
  }

  void translate(XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) redraw();
        break;
      case MapNotify:
        mapped_ = true;
        unmapped_after_map_ = false;
        redraw();
        break;
      case UnmapNotify:
        if (mapped_) unmapped_after_map_ = true;
        break;
      case KeyPress: {
        char buffer[8];
        KeySym key;
        int n = XLookupString(&event.xkey, buffer, sizeof buffer, &key, nullptr);
        if (key == XK_Escape) queue_.push({Message::kChar, 27});
        else if (n == 1) queue_.push({Message::kChar, static_cast<unsigned char>(buffer[0])});
        break;
      }
      case ButtonPress:
        pressed_ = control_at(event.xbutton.x, event.xbutton.y);
        redraw();
        break;
      case ButtonRelease: {
        int released = control_at(event.xbutton.x, event.xbutton.y);
        if (released != 0 && released == pressed_) queue_.push({Message::kButton, released});
        pressed_ = 0;
        redraw();
        break;
      }
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_)
          queue_.push({Message::kClose, 0});
        break;
      default: break;
    }
  }

  struct Rect {
    int x, y, w, h;
  };
  Rect rect_of(const WindowControl& c) const {
    return {x_pixels(tmpl_, c.x), y_pixels(tmpl_, c.y), x_pixels(tmpl_, c.width),
            y_pixels(tmpl_, c.height)};
  }

  int control_at(int x, int y) const {
    for (const WindowControl& c : tmpl_.controls) {
      if (c.kind != WindowControl::kButton) continue;
      Rect r = rect_of(c);
      if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return c.id;
    }
    return 0;
  }

  void redraw() {
    if (!usable() || !mapped_) return;
    XSetForeground(display_, gc_, kButtonFace);
    XFillRectangle(display_, window_, gc_, 0, 0, width_, height_);
    for (const WindowControl& c : tmpl_.controls) {
      if (lost_) return;
      draw_control(c);
    }
    XFlush(display_);
  }

  void draw_control(const WindowControl& c) {
    Rect r = rect_of(c);
    const std::string& text = items_[c.id];
    switch (c.kind) {
      case WindowControl::kIcon: draw_icon(r); break;
      case WindowControl::kButton:
        draw_bevel(r, pressed_ == c.id);
        draw_text(r, text, true);
        break;
      case WindowControl::kCentredText: draw_text(r, text, true); break;
      case WindowControl::kLeftText: draw_text(r, text, false); break;
    }
  }

  // A letter in front of a blue square: the program's icon.
  void draw_icon(const Rect& r) {
    XSetForeground(display_, gc_, kIconBlue);
    XFillRectangle(display_, window_, gc_, r.x, r.y, r.w, r.h);
    XSetForeground(display_, gc_, kHighlight);
    int x0 = r.x + r.w / 6, x1 = r.x + r.w - r.w / 6;
    int y0 = r.y + r.h / 4, y1 = r.y + r.h - r.h / 4;
    XDrawRectangle(display_, window_, gc_, x0, y0, x1 - x0, y1 - y0);
    XDrawLine(display_, window_, gc_, x0, y0, (x0 + x1) / 2, (y0 + y1) / 2);
    XDrawLine(display_, window_, gc_, x1, y0, (x0 + x1) / 2, (y0 + y1) / 2);
  }

  void draw_bevel(const Rect& r, bool pressed) {
    XSetForeground(display_, gc_, pressed ? kShadow : kHighlight);
    XDrawLine(display_, window_, gc_, r.x, r.y, r.x + r.w - 1, r.y);
    XDrawLine(display_, window_, gc_, r.x, r.y, r.x, r.y + r.h - 1);
    XSetForeground(display_, gc_, pressed ? kHighlight : kShadow);
    XDrawLine(display_, window_, gc_, r.x, r.y + r.h - 1, r.x + r.w - 1, r.y + r.h - 1);
    XDrawLine(display_, window_, gc_, r.x + r.w - 1, r.y, r.x + r.w - 1, r.y + r.h - 1);
  }

  void draw_text(const Rect& r, const std::string& text, bool centred) {
    if (text.empty()) return;
    XSetForeground(display_, gc_, kText);
    int length = static_cast<int>(text.size());
    int text_width = font_ ? XTextWidth(font_, text.data(), length) : length * 6;
    int ascent = font_ ? font_->ascent : 10;
    int descent = font_ ? font_->descent : 3;
    int x = centred ? r.x + (r.w - text_width) / 2 : r.x;
    int y = r.y + (std::max(r.h, ascent + descent) - ascent - descent) / 2 + ascent;
    XDrawString(display_, window_, gc_, x, y, text.data(), length);
  }

  Display* display_;
  WindowTemplate tmpl_;
  WindowHandler& handler_;
  Window window_ = 0;
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  Atom wm_delete_ = 0;
  int width_ = 0, height_ = 0;
  std::map<int, std::string> items_;
  std::string title_;
  WindowQueue queue_;
  bool mapped_ = false;
  bool unmapped_after_map_ = false;
  int pressed_ = 0;
  bool lost_ = false;
};

// The default handler of older Xlib versions ends the process itself; this one only returns, so
// that the exit handler of the display (above) decides, and it lets the run go on.
int ignore_io_error(Display*) { return 0; }

// Xlib's default handler of a refused request (a window already gone, a server short of memory)
// ends the process; for a status window such a request simply had no effect.
int ignore_protocol_error(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::unique_ptr<StatusWindow> create_x11_window(const WindowTemplate& tmpl, WindowHandler& handler) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  XSetIOErrorHandler(&ignore_io_error);
  XSetErrorHandler(&ignore_protocol_error);
  auto window = std::make_unique<X11Window>(display, tmpl, handler);
  handler.on_create();
  return window;
}

}  // namespace kv
