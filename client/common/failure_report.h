// The reasons of failures, for the person who looks for them. Each reason is one line: in the
// journal (level 3, when the journal is on) and, when standard error is a terminal, the same line
// there with "kovendi: " in front. The files that the application reads stay as they are.
#pragma once

#include <functional>
#include <string>

namespace kv {

void report_reason(const std::string& text);

// Tests: the terminal copies go to `sink` (terminal or not) instead of standard error; an empty
// function restores standard error.
void set_reason_terminal(std::function<void(const std::string&)> sink);

}  // namespace kv
