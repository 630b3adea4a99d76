// Every result code that can stand in field 3 of a status line (and in the result field of a
// send-queue record), with what it means and its usual cause in English words. The engine's
// journal explains each failure with it, and the manual's table of codes is checked against it.
#pragma once

#include <string>
#include <vector>

namespace kv::engine {

struct ResultCodeEntry {
  std::string code;     // four digits; "4nnn" stands for the dial-up helper's dial errors
  std::string meaning;  // what the code says
  std::string cause;    // the usual cause and what to do; may be empty
};

// The whole catalogue in code order.
const std::vector<ResultCodeEntry>& result_code_catalogue();

// The entry of `code`; a dial error 4nnn without an entry of its own gets the "4nnn" entry;
// nullptr for a code the catalogue does not know.
const ResultCodeEntry* find_result_code(const std::string& code);

// The words of a mail service verdict ("log-in refused"), or "verdict N" for an unknown one.
std::string verdict_words(int verdict);

}  // namespace kv::engine
