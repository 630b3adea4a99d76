// Support for the fuzz targets: a home directory of their own, reset before every input, and the
// check that ends a run with a crash report when an invariant does not hold (libFuzzer keeps the
// input; the regression programs fail).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::kvfuzz::invariant_broken(#condition, __FILE__, __LINE__))

namespace kvfuzz {

[[noreturn]] void invariant_broken(const char* what, const char* file, int line);

// The fuzz input as text.
inline std::string text_of(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Splits an input at its first occurrence of `separator` into two texts (the second empty when
// there is none), so that one input can describe two files.
std::vector<std::string> split_input(const std::string& input, const std::string& separator);

// A directory of this process, emptied and made the application and engine home directory, with
// a fresh run state, no abort clean-up and the journal off; returns its path.
const std::string& fresh_home();
// Writes `content` to `name` in the home directory.
void write_home_file(const std::string& name, const std::string& content);
// The content of `name` in the home directory; empty when it does not exist.
std::string read_home_file(const std::string& name);
bool home_file_exists(const std::string& name);
// The lines of a text without their line ends ("\n" or "\r\n"); empty ones only when asked.
std::vector<std::string> lines_of(const std::string& text, bool with_empty = false);
// True when `part` is a subsequence of `whole` (the same elements, in the same order).
bool is_subsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole);

}  // namespace kvfuzz
