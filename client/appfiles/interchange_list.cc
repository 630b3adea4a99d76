// The run's interchange list (run_state().interchange_list).
#include "client/appfiles/interchange_list.h"

namespace kv {

std::string interchange_list_line(const std::string& application_file, const std::string& work_file,
                                  const std::string& send_block) {
  InterchangeRecord line;
  line.set(interchange::kApplicationFile, application_file);
  line.set(interchange::kWorkFile, work_file);
  line.set(interchange::kSendBlock, send_block);
  return line.text();
}

}  // namespace kv
