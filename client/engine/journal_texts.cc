// Filling in the values of the engine's journal lines.
#include "client/engine/journal_texts.h"

namespace kv::engine::journal_text {

std::string filled(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string line;
  line.reserve(text.size() + 32);
  auto value = values.begin();
  std::size_t from = 0;
  for (std::size_t at = text.find("%s"); at != std::string_view::npos && value != values.end();
       at = text.find("%s", from)) {
    line.append(text.substr(from, at - from));
    line.append(*value++);
    from = at + 2;
  }
  line.append(text.substr(from));
  return line;
}

}  // namespace kv::engine::journal_text
