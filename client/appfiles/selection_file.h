// The selection file of the retrieve (/SEL=): condition lines on fields of the stored records,
// joined by "and", with "or" binding more closely: an "and" of groups, each an "or" of conditions.
#pragma once

#include <string>
#include <vector>

#include "client/common/rcv_layout.h"

namespace kv {

struct SelectionCondition {
  rcv::Field field{};      // rcv_rec field tested
  std::size_t width = 0;   // the field's width
  bool equal = true;       // "=" (matches) or "!" (does not match)
  std::string value;
};

class SelectionFile {
 public:
  // Parses the lines of a selection file; `text_retrieve` forbids MID conditions. false when the
  // file is invalid.
  bool parse(const std::vector<std::string>& lines, bool text_retrieve);
  // Reads and parses the file; -1 when it cannot be opened, 0 when it is invalid, 1 when valid.
  int load(const std::string& name, bool text_retrieve);

  bool accepts(const RcvRecord& record) const;

  const std::vector<std::vector<SelectionCondition>>& groups() const { return groups_; }

 private:
  std::vector<std::vector<SelectionCondition>> groups_;
};

}  // namespace kv
