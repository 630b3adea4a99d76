// Tests of the records of the receive store QRTLNK.RCV.
#include "client/appfiles/rcv_record.h"

#include <gtest/gtest.h>

#include "client/appfiles/store_test_home.h"

namespace kv {
namespace {

TEST(RcvRecord, FieldsFromTheStatusLineCutToTheirWidths) {
  StatusRecord status;
  status.set(status::kTag, "*003ONTVANG");
  status.set(status::kStamp, "202403151030");
  status.set(status::kResult, "0000");
  status.set(status::message::kListId, "LIST0001");
  status.set(status::message::kMessageId, "TXTMSG01");
  status.set(status::message::kPriority, "2");
  status.set(status::message::kSensitivity, "1");
  status.set(status::message::kFileCount, "3");
  status.set(status::message::kFirstFile, "BCDFGHJK.001");
  status.set(status::message::kInReplyTo, "REF7");
  status.set(status::message::kSubject, std::string(250, 's') + "a|b" + std::string(20, 't'));
  status.set(status::message::kOriginator, "NL");
  status.set(status::message::kSurname, "JANSEN");
  const StatusRecord line(status.line());
  const std::string text = build_rcv_record("ABC", line).line();
  const RcvRecord record(text);

  EXPECT_EQ(record.get(rcv::kAppId), "ABC");
  EXPECT_EQ(record.get(rcv::kStamp), "202403151030");
  EXPECT_EQ(record.get(rcv::kListId), "LIST0001");
  EXPECT_EQ(record.get(rcv::kMessageId), "TXTMSG01");
  EXPECT_EQ(record.get(rcv::kFileCount), "3");
  EXPECT_EQ(record.get(rcv::kFirstFile), "BCDFGHJK.001");
  EXPECT_EQ(record.get(rcv::kSubject), std::string(250, 's') + "a!b" + "ttt");  // 256, "!"
  EXPECT_EQ(record.get(rcv::kInReplyTo), "REF7");
  EXPECT_EQ(record.get(rcv::kPriority), "2");
  EXPECT_EQ(record.get(rcv::kSensitivity), "1");
  EXPECT_EQ(record.get(rcv::kCountry), "NL");
  EXPECT_EQ(record.get(rcv::kSurname), "JANSEN");
  // Trailing empty fields are left off: the surname is the last field written.
  EXPECT_EQ(text.substr(text.size() - 7), "|JANSEN");

  // Three blanks stand for no App-id; the longest record has 958 characters.
  EXPECT_EQ(build_rcv_record("   ", line).line().substr(0, 2), "|2");
  StatusRecord full;
  for (int n = 0; n < 31; ++n) full.set(nth_field(status::kTag, n), std::string(300, 'x'));
  EXPECT_EQ(build_rcv_record("XYZ", full).line().size(), 958u);
}

TEST(RcvRecord, PartFileNames) {
  EXPECT_EQ(part_file_name("dir/BCDFGHJK.001", 1), "dir/BCDFGHJK.001");
  EXPECT_EQ(part_file_name("dir/BCDFGHJK.001", 3), "dir/BCDFGHJK.003");
  EXPECT_EQ(rcv_file_count(RcvRecord(std::string("||||3|X.001"))), 3);
  EXPECT_EQ(rcv_file_count(RcvRecord(std::string("||||x|X.001"))), 0);
}

}  // namespace
}  // namespace kv
