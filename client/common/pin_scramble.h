// Scrambling of the PIN line of the user file; the text keeps its length.
#pragma once

#include <string>

namespace kv {

void scramble_pin(std::string& text);
void unscramble_pin(std::string& text);
// A scrambled text begins with a character of code 128 or more.
bool is_scrambled_pin(const std::string& text);
// True when scrambling `pin` and unscrambling it again gives `pin` back (upper-cased), the
// scrambled text is recognised as scrambled, and it holds no NUL: false for a character code of
// 100 or more (after upper-casing) anywhere but in the last place, where up to 127 survive.
bool scrambling_keeps(const std::string& pin);

}  // namespace kv
