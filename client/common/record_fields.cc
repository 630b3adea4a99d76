// Bar-separated record fields.
#include "client/common/record_fields.h"

#include <algorithm>
#include <new>

#include "client/common/abort.h"
#include "client/common/journal.h"

namespace kv {

std::string init_veld_record(int count) {
  return std::string(count < 0 ? 0 : static_cast<std::size_t>(count) + 1, '|');
}

std::string get_veld(const std::string& record, int n) {
  if (n < 1) return "";
  int bars = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (record[i] != '|') continue;
    ++bars;
    if (bars == n) return record.substr(start, i - start);
    start = i + 1;
  }
  if (bars == n - 1) return record.substr(start);
  return "";
}

namespace {

void replace_field(std::string& record, const std::string& value, int n, std::size_t maximum) {
  std::string copy = value.substr(0, maximum);
  std::replace(copy.begin(), copy.end(), '|', '!');
  int bars = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (record[i] != '|') continue;
    ++bars;
    if (bars == n) {
      record.replace(start, i - start, copy);
      return;
    }
    start = i + 1;
  }
  // Fewer than n bars: the record keeps its layout.
}

}  // namespace

void insert_veld(std::string& record, const std::string& value, int n, std::size_t maximum) {
  if (n < 1) return;
  try {
    replace_field(record, value, n, maximum);
  } catch (const std::bad_alloc&) {
    if (maximum != std::string::npos) fail_run(AppError::kNoMemory, "aanvragen insert_veld");
    journal_write(3, "Not enough memory to write status");
    throw;
  }
}

}  // namespace kv
