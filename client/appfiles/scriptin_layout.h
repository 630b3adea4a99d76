// A line of scriptin.dir: the App-id of the entry in its first three characters (a line that
// begins with "|" has none), and in field 2 a path with a file-name pattern.
#pragma once

#include <cstddef>

#include "client/common/record.h"

namespace kv {

namespace scriptin {

enum Field : int {
  kAppId = 1,
  kPathPattern = 2,
};

struct Layout {
  using Field = scriptin::Field;
  static constexpr int kEmptyBars = 2;
  static constexpr std::size_t width(Field) { return kNoLimit; }
};

}  // namespace scriptin

using ScriptinRecord = Record<scriptin::Layout>;

}  // namespace kv
