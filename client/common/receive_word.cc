// The eight-letter names of received files.
#include "client/common/receive_word.h"

#include <cstring>

namespace kv {

namespace {
constexpr const char* kDigitLetters = "BCDFGHJKLMNPQRSTVWXZ";
constexpr std::size_t kWordLength = 8;
constexpr const char* kWriting = ".tmp-";
}  // namespace

std::string receive_word(std::int64_t seconds) {
  std::uint64_t value = seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds);
  std::string word;
  while (value > 0 && word.size() < kWordLength) {
    word += kDigitLetters[value % 20];
    value /= 20;
  }
  word.append(kWordLength - word.size(), 'B');
  return word;
}

std::string received_file_word(const std::string& name) {
  if (name.size() < kWordLength + 4 || name[kWordLength] != '.') return "";
  for (std::size_t i = 0; i < kWordLength; ++i) {
    if (std::strchr(kDigitLetters, name[i]) == nullptr || name[i] == '\0') return "";
  }
  for (std::size_t i = kWordLength + 1; i < kWordLength + 4; ++i) {
    if (name[i] < '0' || name[i] > '9') return "";
  }
  const std::string rest = name.substr(kWordLength + 4);
  if (!rest.empty() && rest.compare(0, std::strlen(kWriting), kWriting) != 0) return "";
  return name.substr(0, kWordLength);
}

}  // namespace kv
