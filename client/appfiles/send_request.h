// A send request: the attribute lines of one ZEND block, read once into the message's values, its
// files and its recipients. The request translation makes of it the block of the engine command
// file and the records of the send queue QRTLNK.SND; the engine reports each recipient in a ZEND
// status line whose fields carry the same keywords (client/common/send_keywords.h), which is what
// the settling of the send queue expects.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "client/common/send_keywords.h"
#include "client/common/snd_layout.h"

namespace kv {

class SendRequest {
 public:
  // A line of the block as the engine command file gets it.
  struct CommandLine {
    std::string text;         // the line; for a message identifier its value alone
    bool message_id = false;  // a MID= value, which the translation completes
  };

  explicit SendRequest(const std::vector<std::string>& block);

  // The block's lines, as given.
  const std::vector<std::string>& lines() const { return lines_; }
  // The lines for the command file, in order: every line but APP=.
  const std::vector<CommandLine>& command_lines() const { return command_lines_; }
  // The FIL= values, in order (all of them; a record holds the first eight).
  const std::vector<std::string>& files() const { return files_; }

  // The fields that every record of the request shares: the application (the first APP= value
  // when it has three characters, else `fallback_application`), the message's values but its
  // identifier and files, recipient kind "1" and the request stamp.
  SndRecord shared_record(const std::string& fallback_application, const std::string& stamp) const;
  // One record per recipient, starting from `first`: the address lines fill it in order, and a
  // CCO or BCO line closes a recipient and starts a copy recipient.
  std::vector<SndRecord> recipient_records(SndRecord first) const;

 private:
  // One step of the recipients, in the order of the lines.
  struct AddressStep {
    enum Kind { kField, kList, kInterchange, kCopy, kBlindCopy } kind;
    snd::Field field = snd::kAlias;  // kField
    std::string value;               // kField and kList
  };

  void read_line(const std::string& line);

  std::vector<std::string> lines_;
  std::vector<CommandLine> command_lines_;
  std::vector<std::string> files_;
  std::string application_;   // empty when the request gives no usable APP=
  bool application_seen_ = false;
  bool delete_files_ = false;
  std::string message_values_[std::size(send_keywords::kMessage)];
  std::vector<AddressStep> address_steps_;
};

}  // namespace kv
