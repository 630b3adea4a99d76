// Tests of the attribute keywords: look-up, masks, operators, and their codes in a session.
#include "client/engine/attribute_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "client/common/send_keywords.h"
#include "client/engine/engine_control.h"
#include "client/engine/testing/engine_test_env.h"

namespace kv::engine {
namespace {

TEST(AttributeTableTest, KeywordsAreFoundWithoutRegardToCase) {
  EXPECT_EQ(find_attribute("DIS"), kAttrDIS);
  EXPECT_EQ(find_attribute("sur"), kAttrSUR);
  EXPECT_EQ(find_attribute("Mrt"), kAttrMRT);
  EXPECT_EQ(find_attribute("XYZ"), 0);
  EXPECT_EQ(find_attribute("SU"), 0);
  EXPECT_EQ(find_attribute("SURX"), 0);
}

// A keyword in a command block of a session: the command's status line carries the code of what
// is wrong with it (not allowed in the command, given twice, empty), and the service is not
// asked; a keyword the command accepts, in any case, reaches the service.
using testing::fake_api;

class KeywordInASession : public testing::EngineTest {};

TEST_F(KeywordInASession, GivesTheCommandTheKeywordsCode) {
  struct Case {
    const char* block;
    const char* code;
  };
  for (const Case& c : {
           Case{"*001WACHTWOORD\nSUB=x\nPIN=NIEUW1\n", "2116"},
           Case{"*001WACHTWOORD\nPIN=NIEUW1\nPIN=NIEUW2\n", "2331"},
           Case{"*001WACHTWOORD\nPIN=\n", "2231"},
           Case{"*001ONTVANG\nDIS=x\n", "2101"},
           Case{"*001ONTVANG\nMID=A\nMID=B\n", "2315"},
           Case{"*001ONTVANG\nSUB=\n", "2216"},
           Case{"*001LIJST\nMRT=\n", "2235"},
       }) {
    SCOPED_TRACE(c.block);
    fake_api().reset();
    dir_.write("qrtlnk.sts", "");
    expect_open();
    expect_close();
    run(testing::connect_block(c.block));
    const std::string block = c.block;
    const std::string command = block.substr(0, block.find('\n'));
    EXPECT_EQ(status_lines(), (std::vector<std::string>{line_of("*000CONNECT", "0000"),
                                                        line_of(command, c.code)}));
    EXPECT_EQ(fake_api().remaining(), 0u);
  }
  fake_api().reset();
  dir_.write("qrtlnk.sts", "");
  expect_open();
  fake_api().expect("API_changeNetworkPwd");
  expect_close();
  EXPECT_EQ(run(testing::connect_block("*001WACHTWOORD\npin=NIEUW1\n")), 0);
  EXPECT_EQ(status_lines().back(), line_of("*001WACHTWOORD", "0000"));
}

TEST(AttributeTableTest, MasksAndOperators) {
  EXPECT_STREQ(command_mask(kZend), "1111111111111111110111111110111000100010100");
  EXPECT_STREQ(command_mask(kOntvang), "0000000000220000001222220011000001011101133");
  EXPECT_STREQ(command_mask(kRapport), "0000000000000000001200000011000001011000133");
  EXPECT_STREQ(command_mask(kAntwoord), "0000000000000000000000000011000100010100100");
  EXPECT_STREQ(command_mask(kVerwijder), "0000000000220000001222220000000000001000130");
  EXPECT_STREQ(command_mask(kLijst), "0000000000220000000222220011000001011001133");
  EXPECT_STREQ(command_mask(kWachtwoord), "0000000000000000000000000000000010000000100");
  EXPECT_EQ(command_mask(0), nullptr);
  EXPECT_EQ(command_mask(8), nullptr);
  EXPECT_EQ(mask_digit(kZend, kAttrDIR), '0');
  EXPECT_EQ(mask_digit(kZend, kAttrLID), '0');
  EXPECT_EQ(mask_digit(kOntvang, kAttrSUR), '2');
  EXPECT_EQ(mask_digit(kLijst, kAttrMET), '3');
  EXPECT_EQ(mask_digit(kVerwijder, kAttrMRT), '0');
  for (int kind = kZend; kind <= kWachtwoord; ++kind) EXPECT_EQ(mask_digit(kind, kAttrREM), '1');

  EXPECT_TRUE(operator_allowed('1', '='));
  EXPECT_FALSE(operator_allowed('1', '!'));
  EXPECT_TRUE(operator_allowed('2', '!'));
  EXPECT_FALSE(operator_allowed('2', '<'));
  for (char op : {'=', '!', '<', '>'}) EXPECT_TRUE(operator_allowed('3', op));
  EXPECT_FALSE(operator_allowed('3', ':'));
  EXPECT_FALSE(operator_allowed('0', '='));
}

// The engine reads the keywords that the request translation writes: every send keyword it knows
// is a ZEND attribute and reports into its own field of the status line. The engine has no
// attributes for the third and fourth domain-defined pair.
TEST(AttributeTableTest, SendKeywordsAreZendAttributesWithTheirOwnStatusFields) {
  std::vector<send_keywords::KeywordFields> entries(std::begin(send_keywords::kMessage),
                                                    std::end(send_keywords::kMessage));
  entries.push_back(send_keywords::kFiles);
  entries.insert(entries.end(), std::begin(send_keywords::kAddress),
                 std::end(send_keywords::kAddress));
  std::set<int> fields;
  std::vector<std::string> unknown;
  for (const send_keywords::KeywordFields& entry : entries) {
    const int position = find_attribute(entry.keyword);
    if (position == 0) {
      unknown.push_back(entry.keyword);
      continue;
    }
    EXPECT_NE(mask_digit(kZend, position), '0') << entry.keyword;
    EXPECT_EQ(zend_status_field(position), entry.status) << entry.keyword;
    EXPECT_TRUE(fields.insert(entry.status).second) << entry.keyword;
  }
  EXPECT_EQ(unknown, (std::vector<std::string>{"DTC", "DVC", "DTD", "DVD"}));
}

}  // namespace
}  // namespace kv::engine
