// The pattern rules of the receive store: a message identifier against a MID= pattern, and a
// record field against a SUR= or GIV= value (or a selection-file value).
#pragma once

#include <cstddef>
#include <string>

namespace kv {

// MID= pattern rule: "*" matches the rest, "?" any one character (a character must be there),
// any other character must be equal. When the pattern ends the identifier matches only when it
// is not longer than the pattern. An empty pattern matches nothing. Case-sensitive.
bool mid_pattern_matches(const std::string& pattern, const std::string& id);
// The same rule without regard to letter case (the /R and /C selections).
bool mid_pattern_matches_ignore_case(const std::string& pattern, const std::string& id);

// Field rule: value and field are compared in upper case; a value longer than `width` counts as
// a match; an empty field matches a value made only of "?" and "*"; otherwise the field is walked
// character by character ("*" matches the rest, "?" any one character); the field matches when
// its end is reached, so characters of the value beyond the field's end are ignored.
bool field_pattern_matches(const std::string& value, const std::string& field, std::size_t width);

}  // namespace kv
