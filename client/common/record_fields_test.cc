// Tests of bar-separated records.
#include "client/common/record_fields.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(RecordFields, GetVeldCountsBars) {
  EXPECT_EQ(get_veld("a|b", 1), "a");
  EXPECT_EQ(get_veld("a|b", 2), "b");
  EXPECT_EQ(get_veld("a|b", 3), "");
  EXPECT_EQ(get_veld("", 1), "");
  EXPECT_EQ(get_veld("a|b|", 2), "b");
  EXPECT_EQ(get_veld("a|b|", 3), "");  // nothing after the last bar
  EXPECT_EQ(get_veld("|x||", 2), "x");
  EXPECT_EQ(get_veld("a|b", 0), "");
}

TEST(RecordFields, InsertVeldReplacesOneFieldAndNeverAddsBars) {
  std::string record = "1||3|";
  insert_veld(record, "x|y", 2);
  EXPECT_EQ(record, "1|x!y|3|");

  record = "1||3|";
  insert_veld(record, "x", 5);
  EXPECT_EQ(record, "1||3|");
  insert_veld(record, "x", 4);  // only three bars
  EXPECT_EQ(record, "1||3|");

  record = "abc|d|";
  insert_veld(record, "Z", 1);
  EXPECT_EQ(record, "Z|d|");

  record = "|abc|";
  insert_veld(record, "Z", 2);
  EXPECT_EQ(record, "|Z|");

  record = "a|b|c|";
  insert_veld(record, "123456", 2, 3);  // application flavour cuts the value first
  EXPECT_EQ(record, "a|123|c|");
}

TEST(RecordFields, FreshRecordTakesEveryFieldInPlace) {
  std::string record = init_veld_record(31);
  EXPECT_EQ(record, std::string(32, '|'));
  for (int n = 1; n <= 32; ++n) insert_veld(record, "f" + std::to_string(n), n);
  for (int n = 1; n <= 32; ++n) EXPECT_EQ(get_veld(record, n), "f" + std::to_string(n));
  EXPECT_EQ(get_veld(record, 33), "");
}

}  // namespace
}  // namespace kv
