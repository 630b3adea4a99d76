// Scrambling of the PIN line of the user file.
#include "client/common/pin_scramble.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kv {
namespace {

// Writes `code` with at least two digits, keeps the first two and swaps them.
int swapped_leading_digits(int code) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", code);
  return (digits[1] - '0') * 10 + (digits[0] - '0');
}

unsigned char byte_of(char c) { return static_cast<unsigned char>(c); }

}  // namespace

void scramble_pin(std::string& text) {
  if (text.empty()) return;
  for (char& c : text) c = static_cast<char>(std::toupper(byte_of(c)));
  std::reverse(text.begin(), text.end());
  text[0] = static_cast<char>(255 - byte_of(text[0]));
  for (std::size_t i = 1; i < text.size(); ++i) {
    unsigned char stored = static_cast<unsigned char>(2 * swapped_leading_digits(byte_of(text[i])));
    if (stored < 33) stored = static_cast<unsigned char>(stored - 56);
    text[i] = static_cast<char>(stored);
  }
}

void unscramble_pin(std::string& text) {
  if (text.empty()) return;
  text[0] = static_cast<char>(255 - byte_of(text[0]));
  std::reverse(text.begin(), text.end());
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    int code = byte_of(text[i]);
    if (code > 200) code -= 200;
    text[i] = static_cast<char>(swapped_leading_digits(code / 2));
  }
}

bool is_scrambled_pin(const std::string& text) {
  return !text.empty() && byte_of(text[0]) >= 128;
}

bool scrambling_keeps(const std::string& pin) {
  // A NUL would also end the password where it is handed over.
  if (pin.find('\0') != std::string::npos) return false;
  std::string scrambled = pin;
  scramble_pin(scrambled);
  if (!pin.empty() && !is_scrambled_pin(scrambled)) return false;
  std::string back = scrambled;
  unscramble_pin(back);
  std::string upper = pin;
  for (char& c : upper) c = static_cast<char>(std::toupper(byte_of(c)));
  return back == upper;
}

}  // namespace kv
