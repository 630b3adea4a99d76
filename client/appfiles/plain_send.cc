// A plain send request: the block goes to the command file as it is (with the message
// identifier completed and without APP= lines), and QRTLNK.SND gets one record per recipient.
#include <algorithm>
#include <string>
#include <vector>

#include "client/appfiles/message_id.h"
#include "client/appfiles/send_request.h"
#include "client/appfiles/translation.h"
#include "client/common/day_number.h"
#include "client/common/line_writer.h"

namespace kv {

void translate_plain_send(Translation& tr, const std::string& command,
                          const SendRequest& request) {
  std::string stamp = current_time_stamp();
  tr.write(command);
  std::string message_id;
  for (const SendRequest::CommandLine& line : request.command_lines()) {
    if (!line.message_id) {
      tr.write(line.text);
      continue;
    }
    message_id = line.text;
    vul_message_id(message_id);
    tr.write("MID=" + message_id);
  }

  SndRecord first = request.shared_record(tr.record_application(), stamp);
  first.set(snd::kMessageId, message_id);
  const std::vector<std::string>& files = request.files();
  const std::size_t kept = std::min<std::size_t>(files.size(), send_keywords::kMaxFiles);
  for (std::size_t i = 0; i < kept; ++i) {
    first.set(nth_field(snd::kFirstFile, static_cast<int>(i)), files[i]);
  }
  for (const SndRecord& record : request.recipient_records(std::move(first))) {
    write_line(tr.snd.get(), record.line(), "qrtlnk.snd");
  }
}

}  // namespace kv
