// Rows and fetched items for the engine's command tests: listing rows, messages, notifications
// and reports as the messaging fake fills them in.
#pragma once

#include <string>
#include <vector>

#include "client/engine/testing/fake_api.h"

namespace kv::engine::testing {

struct Row {
  std::string list_id;
  std::string msg_id;
  int type = MSGTYPE_MESSAGE;
  std::string sur_name = "Sender";
  std::string subject;
  std::string in_reply_to;
  std::string entry_time = "17-06-03 12:30";
};

inline void fill_row(MessageSummary& s, const Row& r) {
  copy_field(s.listId, r.list_id);
  copy_field(s.ipMsgId, r.msg_id);
  s.msgType = static_cast<std::int16_t>(r.type);
  copy_field(s.surName, r.sur_name);
  copy_field(s.givenName, "Jan");
  copy_field(s.subject, r.subject);
  copy_field(s.inReplyTo, r.in_reply_to);
  copy_field(s.mbxEntryTime, r.entry_time);
  s.msgSize = 1234;
  s.priority = 2;
  s.sensitivity = 1;
  s.bodyPartQtty = 1;
  s.eit = 2;
}

// Queues one listing page with `rows`.
inline FakeStep& expect_page(const std::vector<Row>& rows) {
  FakeStep& step = fake_api().expect("API_listMbxInNext", static_cast<short>(rows.size()));
  step.fill = [rows](FakeCallArgs& a) {
    for (std::size_t i = 0; i < rows.size() && i < static_cast<std::size_t>(a.page_length); ++i) {
      fill_row(a.page[i], rows[i]);
    }
  };
  return step;
}

// `n` plain messages with list identifiers first, first + 1, ...
inline std::vector<Row> messages(int first, int n) {
  std::vector<Row> rows;
  for (int i = 0; i < n; ++i) {
    Row r;
    r.list_id = std::to_string(first + i);
    r.msg_id = "MSG" + std::to_string(first + i);
    rows.push_back(r);
  }
  return rows;
}

// A report row that carries only its list identifier.
inline Row report_row(const std::string& list_id) {
  Row r;
  r.list_id = list_id;
  r.type = MSGTYPE_REPORT;
  return r;
}

// A fetched message with `files` received files named <dir>/<name>.00n (created on disk by the
// test when it wants them).
inline void fill_message(MessageIn& in, const std::string& msg_id,
                         const std::vector<std::string>& files, const std::string& in_reply_to = "") {
  in.msgType = MSGTYPE_MESSAGE;
  copy_field(in.ipMsgId, msg_id);
  copy_field(in.mbxEntryTime, "17-06-03 12:30");
  MessageInMessage& m = in.u.message;
  copy_field(m.inReplyTo, in_reply_to);
  copy_field(m.subject, "Subject of " + msg_id);
  m.priority = 3;
  m.sensitivity = 2;
  m.originator.type = ORNAME_FORM11;
  copy_field(m.originator.u.form11.countryName, "NL");
  copy_field(m.originator.u.form11.adDomainName, "ADMD");
  copy_field(m.originator.u.form11.surName, "Afzender");
  m.bodyPartQtty = static_cast<std::int16_t>(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    m.bodyParts[i].type = BODYPART_FILE;
    copy_field(m.bodyParts[i].fileName, files[i]);
  }
}

}  // namespace kv::engine::testing
