// What a killed run's session left uncertain at the message service, and the answers a later
// session brought (the questions of client/common/open_questions.h).
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "client/common/run_intent.h"

namespace kv {

// The sends of QRTLNK.SND that a question concerns, by message identifier and request stamp:
// an open question keeps their records as they are (and their interchange work files out of
// the merge); an answer settles them.
struct SendQuestions {
  std::map<std::pair<std::string, std::string>, std::string> answers;  // "" while open
  std::set<std::string> open_work_files;                               // full paths

  // The answer for a record ("" open); false when no question concerns it.
  bool concerns(const std::string& mid, const std::string& request_stamp,
                std::string* answer) const;
};
SendQuestions send_questions();

}  // namespace kv
