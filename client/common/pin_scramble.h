// Scrambling of the PIN line of the user file; the text keeps its length.
#pragma once

#include <string>

namespace kv {

void scramble_pin(std::string& text);
void unscramble_pin(std::string& text);
// A scrambled text begins with a character of code 128 or more.
bool is_scrambled_pin(const std::string& text);

}  // namespace kv
