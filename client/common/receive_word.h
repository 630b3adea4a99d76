// The names of received files: an eight-letter word from the time of the fetch (the seconds in
// base 20 with the letters "BCDFGHJKLMNPQRSTVWXZ", least significant first, filled up with "B")
// and the extensions ".001" to ".008". The engine prepares them; the messaging layer names the
// files it stores the same way.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

std::string receive_word(std::int64_t seconds);

// The word of a received file's name ("WORD.nnn", or "WORD.nnn.tmp-..." while the messaging layer
// writes it); empty when the name is not of that form.
std::string received_file_word(const std::string& name);

}  // namespace kv
