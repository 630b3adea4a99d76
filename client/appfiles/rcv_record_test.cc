// Tests of the records of the receive store QRTLNK.RCV.
#include "client/appfiles/rcv_record.h"

#include <gtest/gtest.h>

#include "client/appfiles/store_test_home.h"
#include "client/common/record_fields.h"

namespace kv {
namespace {

TEST(RcvRecord, FieldsFromTheStatusLineCutToTheirWidths) {
  std::string status = init_veld_record(42);
  insert_veld(status, "*003ONTVANG", 1);
  insert_veld(status, "202403151030", 2);
  insert_veld(status, "0000", 3);
  insert_veld(status, "LIST0001", 4);
  insert_veld(status, "TXTMSG01", 5);
  insert_veld(status, "2", 6);
  insert_veld(status, "1", 7);
  insert_veld(status, "3", 8);
  insert_veld(status, "BCDFGHJK.001", 9);
  insert_veld(status, "REF7", 10);
  insert_veld(status, std::string(250, 's') + "a|b" + std::string(20, 't'), 11);
  insert_veld(status, "NL", 12);
  insert_veld(status, "JANSEN", 20);
  const std::string record = build_rcv_record("ABC", without_trailing_bars(status));

  EXPECT_EQ(get_veld(record, kRcvAppId), "ABC");
  EXPECT_EQ(get_veld(record, kRcvStamp), "202403151030");
  EXPECT_EQ(get_veld(record, kRcvListId), "LIST0001");
  EXPECT_EQ(get_veld(record, kRcvMessageId), "TXTMSG01");
  EXPECT_EQ(get_veld(record, kRcvFileCount), "3");
  EXPECT_EQ(get_veld(record, kRcvFirstFile), "BCDFGHJK.001");
  EXPECT_EQ(get_veld(record, kRcvSubject), std::string(250, 's') + "a!b" + "ttt");  // 256, "!"
  EXPECT_EQ(get_veld(record, kRcvInReplyTo), "REF7");
  EXPECT_EQ(get_veld(record, kRcvPriority), "2");
  EXPECT_EQ(get_veld(record, kRcvSensitivity), "1");
  EXPECT_EQ(get_veld(record, kRcvCountry), "NL");
  EXPECT_EQ(get_veld(record, kRcvSurname), "JANSEN");
  // Trailing empty fields are left off: the surname is the last field written.
  EXPECT_EQ(record.substr(record.size() - 7), "|JANSEN");

  // Three blanks stand for no App-id; the longest record has 958 characters.
  EXPECT_EQ(build_rcv_record("   ", without_trailing_bars(status)).substr(0, 2), "|2");
  std::string full = init_veld_record(42);
  for (int n = 1; n <= 31; ++n) insert_veld(full, std::string(300, 'x'), n);
  EXPECT_EQ(build_rcv_record("XYZ", full).size(), 958u);
}

TEST(RcvRecord, PartFileNames) {
  EXPECT_EQ(part_file_name("dir/BCDFGHJK.001", 1), "dir/BCDFGHJK.001");
  EXPECT_EQ(part_file_name("dir/BCDFGHJK.001", 3), "dir/BCDFGHJK.003");
  EXPECT_EQ(rcv_file_count("||||3|X.001"), 3);
  EXPECT_EQ(rcv_file_count("||||x|X.001"), 0);
}

}  // namespace
}  // namespace kv
