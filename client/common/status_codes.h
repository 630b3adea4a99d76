// The result codes that the engine writes into its status lines and that the application-file
// layer reads back when it completes the send queue and records received messages.
#pragma once

#include <string_view>

namespace kv {

inline constexpr const char* kCodeSuccess = "0000";
inline constexpr const char* kCodeNotSent = "2006";  // a send without a usable status line

// The family of the messaging interface: a session or an operation of it failed.
inline constexpr const char* kCodeOpenFailed = "1501";   // API_open with verdict 0
inline constexpr const char* kCodeUserStop = "1516";     // Escape
inline constexpr const char* kCodeNotAMessage = "1517";  // ONTVANG/ANTWOORD item not a message

// The code belongs to the family of the messaging interface ("15xx").
constexpr bool is_interface_code(std::string_view code) { return code.substr(0, 2) == "15"; }

}  // namespace kv
