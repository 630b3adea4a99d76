// Choosing the dial-up service: the simulated one when KOVEDIAL_PHONEBOOK is set.
#include "dialer/dialup.h"
#include "platform/process.h"

namespace kv::dialer {

std::unique_ptr<DialUpService> create_dialup_service() {
  bool found = false;
  std::string phonebook = process::get_env("KOVEDIAL_PHONEBOOK", &found);
  if (found && !phonebook.empty()) return create_simulated_service(phonebook);
  return create_system_service();
}

}  // namespace kv::dialer
