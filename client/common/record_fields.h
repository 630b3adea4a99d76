// Bar-separated records: fields separated by "|", created with a fixed number of bars.
#pragma once

#include <cstddef>
#include <string>

namespace kv {

// An empty record of count + 1 bars.
std::string init_veld_record(int count);
// Field n (from 1); empty when the record has fewer than n - 1 bars.
std::string get_veld(const std::string& record, int n);
// Replaces field n with `value` ("|" becomes "!"); unchanged when the record has fewer than n bars.
// `maximum` cuts the value first (application flavour); npos means no limit (engine flavour).
// Without memory for the longer record the application flavour abandons the run with error 10
// ("aanvragen insert_veld"); the engine flavour journals "Not enough memory to write status" and
// lets std::bad_alloc reach the engine's recovery point.
void insert_veld(std::string& record, const std::string& value, int n,
                 std::size_t maximum = std::string::npos);

}  // namespace kv
