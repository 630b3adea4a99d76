// Tests of the filter texts of the mailbox listing, in the filter language of the mail service.
#include "client/engine/mailbox_filter.h"

#include <gtest/gtest.h>

#include "client/engine/attribute_table.h"
#include "client/engine/engine_control.h"

namespace kv::engine {
namespace {

TEST(MailboxFilterTest, BaseFilters) {
  EXPECT_EQ(base_filter(kLijst, false, false),
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )");
  EXPECT_EQ(base_filter(kOntvang, false, true),
            "( MSG_TYPE=MSG & IP_MSG_ID=FT?CAN*) | ( ACCESS_STATUS=READ & MSG_TYPE=MSG )");
  EXPECT_EQ(base_filter(kRapport, false, false),
            "( ACCESS_STATUS=NEW  & (MSG_TYPE=NTF | MSG_TYPE=RPT) )");
  EXPECT_EQ(base_filter(kVerwijder, false, false), "( ACCESS_STATUS=NEW  & MSG_TYPE=MSG )");
  EXPECT_EQ(base_filter(kLijst, true, true), "MSG_TYPE=MSG");
}

TEST(MailboxFilterTest, Criteria) {
  EXPECT_EQ(criterion(kAttrMID, '=', "ABC"), "IP_MSG_ID=ABC");
  EXPECT_EQ(criterion(kAttrMID, '!', "ABCDEFGHIJKLMNOPQRST"), "IP_MSG_ID!ABCDEFGHIJKLMNO");
  EXPECT_EQ(criterion(kAttrIRP, '=', "X"), "IN_REP_TO=X");
  EXPECT_EQ(criterion(kAttrSUB, '=', std::string(40, 's')), "SUBJECT=" + std::string(33, 's'));
  EXPECT_EQ(criterion(kAttrSUR, '!', "Jansen"), "SUR_NAME!Jansen");
  EXPECT_EQ(criterion(kAttrGIV, '=', std::string(20, 'g')), "GIV_NAME=" + std::string(17, 'g'));
  EXPECT_EQ(criterion(kAttrPRI, '=', "1"), "PRIORITY=NORMAL");
  EXPECT_EQ(criterion(kAttrPRI, '=', "2"), "PRIORITY=NU_URG");
  EXPECT_EQ(criterion(kAttrPRI, '=', "3"), "PRIORITY=URGENT");
  EXPECT_EQ(criterion(kAttrSEN, '=', "1"), "SENSITIVITY=NO_CONF");
  EXPECT_EQ(criterion(kAttrSEN, '=', "2"), "SENSITIVITY=CONF");
  EXPECT_EQ(criterion(kAttrSEN, '!', "3"), "SENSITIVITY!PERSONEL");
  EXPECT_EQ(criterion(kAttrSEN, '=', "4"), "SENSITIVITY=PRIVATE");
  // 17 June 2003, 12:30.
  EXPECT_EQ(criterion(kAttrMET, '=', "0306171230"), "MBX_ENTRY_DT=17/06/03-12:30");
  EXPECT_EQ(criterion(kAttrMET, '>', "030617"), "MBX_ENTRY_D>17/06/03");
  EXPECT_EQ(criterion(kAttrMET, '<', "03061712"), "MBX_ENTRY_DT<17/06/03-12");
  EXPECT_EQ(criterion(kAttrMRT, '=', "0306171230"), "READ_DT=17/06/03-12:30");
  EXPECT_EQ(criterion(kAttrMRT, '!', "030617"), "READ_D!17/06/03");
}

TEST(MailboxFilterTest, RoomIsCheckedBeforeEachCriterion) {
  std::string filter(511 - 16, 'x');
  EXPECT_TRUE(append_criterion(filter, " & ", kAttrMID, '=', "ABC"));  // 13 + 3 = 16
  EXPECT_EQ(filter.size(), 511u);
  EXPECT_FALSE(append_criterion(filter, " & ", kAttrMID, '=', ""));
  std::string dates(511 - 29, 'x');
  EXPECT_FALSE(append_criterion(dates, " & ", kAttrMET, '=', "030617"));  // allowance 30
  EXPECT_EQ(dates.size(), 511u - 29);
  std::string codes(511 - 19, 'x');
  EXPECT_TRUE(append_criterion(codes, " & ", kAttrPRI, '=', "3"));
  std::string sens(511 - 22, 'x');
  EXPECT_FALSE(append_criterion(sens, " & ", kAttrSEN, '=', "1"));
}

}  // namespace
}  // namespace kv::engine
