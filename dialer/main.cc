// kovedial: dials or hangs up a dial-up networking entry for kovendi and leaves the outcome in
// kovedial.txt in its working directory.
#include <iostream>
#include <string>
#include <vector>

#include "dialer/dial_form.h"
#include "dialer/dialup.h"
#include "dialer/program_info.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  using namespace kv::dialer;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (answer_program_info(args, std::cout)) return 0;
  kv::install_window_signal_handlers();
  auto service = create_dialup_service();
  RasDialer ras(*service);
  ResultFile result(kv::fs::current_directory());
  DialForm form(args, ras, result);
  auto window = kv::create_status_window(DialForm::form_template(), form);
  form.created(*window);
  window->run_message_loop();
  kv::clock().sleep_ms(DialForm::kClosingWaitMs);
  return 0;
}
