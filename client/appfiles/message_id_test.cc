// Tests of completion of message identifiers.
#include "client/appfiles/message_id.h"

#include "client/appfiles/request_test_home.h"

namespace kv {
namespace {

using testing_support::RequestHome;

class MessageIdTest : public RequestHome {};

TEST_F(MessageIdTest, ShortValuesAreCompletedFromTheGeneratedIdentifier) {
  // 7 March 2024 10:30:15 -> code "3" "7" "A" "U" "F", years since 1900 "0124".
  std::string id = "EDI";
  vul_message_id(id);
  EXPECT_EQ(id, "EDI00012437AUF");
  std::string empty;
  vul_message_id(empty);
  EXPECT_EQ(empty, "00000012437AUG");  // same second: the code advances by one second
}

TEST_F(MessageIdTest, IdentifiersOfOneRunStrictlyIncrease) {
  std::vector<std::string> ids;
  for (int i = 0; i < 200; ++i) {
    std::string id;
    vul_message_id(id);
    ASSERT_EQ(id.size(), 14u);
    ids.push_back(id);
  }
  for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]) << i;
  // The clock going back (a time change) does not make identifiers repeat.
  clock.local().hour = 9;
  std::string later;
  vul_message_id(later);
  EXPECT_LT(ids.back(), later);
}

// A run that follows another within seconds goes on after the codes the other one handed out
// (they run ahead of the clock, one per message): a new run knows them from the send queue, and
// only this year's count.
TEST_F(MessageIdTest, NextRunGoesOnAfterTheCodesOfTheSendQueue) {
  write("qrtlnk.snd",
        "|202403071030|0000|202403071030|TXT00012437AUK|||||1|1\n"
        "|202403071030|2006|202403071030|EDIORDERS37AUM|||||1|1\n"
        "|202303071030|0000|202303071030|TXT00012337Azz|||||1|1\n");
  reset_message_id_generator();
  std::string id = "TXT";
  vul_message_id(id);
  EXPECT_EQ(id, "TXT00012437AUN");
}

TEST_F(MessageIdTest, SecondSixtyRollsOverToTheNextMinute) {
  clock.local().second = 60;
  std::string a;
  vul_message_id(a);
  EXPECT_EQ(a.substr(9), "37AUy");  // second 60 is "y"
  std::string b;
  vul_message_id(b);
  EXPECT_EQ(b.substr(9), "37AV1");  // then second 1 of the next minute
}

TEST_F(MessageIdTest, FullAndLongValues) {
  std::string full = "ABCDEFGHIJKLMN";
  vul_message_id(full);
  EXPECT_EQ(full, "ABCDEFGHIJKLMN");
  // 15 characters or more: only trailing blanks of places 7 to 14 are filled in.
  std::string blanks = "ABCDEFG       X";  // places 8 to 14 blank
  vul_message_id(blanks);
  EXPECT_EQ(blanks, "ABCDEFG2437AUGX");
  std::string tail = "ABCDEF         ";  // places 7 to 15 blank
  ASSERT_EQ(tail.size(), 15u);
  vul_message_id(tail);
  EXPECT_EQ(tail, "ABCDEF12437AUH ");
  std::string inner = "AB DEFGHIJKLMNOP";  // no trailing blank in places 7 to 14
  vul_message_id(inner);
  EXPECT_EQ(inner, "AB DEFGHIJKLMNOP");
}

}  // namespace
}  // namespace kv
