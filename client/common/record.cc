// The bar-separated record: a line split once at its bars, its fields read and replaced by number
// within their widths; the typed records of the file layouts are built on it.
#include "client/common/record.h"

#include <new>

#include "client/common/abort.h"
#include "client/common/journal.h"

namespace kv::record_text {

std::vector<std::size_t> bar_positions(std::string_view text) {
  std::vector<std::size_t> bars;
  for (std::size_t i = text.find('|'); i != std::string_view::npos; i = text.find('|', i + 1)) {
    bars.push_back(i);
  }
  return bars;
}

std::string_view without_trailing_bars(std::string_view text) {
  const std::size_t end = text.find_last_not_of('|');
  return text.substr(0, end == std::string_view::npos ? 1 : end + 1);
}

namespace {

void replace_closed_field(std::string& text, std::vector<std::size_t>& bars, std::size_t n,
                          std::string_view value, std::size_t width) {
  std::string copy(value.substr(0, width));
  for (char& c : copy) {
    if (c == '|') c = '!';
  }
  const std::size_t start = n == 1 ? 0 : bars[n - 2] + 1;
  const std::size_t old_length = bars[n - 1] - start;
  text.replace(start, old_length, copy);
  for (std::size_t i = n - 1; i < bars.size(); ++i) bars[i] = bars[i] + copy.size() - old_length;
}

}  // namespace

void replace_field(std::string& text, std::vector<std::size_t>& bars, int n, std::string_view value,
                   std::size_t width) {
  if (n < 1 || static_cast<std::size_t>(n) > bars.size()) return;  // the record keeps its layout
  try {
    replace_closed_field(text, bars, static_cast<std::size_t>(n), value, width);
  } catch (const std::bad_alloc&) {
    if (width != kNoLimit) fail_run(AppError::kNoMemory, "aanvragen insert_veld");
    journal_write(3, kNoMemoryForStatusText);
    throw;
  }
}

std::string_view field_of(std::string_view text, int n) {
  if (n < 1) return {};
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    const std::size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) return {};
    start = bar + 1;
  }
  return text.substr(start, text.find('|', start) - start);
}

void set_field_of(std::string& text, int n, std::string_view value, std::size_t width) {
  try {
    std::vector<std::size_t> bars = bar_positions(text);
    if (n < 1 || static_cast<std::size_t>(n) > bars.size()) return;
    replace_closed_field(text, bars, static_cast<std::size_t>(n), value, width);
  } catch (const std::bad_alloc&) {
    if (width != kNoLimit) fail_run(AppError::kNoMemory, "aanvragen insert_veld");
    journal_write(3, kNoMemoryForStatusText);
    throw;
  }
}

}  // namespace kv::record_text
