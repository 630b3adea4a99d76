// The pattern rules of the receive store.
#include "client/appfiles/patterns.h"

#include "client/common/text.h"

namespace kv {

bool mid_pattern_matches(const std::string& pattern, const std::string& id) {
  if (pattern.empty()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '*') return true;
    if (i >= id.size()) return false;
    if (pattern[i] != '?' && pattern[i] != id[i]) return false;
  }
  return id.size() <= pattern.size();
}

bool mid_pattern_matches_ignore_case(const std::string& pattern, const std::string& id) {
  return mid_pattern_matches(to_upper(pattern), to_upper(id));
}

bool field_pattern_matches(const std::string& value, const std::string& field, std::size_t width) {
  if (value.size() > width) return true;
  const std::string v = to_upper(value);
  const std::string f = to_upper(field);
  if (f.empty()) return v.find_first_not_of("?*") == std::string::npos;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (i >= v.size()) return false;  // the value ends before the field does
    if (v[i] == '*') return true;
    if (v[i] != '?' && v[i] != f[i]) return false;
  }
  return true;
}

}  // namespace kv
