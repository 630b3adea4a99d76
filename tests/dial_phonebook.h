// The simulated phonebook that the dial-up tests share (KOVEDIAL_PHONEBOOK, format in
// dialer/dialup_simulated.cc): an entry that connects, one without a saved password, one whose
// authentication is denied, one that the service refuses to start, and one that never answers.
#pragma once

namespace kvtest {

inline constexpr char kTestPhonebook[] =
    "# simulated phonebook\n"
    "[Office Line]\n"
    "password = secret\n"
    "events = 0 2 5 14 8192\n"
    "delay = 50\n"
    "\n"
    "[No Password]\n"
    "password =\n"
    "\n"
    "[Denied]\n"
    "password = secret\n"
    "events = 0 2 5\n"
    "delay = 50\n"
    "error = 691\n"
    "\n"
    "[Refused]\n"
    "password = secret\n"
    "start_error = 633\n"
    "\n"
    "[Never Answers]\n"
    "password = secret\n"
    "events = 0 2\n"
    "delay = 50\n";

}  // namespace kvtest
