// The blocks of the engine command file as the result processing needs them: each command header
// (a line beginning with "*") with the attributes of its block, read once, and found again by the
// tag that the engine writes in field 1 of its status lines.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace kv {

struct CommandBlock {
  std::string tag;            // the header line, trailing blanks removed
  std::string mid_pattern = "*";
  std::string fil_value;      // the last FIL= value
  std::string sur_value;
  std::string giv_value;
  int fil_count = 0;          // number of FIL= lines
  bool nod = false;           // a NOD attribute came before the reading ended
  bool edi_candidate = false; // the MID= pattern names one kind of EDI message

  // The receiving command asks for EDI messages of one kind into one application file.
  bool gathers() const { return edi_candidate && !nod && fil_count == 1; }
  bool has_fil() const { return fil_count > 0; }
};

// A MID= pattern that begins with "EDI", has no "*" in its first nine characters and no "?" in
// characters 7 to 9 (at least nine characters long).
bool is_edi_gathering_pattern(const std::string& pattern);

class CommandBlocks {
 public:
  // Reads the command file (name against the application home); false when it cannot be opened.
  bool load(const std::string& command_file);
  void add_line(const std::string& line);  // builds the index line by line (also for tests)

  // The block of the command whose status lines carry `tag`: the block found last when it has
  // this tag (later lines of the same command), else the next block with this tag behind it, else
  // the first block with this tag. -1 when the file has no such block.
  int locate(const std::string& tag);
  // The same for a received message's line: when the message identifier is empty or does not
  // match the MID= pattern of the block found last, the next block with this tag is taken (an
  // EDI receive request is written as two commands with one tag, the second without FIL=).
  int locate_message(const std::string& tag, const std::string& message_id);
  const CommandBlock& block(int index) const { return blocks_[static_cast<std::size_t>(index)]; }

 private:
  std::vector<CommandBlock> blocks_;
  std::unordered_map<std::string, std::vector<int>> by_tag_;  // upper-cased tag -> blocks in order
  int current_ = -1;
  bool reading_attributes_ = false;
};

}  // namespace kv
