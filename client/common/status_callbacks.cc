// Status callbacks installed by the program entry.
#include "client/common/status_callbacks.h"

#include <algorithm>
#include <cstdint>

#include "platform/clock.h"

namespace kv {
namespace {

// Between two looks at the message queue the wait sleeps this long, so that a pause of the
// engine keeps the window responsive without keeping a processor busy.
constexpr unsigned kPollIntervalMs = 10;

}  // namespace

StatusCallbacks& status_callbacks() {
  static StatusCallbacks callbacks;
  return callbacks;
}

void display_com_info(const char* text) {
  if (status_callbacks().display_com_info != nullptr && text != nullptr) {
    status_callbacks().display_com_info(text);
  }
}

void busy_indicator() {
  if (status_callbacks().busy_indicator != nullptr) status_callbacks().busy_indicator();
}

void wait_responsive(unsigned ms) {
  std::uint32_t start = clock().ticks_ms();
  for (;;) {
    std::uint32_t elapsed = clock().ticks_ms() - start;  // unsigned: survives the wrap
    if (elapsed > ms) return;
    if (status_callbacks().pump_messages != nullptr) status_callbacks().pump_messages();
    clock().sleep_ms(std::min<unsigned>(kPollIntervalMs, ms - elapsed + 1));
  }
}

}  // namespace kv
