// Completion of message identifiers: short or partly blank identifiers are completed from a
// generated 14-character identifier "00000" + years since 1900 + a five-character time code.
// Identifiers generated within one process are strictly increasing.
#pragma once

#include <string>

namespace kv {

// Completes `value` in place.
void vul_message_id(std::string& value);

// Forgets the last generated time code (tests only).
void reset_message_id_generator();

}  // namespace kv
