// Recovery of a run that was killed: what its intent record (run_intent.h) says it left half
// done is finished or rolled back, before the new run does its own work.
#pragma once

#include <vector>

#include "client/common/run_intent.h"

namespace kv {

void recover_killed_run(const std::vector<IntentLine>& record);

}  // namespace kv
