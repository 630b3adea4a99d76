// The password (PIN=) in the user file qrtlnk.gns and in the command file: kept scrambled on disk
// except in the command file during the session.
#pragma once

#include <string>

namespace kv {

// After a session with a WACHTWOORD command: carries the password of the last successful one
// (result "0000") from the command file into qrtlnk.gns. Missing files: nothing changes.
void schrijf_nieuwe_pin(const std::string& command_file, const std::string& status_file);

// Rewrites qrtlnk.gns with every PIN= line replaced by the new password, scrambled.
void vervang_pin(const std::string& new_pin);

// Scrambles the plain PIN= values of qrtlnk.gns (the file is replaced in one step).
void scramble_user_file_pins();

// `text` with every PIN= value scrambled (values scrambled already stay as they are).
std::string with_scrambled_pins(const std::string& text);

// versleutel_pins (scrambling every PIN= value of the command file in place) is declared in
// entry_points.h.

}  // namespace kv
