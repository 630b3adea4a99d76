// The message loop that every status window runs: dispatch what is waiting, wait a while when
// nothing was, until a quit is posted. Each back end says how it dispatches and how it waits.
#pragma once

#include "platform/window.h"

namespace kv {

class LoopingWindow : public StatusWindow {
 public:
  int run_message_loop() override {
    while (!loop_done()) {
      if (!dispatch_waiting() && !loop_done()) wait_for_work();
    }
    return quit_value_;
  }

  void post_quit(int value) override {
    quit_ = true;
    quit_value_ = value;
  }

  void pump_messages() override {
    while (dispatch_waiting()) {
    }
  }

  bool destroyed() const override { return destroyed_; }

 protected:
  // Dispatches what is waiting now; false when nothing was waiting.
  virtual bool dispatch_waiting() = 0;
  // Waits until work may be waiting (a short while at the most).
  virtual void wait_for_work() = 0;
  // Whether the loop ends; a window may also end it when it is destroyed.
  virtual bool loop_done() const { return quit_; }

  bool quit_ = false;
  int quit_value_ = 0;
  bool destroyed_ = false;
};

}  // namespace kv
