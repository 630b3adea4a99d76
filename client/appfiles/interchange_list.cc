// The run's interchange list (run_state().interchange_list).
#include "client/appfiles/interchange_list.h"

#include <algorithm>

#include "client/common/record_fields.h"

namespace kv {

std::string interchange_list_line(const std::string& application_file,
                                  const std::string& work_file) {
  std::string line = application_file + "||";
  std::replace(line.begin(), line.end() - 2, '|', '!');
  insert_veld(line, work_file, 2);
  return line;
}

}  // namespace kv
